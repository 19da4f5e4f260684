#include "dcc/OfferChecks.h"

#include <limits>

namespace tv::dcc {

namespace {

constexpr quint64 kMaxAddress = 0xFFFFFFFFu;
constexpr quint64 kMaxPort = 65535;
constexpr quint64 kMaxSize = quint64(std::numeric_limits<qint64>::max());

bool isUnsafeChar(QChar c) {
  switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return c.isSpace();
  }
}

bool isUnicast(quint32 address) {
  const quint32 first = address >> 24;
  return first != 0 && first < 224;  // not 0/8, not multicast 224/4, not 240/4 nor broadcast
}

}  // namespace

bool IsPlainWord(const QString &word) {
  if (word.isEmpty() || word.startsWith(u'-') || word.toUtf8().size() > kMaxWordBytes) return false;
  for (const QChar c : word)
    if (isUnsafeChar(c)) return false;
  return true;
}

bool IsPlainFileName(const QString &name) {
  return IsPlainWord(name) && !name.startsWith(u'.') && !name.contains(u'/') &&
         !name.contains(u'\\');
}

bool IsDecimalInRange(const QString &text, quint64 min, quint64 max) {
  if (text.isEmpty() || text.size() > 20) return false;
  for (const QChar c : text)
    if (c < u'0' || c > u'9') return false;
  bool ok = false;
  const quint64 v = text.toULongLong(&ok);
  return ok && v >= min && v <= max;
}

bool AreOfferFields(const QStringList &fields) {
  return fields.size() == 4 && IsPlainFileName(fields[0]) &&
         IsDecimalInRange(fields[1], 0, kMaxAddress) && IsDecimalInRange(fields[2], 1, kMaxPort) &&
         IsDecimalInRange(fields[3], 0, kMaxSize);
}

QString CheckReceiveOffer(const QString &address, const QString &port, const QString &size,
                          ReceiveTarget &target) {
  if (!IsDecimalInRange(address, 0, kMaxAddress) || !isUnicast(quint32(address.toULongLong())))
    return QStringLiteral("送信元のアドレスが正しくありません。");
  if (!IsDecimalInRange(port, 1, kMaxPort))
    return QStringLiteral("送信元のポート番号が正しくありません。");
  if (!IsDecimalInRange(size, 0, kMaxSize))
    return QStringLiteral("ファイルサイズが正しくありません。");
  target.address = quint32(address.toULongLong());
  target.port = quint16(port.toUInt());
  target.size = size.toLongLong();
  return {};
}

}  // namespace tv::dcc
