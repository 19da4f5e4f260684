#include "PictureTestSupport.h"

#include "platform/richtext/RichTextView.h"
#include "platform/richtext/RtfPicture.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QtEndian>

namespace tv::test {
namespace {

void be32(QByteArray &out, quint32 v) {
  char b[4];
  qToBigEndian(v, b);
  out.append(b, 4);
}
void le32(QByteArray &out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}
void le16(QByteArray &out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}

quint32 crc32(const QByteArray &bytes) {
  quint32 crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= quint8(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void pngChunk(QByteArray &out, const char *type, const QByteArray &data) {
  be32(out, quint32(data.size()));
  const QByteArray typed = QByteArray(type) + data;
  out += typed;
  be32(out, crc32(typed));
}

qint64 statusKb(const char *key) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

}  // namespace

QByteArray pictureFile(QSize size, const char *format, int quality) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  for (int i = 0; i < 40; ++i) {
    painter.setPen(QColor::fromHsv(i * 9, 200, 200));
    painter.drawLine(0, i * size.height() / 40, size.width(), size.height() - i * 7);
  }
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

QByteArray pngHeaderOnly(quint32 width, quint32 height) {
  QByteArray png("\x89PNG\r\n\x1a\n", 8);
  QByteArray ihdr;
  be32(ihdr, width);
  be32(ihdr, height);
  ihdr += QByteArray::fromHex("0806000000");  // 8-bit RGBA
  pngChunk(png, "IHDR", ihdr);
  pngChunk(png, "IDAT", QByteArray::fromHex("789c030000000001"));
  pngChunk(png, "IEND", {});
  return png;
}

QByteArray lyingBmp(qint32 width, qint32 height) {
  QByteArray bmp("BM");
  le32(bmp, 14 + 40 + 64);
  le32(bmp, 0);
  le32(bmp, 14 + 40);
  le32(bmp, 40);
  le32(bmp, quint32(width));
  le32(bmp, quint32(height));
  le16(bmp, 1);
  le16(bmp, 24);
  for (int i = 0; i < 6; ++i) le32(bmp, 0);
  return bmp + QByteArray(64, '\x7f');
}

QByteArray garbage(qsizetype size) {
  QByteArray bytes(size, Qt::Uninitialized);
  QRandomGenerator generator(15);
  generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
  bytes[0] = 'x';  // no picture signature by chance
  return bytes;
}

PictureLine lastPictureLine(const richtext::RichTextView &view) {
  PictureLine line;
  const QTextDocument *doc = view.document();
  for (QTextBlock block = doc->lastBlock(); block.isValid() && !line.found;
       block = block.previous()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (format.isImageFormat() && !line.found) {
        const auto picture = richtext::pictureOf(*doc, format.toImageFormat());
        line.found = picture.has_value();
        line.placeholder = picture && picture->placeholder;
        line.size = picture ? picture->image.size() : QSize();
        line.text = block.text().mid(fragment.position() - block.position() + 1);
      }
    }
  }
  return line;
}

qint64 residentKb() { return statusKb("VmRSS:"); }
qint64 peakResidentKb() { return statusKb("VmHWM:"); }

}  // namespace tv::test
