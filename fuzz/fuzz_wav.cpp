// Capture files: any bytes are read as a voice-format WAV file or refused with a reason.
#include "platform/audio/WavFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QString error;
  const auto samples = tv::audio::parseWav(
      QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), error);
  if (!samples && error.isEmpty()) std::abort();
  if (samples && samples->size() * 2 > size) std::abort();
  return 0;
}
