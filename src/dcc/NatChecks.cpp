#include "dcc/NatChecks.h"

#include "dcc/AddressText.h"
#include "platform/text/Ipv4Text.h"

#include <cmath>

namespace tv::dcc {

QString CheckNatAddress(const QString &address) {
  if (address.isEmpty())
    return QStringLiteral("ルータのインターネット側のIPアドレスを指定してください。");
  if (!text::IsValidAddress(address))
    return QStringLiteral("ルータのインターネット側のIPアドレスが不正です。");
  return {};
}

QString CheckNatPort(const QString &text, quint16 &port) {
  if (text.isEmpty()) return QStringLiteral("ルータの未使用ポートを指定してください。");
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value))
    return QStringLiteral("ルータの未使用ポート番号は数値を指定してください。");
  if (value <= 0) return QStringLiteral("ルータの未使用ポート番号は0以下の指定はできません。");
  if (value >= 65536)
    return QStringLiteral("ルータの未使用ポート番号は65536以上の指定はできません。");
  if (value != std::floor(value))
    return QStringLiteral("ルータの未使用ポート番号は整数で指定してください。");
  port = quint16(value);
  return {};
}

}  // namespace tv::dcc
