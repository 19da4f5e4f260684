// CP932 decoding of untrusted bytes, and the round trip of what it decodes.
#include "platform/text/Cp932.h"
#include "platform/text/TextFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  tv::text::LineLimits limits;
  limits.maxLineBytes = 64;
  limits.maxLines = 50;
  const QStringList lines = tv::text::splitCp932Lines(bytes, limits);
  if (lines.size() > limits.maxLines) std::abort();
  for (const QString &line : lines) {
    bool lossless = false;
    const QByteArray encoded = tv::text::encodeCp932(line, &lossless);
    if (encoded.size() > limits.maxLineBytes) std::abort();
    // Whatever decoded without replacement characters must encode back losslessly.
    if (!line.contains(QChar(0xFFFD)) && !lossless) std::abort();
    if (!line.contains(QChar(0xFFFD)) && tv::text::decodeCp932(encoded) != line) std::abort();
  }
  return 0;
}
