#pragma once
// A session address in its text form "x-directplay:/hostname=HOST;port=PORT", with an
// optional "provider=" element naming the service provider. The host name is kept as
// text; the session resolves it when it is used. A missing port means the default
// session port.

#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerTypes.h"

#include <QString>
#include <QUuid>

namespace tv::peer {

class Address {
 public:
  static constexpr qsizetype kMaxUrlLength = 2048;
  static constexpr qsizetype kMaxHostnameLength = 253;

  Address() = default;
  static Address fromEndpoint(const Endpoint &endpoint);

  // Sets the service provider.
  Result SetSP(const QUuid &provider);
  // Replaces every element with those of the URL. DPNERR_INVALIDURL (and the address
  // unchanged) for another scheme, a malformed element, a host name with characters
  // outside letters, digits, '.', '-' and '_', or a port outside 1 to 65535.
  Result BuildFromURL(const QString &url);
  // The elements present, provider first and port last.
  QString GetURL() const;

  const QUuid &provider() const { return provider_; }
  const QString &hostname() const { return hostname_; }
  quint16 port() const { return port_; }  // 0 when the URL named none
  quint16 portOrDefault() const { return port_ ? port_ : kDefaultPort; }
  void setHostname(const QString &hostname) { hostname_ = hostname; }
  void setPort(quint16 port) { port_ = port; }

  friend bool operator==(const Address &, const Address &) = default;

 private:
  QUuid provider_;
  QString hostname_;
  quint16 port_ = 0;
};

}  // namespace tv::peer
