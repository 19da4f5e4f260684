#include "platform/peer/PeerTypes.h"

#include <QHostAddress>

namespace tv::peer {

QString Endpoint::ipText() const { return QHostAddress(ipv4).toString(); }

QUuid tcpIpProviderGuid() {
  static const QUuid guid(QStringLiteral("{5B7D8E21-3C4A-4F6E-9A1D-0E2C6B8F4A37}"));
  return guid;
}

QList<ServiceProviderInfo> defaultServiceProviders() {
  return {{QStringLiteral("TCP/IP"), tcpIpProviderGuid()}};
}

}  // namespace tv::peer
