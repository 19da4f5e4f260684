#include "platform/richtext/RtfCodePages.h"

#include "platform/text/Cp932.h"

#include <QStringDecoder>

namespace tv::richtext {

int codePageOfCharset(int charset, int docCodePage) {
  switch (charset) {
    case 0:
      return 1252;
    case 2:
      return 0;  // symbol: bytes are glyph numbers
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    default:
      return docCodePage;
  }
}

namespace {
QString decodeCp1252(QByteArrayView bytes) {
  static const char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  QString out(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = quint8(bytes[i]);
    out[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
  }
  return out;
}

}  // namespace

QString decodeBytes(QByteArrayView bytes, int codePage) {
  if (codePage == 932) return text::decodeCp932(bytes);
  if (codePage == 1252) return decodeCp1252(bytes);
  if (codePage > 0) {
    QStringDecoder decoder(QStringLiteral("windows-%1").arg(codePage).toLatin1().constData());
    if (decoder.isValid()) return decoder.decode(bytes);
  }
  return QString::fromLatin1(bytes);
}

}  // namespace tv::richtext
