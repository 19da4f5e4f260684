#include "app/LocalAddress.h"

#include <QNetworkInterface>

namespace tv::app {

QString LocalIpAddress() {
  for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
    const auto flags = iface.flags();
    if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
        (flags & QNetworkInterface::IsLoopBack))
      continue;
    for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
      const QHostAddress address = entry.ip();
      if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
        return address.toString();
    }
  }
  return QStringLiteral("127.0.0.1");
}

}  // namespace tv::app
