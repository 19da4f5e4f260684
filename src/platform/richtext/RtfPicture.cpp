#include "platform/richtext/RtfPicture.h"

#include <QAtomicInteger>
#include <QBuffer>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <QVariantList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tv::richtext {
namespace {

quint32 le32(QByteArrayView d, qsizetype at) {
  return quint32(quint8(d[at])) | quint32(quint8(d[at + 1])) << 8 |
         quint32(quint8(d[at + 2])) << 16 | quint32(quint8(d[at + 3])) << 24;
}
quint16 le16(QByteArrayView d, qsizetype at) {
  return quint16(quint8(d[at]) | quint8(d[at + 1]) << 8);
}

int allocationLimitMb(qint64 maxPixels) {
  const qint64 mb = maxPixels * 4 / (1024 * 1024) + 1;
  return int(std::clamp<qint64>(mb, 1, 4096));
}

// Reads one image with the given format only: no guessing from content, no plugin
// that could reach for other files. The size the header announces is checked against
// the caps before anything is decoded; a header without a size is refused. With a
// non-empty `fit` the image comes back scaled down to fit it.
QImage readImage(QByteArrayView data, const char *format, const PictureCaps &caps, QSize fit = {}) {
  QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  reader.setAllocationLimit(allocationLimitMb(caps.maxPixels));
  const QSize size = reader.size();
  auto fits = [&caps](QSize s) {
    return s.width() > 0 && s.height() > 0 && s.width() <= caps.maxSide &&
           s.height() <= caps.maxSide && qint64(s.width()) * s.height() <= caps.maxPixels;
  };
  if (!fits(size)) return {};
  QSize target = size;
  if (!fit.isEmpty() && (size.width() > fit.width() || size.height() > fit.height())) {
    target = size.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) reader.setScaledSize(target);
  }
  QImage image = reader.read();
  if (image.isNull() || !fits(image.size())) return {};
  if (image.size() != target)
    image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return image;
}

QImage readImage(QByteArrayView data, const char *format, qint64 maxPixels) {
  PictureCaps caps;
  caps.maxPixels = maxPixels;
  return readImage(data, format, caps);
}

// The reader format of a picture file by its leading bytes; null for other data.
const char *fileFormat(QByteArrayView data) {
  if (data.startsWith("\x89PNG\r\n\x1a\n")) return "png";
  if (data.size() >= 3 && quint8(data[0]) == 0xFF && quint8(data[1]) == 0xD8 &&
      quint8(data[2]) == 0xFF)
    return "jpeg";
  if (data.startsWith("BM")) return "bmp";
  if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) return "gif";
  return nullptr;
}

// A packed DIB (header, colour table, bits) becomes a BMP file by putting the 14-byte
// file header in front; the bits' offset follows from the header and colour table.
QImage decodeDib(QByteArrayView dib, qint64 maxPixels) {
  if (dib.size() < 12) return {};
  const quint32 headerSize = le32(dib, 0);
  if (headerSize > quint32(dib.size())) return {};
  qint64 width = 0, height = 0, paletteBytes = 0, maskBytes = 0;
  int bitCount = 0;
  if (headerSize == 12) {
    width = le16(dib, 4);
    height = le16(dib, 6);
    bitCount = le16(dib, 10);
    paletteBytes = bitCount <= 8 ? (qint64(1) << bitCount) * 3 : 0;
  } else if (headerSize >= 40) {
    width = qint32(le32(dib, 4));
    height = qint32(le32(dib, 8));
    bitCount = le16(dib, 14);
    const quint32 compression = le32(dib, 16);
    const quint32 used = le32(dib, 32);
    if (used > 65536) return {};
    const qint64 entries = used ? used : (bitCount <= 8 ? qint64(1) << bitCount : 0);
    paletteBytes = entries * 4;
    if (headerSize == 40 && compression == 3) maskBytes = 12;
    if (headerSize == 40 && compression == 6) maskBytes = 16;
  } else {
    return {};
  }
  if (bitCount > 32) return {};
  width = std::llabs(width);
  height = std::llabs(height);
  if (width == 0 || height == 0 || width * height > maxPixels) return {};
  const qint64 bitsOffset = 14 + qint64(headerSize) + maskBytes + paletteBytes;
  if (bitsOffset > 14 + dib.size()) return {};
  QByteArray file;
  file.reserve(14 + dib.size());
  const quint32 fileSize = quint32(14 + dib.size());
  file.append("BM", 2);
  for (int i = 0; i < 4; ++i) file.append(char((fileSize >> (8 * i)) & 0xFF));
  file.append(4, '\0');
  for (int i = 0; i < 4; ++i) file.append(char((quint32(bitsOffset) >> (8 * i)) & 0xFF));
  file.append(dib.data(), dib.size());
  return readImage(file, "bmp", maxPixels);
}

const QString kSourceSuffix = QStringLiteral("#source");

}  // namespace

PictureKind sniffPictureKind(QByteArrayView data) {
  if (data.startsWith("\x89PNG\r\n\x1a\n")) return PictureKind::Png;
  if (data.size() >= 3 && quint8(data[0]) == 0xFF && quint8(data[1]) == 0xD8 &&
      quint8(data[2]) == 0xFF)
    return PictureKind::Jpeg;
  return PictureKind::Unknown;
}

QImage decodePictureFile(QByteArrayView data, qint64 maxPixels) {
  const char *format = fileFormat(data);
  return format ? readImage(data, format, maxPixels) : QImage();
}

QImage decodePictureToFit(QByteArrayView data, QSize fit, const PictureCaps &caps) {
  const char *format = fileFormat(data);
  return format ? readImage(data, format, caps, fit) : QImage();
}

QByteArray dibFromWmf(QByteArrayView wmf) {
  qsizetype pos = 0;
  if (wmf.size() >= 22 && le32(wmf, 0) == 0x9AC6CDD7u) pos = 22;  // placeable header
  if (wmf.size() - pos < 18) return {};
  const qsizetype headerWords = le16(wmf, pos + 2);
  if (headerWords < 9) return {};
  pos += headerWords * 2;
  while (pos + 6 <= wmf.size()) {
    const qint64 bytes = qint64(le32(wmf, pos)) * 2;
    const quint16 function = le16(wmf, pos + 4);
    if (bytes < 6 || bytes > wmf.size() - pos || function == 0) break;
    qsizetype dibAt = -1;
    if (function == 0x0F43)
      dibAt = 28;  // StretchDIB
    else if (function == 0x0B41)
      dibAt = 26;  // DIBStretchBlt with a bitmap
    else if (function == 0x0940)
      dibAt = 22;  // DIBBitBlt with a bitmap
    if (dibAt > 0 && bytes > dibAt + 12) {
      const QByteArrayView dib = wmf.sliced(pos + dibAt, bytes - dibAt);
      const quint32 header = le32(dib, 0);
      if (header == 12 || header == 40 || header == 52 || header == 56 || header == 108 ||
          header == 124)
        return dib.toByteArray();
    }
    pos += bytes;
  }
  return {};
}

QImage decodePicture(PictureKind kind, QByteArrayView data, qint64 maxPixels) {
  switch (kind) {
    case PictureKind::Png:
    case PictureKind::Jpeg:
      return decodePictureFile(data, maxPixels);
    case PictureKind::Dib:
      return decodeDib(data, maxPixels);
    case PictureKind::Wmf: {
      const QByteArray dib = dibFromWmf(data);
      return dib.isEmpty() ? QImage() : decodeDib(dib, maxPixels);
    }
    default:
      return {};
  }
}

QImage placeholderPicture(QSize size) {
  const int w = std::clamp(size.width(), 8, 2000);
  const int h = std::clamp(size.height(), 8, 2000);
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(qRgb(0xE0, 0xE0, 0xE0));
  const QRgb ink = qRgb(0x80, 0x80, 0x80);
  for (int x = 0; x < w; ++x) {
    image.setPixel(x, 0, ink);
    image.setPixel(x, h - 1, ink);
  }
  for (int y = 0; y < h; ++y) {
    image.setPixel(0, y, ink);
    image.setPixel(w - 1, y, ink);
    const int x = int(qint64(y) * (w - 1) / std::max(1, h - 1));
    image.setPixel(x, y, ink);
    image.setPixel(w - 1 - x, y, ink);
  }
  return image;
}

void insertPicture(QTextCursor &cursor, const DocumentPicture &picture, QSizeF displaySize) {
  QTextDocument *doc = cursor.document();
  if (!doc || picture.image.isNull()) return;
  static QAtomicInteger<quint64> counter;
  const QString name = QStringLiteral("tvpic:%1").arg(counter.fetchAndAddRelaxed(1) + 1);
  doc->addResource(QTextDocument::ImageResource, QUrl(name), picture.image);
  doc->addResource(QTextDocument::UserResource, QUrl(name + kSourceSuffix),
                   QVariantList{int(picture.kind), picture.data, picture.placeholder});
  QTextImageFormat format;
  format.setName(name);
  if (displaySize.isEmpty()) displaySize = picture.image.size();
  format.setWidth(displaySize.width());
  format.setHeight(displaySize.height());
  cursor.insertImage(format);
}

std::optional<DocumentPicture> pictureOf(const QTextDocument &doc, const QTextImageFormat &format) {
  const QString name = format.name();
  if (!name.startsWith(u"tvpic:")) return std::nullopt;
  const QVariant image = doc.resource(QTextDocument::ImageResource, QUrl(name));
  if (image.userType() != QMetaType::QImage) return std::nullopt;
  DocumentPicture picture;
  picture.image = image.value<QImage>();
  const QVariantList source =
      doc.resource(QTextDocument::UserResource, QUrl(name + kSourceSuffix)).toList();
  if (source.size() == 3) {
    picture.kind = PictureKind(source[0].toInt());
    picture.data = source[1].toByteArray();
    picture.placeholder = source[2].toBool();
  }
  return picture;
}

}  // namespace tv::richtext
