#include "platform/peer/HostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

namespace tv::peer {

namespace {

std::optional<Endpoint> firstIpv4(const QList<QHostAddress> &addresses, quint16 port) {
  for (const QHostAddress &a : addresses) {
    bool isV4 = false;
    const quint32 v4 = a.toIPv4Address(&isV4);
    if (isV4 && v4 != 0) return Endpoint{v4, port};
  }
  return std::nullopt;
}

}  // namespace

void resolveHost(QObject *context, const QString &hostname, quint16 port,
                 std::function<void(std::optional<Endpoint>)> done) {
  const QHostAddress literal(hostname);
  if (!literal.isNull()) {
    done(firstIpv4({literal}, port));
    return;
  }
  QHostInfo::lookupHost(hostname, context, [port, done](const QHostInfo &info) {
    done(info.error() == QHostInfo::NoError ? firstIpv4(info.addresses(), port) : std::nullopt);
  });
}

}  // namespace tv::peer
