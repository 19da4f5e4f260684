#include "dcc/AddressText.h"

#include <array>

namespace tv::dcc {

namespace {

constexpr quint64 kMaxPart = 255;

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Appends a digit to a part's value without overflowing: anything past 255 stays
// past it.
quint64 appendDigit(quint64 value, QChar digit) {
  return std::min<quint64>(value * 10 + quint64(digit.unicode() - u'0'), kMaxPart + 1);
}

}  // namespace

QString IpToHex(const QString &text) {
  std::array<quint64, 4> parts{};
  std::array<bool, 4> seen{};
  int dots = 0;
  for (const QChar c : text) {
    if (c == u'.') {
      if (++dots > 3) return {};
    } else if (isDigit(c)) {
      parts[size_t(dots)] = appendDigit(parts[size_t(dots)], c);
      seen[size_t(dots)] = true;
    }
  }
  if (dots != 3) return {};
  QString hex;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!seen[i] || parts[i] > kMaxPart) return {};
    hex += QStringLiteral("%1").arg(parts[i], 2, 16, QLatin1Char('0')).toUpper();
  }
  return hex;
}

QString HexToDecimal(const QString &text) {
  if (text.isEmpty()) return QStringLiteral("0");
  quint64 value = 0;
  for (const QChar c : text) {
    const int digit =
        c.unicode() < 0x80 ? QStringLiteral("0123456789abcdef").indexOf(c.toLower()) : -1;
    if (digit < 0) return QStringLiteral("0");
    value = value * 16 + quint64(digit);
  }
  return QString::number(value);
}

QString DecimalToIp(const QString &text) {
  // Reducing every step modulo 2^32 keeps exactly the lowest 32 bits of the number.
  quint64 value = 0;
  for (const QChar c : text)
    value = (value * 10 + (isDigit(c) ? c.unicode() - u'0' : 0)) & 0xFFFFFFFFu;
  return QStringLiteral("%1.%2.%3.%4")
      .arg(value >> 24)
      .arg((value >> 16) & 0xFF)
      .arg((value >> 8) & 0xFF)
      .arg(value & 0xFF);
}

QString FolderOf(const QString &path) {
  const qsizetype at = path.lastIndexOf(u'/');
  return at < 0 ? QString() : path.left(at + 1);
}

QString FileNameOf(const QString &path) {
  const qsizetype at = path.lastIndexOf(u'/');
  return at < 0 ? QString() : path.mid(at + 1);
}

}  // namespace tv::dcc
