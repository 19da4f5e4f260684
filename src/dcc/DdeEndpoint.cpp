#include "dcc/DdeEndpoint.h"

#include <QDBusError>
#include <QDBusMessage>

namespace tv::dcc {

QString DdePath(quint64 handle) { return QStringLiteral("/Talvora/Dde/%1").arg(handle); }

DdeEndpoint::DdeEndpoint(QDBusConnection bus, quint32 handle, QString owner, Accepts accepts,
                         Deliver deliver, CallerCheck callerCheck, QObject *parent)
    : QObject(parent),
      bus_(std::move(bus)),
      handle_(handle),
      owner_(std::move(owner)),
      accepts_(std::move(accepts)),
      deliver_(std::move(deliver)),
      callerCheck_(std::move(callerCheck)) {
  registered_ = bus_.isConnected() && bus_.registerObject(DdePath(handle_), this,
                                                          QDBusConnection::ExportAllSlots |
                                                              QDBusConnection::ExportAllProperties);
}

DdeEndpoint::~DdeEndpoint() {
  if (registered_) bus_.unregisterObject(DdePath(handle_));
}

void DdeEndpoint::SetText(const QString &text) {
  if (calledFromDBus() && callerCheck_ && !callerCheck_(message().service())) {
    sendErrorReply(QDBusError::AccessDenied,
                   QStringLiteral("Only the file-transfer program may hand over offers."));
    return;
  }
  if (text.isEmpty()) return;
  if (!accepts_ || !accepts_(text)) {
    if (calledFromDBus())
      sendErrorReply(QDBusError::InvalidArgs,
                     QStringLiteral("Not an offer line of this window's form."));
    return;
  }
  if (!deliver_ || !deliver_(text)) {
    if (calledFromDBus())
      sendErrorReply(QDBusError::LimitsExceeded, QStringLiteral("Too many offers at once."));
  }
}

}  // namespace tv::dcc
