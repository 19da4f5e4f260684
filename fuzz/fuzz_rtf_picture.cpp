// Picture data inside RTF: the first byte chooses the kind, the rest is the data.
// Decoding stays within the pixel cap and never crashes.
#include "platform/richtext/RtfPicture.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const auto kind = tv::richtext::PictureKind(data[0] % 6);
  const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
  constexpr qint64 kCap = 1 << 18;
  const QImage image = tv::richtext::decodePicture(kind, bytes, kCap);
  if (!image.isNull() && qint64(image.width()) * image.height() > kCap) std::abort();
  const QByteArray dib = tv::richtext::dibFromWmf(bytes);
  if (dib.size() > bytes.size()) std::abort();
  const QImage file = tv::richtext::decodePictureFile(bytes, kCap);
  if (!file.isNull() && qint64(file.width()) * file.height() > kCap) std::abort();
  return 0;
}
