#pragma once
// Turns a host name or dotted quad into an IPv4 endpoint without blocking the UI
// thread. A literal address answers at once (inside the call); a name is looked up in
// the background and answered on the context object's thread, unless the context is
// gone by then.

#include "platform/peer/PeerTypes.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace tv::peer {

void resolveHost(QObject *context, const QString &hostname, quint16 port,
                 std::function<void(std::optional<Endpoint>)> done);

}  // namespace tv::peer
