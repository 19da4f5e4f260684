#include "RtfTestSupport.h"

#include "platform/richtext/RtfWriter.h"

#include <QBuffer>
#include <QTextCursor>
#include <QtEndian>

namespace tv::richtext::test {

QString ReadDoc::text() const { return plainTextOf(*doc); }

QTextCharFormat ReadDoc::formatAt(int pos) const {
  QTextCursor c(doc.get());
  c.setPosition(pos);
  c.setPosition(pos + 1, QTextCursor::KeepAnchor);
  return c.charFormat();
}

int ReadDoc::find(const QString &needle) const { return int(doc->toPlainText().indexOf(needle)); }

ReadDoc read(QByteArrayView rtf, const RtfLimits &limits) {
  ReadDoc d;
  QTextCursor cursor(d.doc.get());
  d.result = readRtf(rtf, cursor, limits);
  return d;
}

QByteArray imageFile(const QImage &image, const char *format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

QImage testImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, 128));
  return image;
}

QByteArray packedDib(const QImage &image) { return imageFile(image, "bmp").mid(14); }

QByteArray wmfWithDib(const QByteArray &dib, bool placeable) {
  QByteArray out;
  auto le16 = [&](quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto le32 = [&](quint32 v) {
    le16(quint16(v & 0xFFFF));
    le16(quint16(v >> 16));
  };
  if (placeable) {
    le32(0x9AC6CDD7u);
    out.append(18, '\0');
  }
  le16(1);  // memory metafile
  le16(9);  // header words
  le16(0x0300);
  le32(0);
  le16(0);
  le32(0);
  le16(0);
  // StretchDIB: size in words, function, then 22 bytes of parameters and the DIB.
  QByteArray dibPadded = dib;
  if (dibPadded.size() % 2) dibPadded.append('\0');
  le32(quint32((6 + 22 + dibPadded.size()) / 2));
  le16(0x0F43);
  out.append(22, '\0');
  out.append(dibPadded);
  le32(3);  // end of file record
  le16(0);
  return out;
}

}  // namespace tv::richtext::test
