// WAV headers as found on disk: no crash, and an accepted layout lies inside the file
// and holds whole samples.
#include "platform/audiosetup/WavFormat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  // The same bytes as a whole file and as the head of a longer one.
  for (const qint64 fileSize : {qint64(size), qint64(size) + 1000}) {
    QString why;
    const auto layout = tv::audiosetup::ReadWavLayout(bytes, fileSize, why);
    if (!layout) {
      if (why.isEmpty()) std::abort();
      continue;
    }
    if (layout->offset < 12 || layout->bytes < 0 || layout->bytes % 2 != 0 ||
        layout->offset + layout->bytes > fileSize)
      std::abort();
  }
  return 0;
}
