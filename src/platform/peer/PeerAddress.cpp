#include "platform/peer/PeerAddress.h"

#include <QStringList>

namespace tv::peer {

namespace {

const QString kScheme = QStringLiteral("x-directplay:/");

bool isHostnameChar(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'.' || c == u'-' || c == u'_';
}

// "%7B...%7D" (the URL form) or "{...}".
QUuid parseProvider(QString value) {
  if (value.startsWith(QLatin1String("%7B"), Qt::CaseInsensitive) &&
      value.endsWith(QLatin1String("%7D"), Qt::CaseInsensitive))
    value = u'{' + value.mid(3, value.size() - 6) + u'}';
  return QUuid::fromString(value);
}

}  // namespace

Address Address::fromEndpoint(const Endpoint &endpoint) {
  Address a;
  a.provider_ = tcpIpProviderGuid();
  a.hostname_ = endpoint.ipText();
  a.port_ = endpoint.port;
  return a;
}

Result Address::SetSP(const QUuid &provider) {
  if (provider.isNull()) return DPNERR_INVALIDPARAM;
  provider_ = provider;
  return kOk;
}

Result Address::BuildFromURL(const QString &url) {
  if (url.size() > kMaxUrlLength || !url.startsWith(kScheme, Qt::CaseInsensitive))
    return DPNERR_INVALIDURL;
  QUuid provider;
  QString hostname;
  quint16 port = 0;
  bool seenProvider = false, seenHost = false, seenPort = false;
  const QStringList elements = url.mid(kScheme.size()).split(u';');
  for (const QString &element : elements) {
    if (element.isEmpty()) continue;
    const qsizetype eq = element.indexOf(u'=');
    if (eq <= 0) return DPNERR_INVALIDURL;
    const QString key = element.left(eq).toLower();
    const QString value = element.mid(eq + 1);
    if (key == u"provider") {
      if (seenProvider) return DPNERR_INVALIDURL;
      seenProvider = true;
      provider = parseProvider(value);
      if (provider.isNull()) return DPNERR_INVALIDURL;
    } else if (key == u"hostname") {
      if (seenHost || value.size() > kMaxHostnameLength) return DPNERR_INVALIDURL;
      seenHost = true;
      for (QChar c : value)
        if (!isHostnameChar(c)) return DPNERR_INVALIDURL;
      hostname = value;
    } else if (key == u"port") {
      if (seenPort || value.isEmpty() || value.size() > 5) return DPNERR_INVALIDURL;
      seenPort = true;
      bool ok = false;
      const uint n = value.toUInt(&ok, 10);
      if (!ok || n == 0 || n > 65535 || value.front() == u'+') return DPNERR_INVALIDURL;
      port = quint16(n);
    }
    // Other elements (device names and the like) are accepted and ignored.
  }
  provider_ = provider;
  hostname_ = hostname;
  port_ = port;
  return kOk;
}

QString Address::GetURL() const {
  QStringList elements;
  if (!provider_.isNull())
    elements << QStringLiteral("provider=%7B") +
                    provider_.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral("%7D");
  if (!hostname_.isEmpty()) elements << QStringLiteral("hostname=") + hostname_;
  if (port_ != 0) elements << QStringLiteral("port=") + QString::number(port_);
  return kScheme + elements.join(u';');
}

}  // namespace tv::peer
