#include "app/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace tv::app {

bool ClaimBusName(QDBusConnection &bus, const QString &name) {
  if (!bus.isConnected()) return false;
  // DoNotQueue: a second copy must learn at once that the name is taken.
  const auto reply =
      bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

SingleInstance::SingleInstance(QDBusConnection bus, QObject *parent)
    : QObject(parent), bus_(std::move(bus)) {}

SingleInstance::~SingleInstance() {
  if (owned_) {
    bus_.unregisterService(QString::fromLatin1(kInstanceService));
    bus_.unregisterObject(QString::fromLatin1(kInstancePath));
  }
}

bool SingleInstance::claim() {
  if (!bus_.isConnected()) return false;
  if (!bus_.registerObject(QString::fromLatin1(kInstancePath), this,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties))
    return false;
  owned_ = ClaimBusName(bus_, QString::fromLatin1(kInstanceService));
  if (!owned_) bus_.unregisterObject(QString::fromLatin1(kInstancePath));
  return owned_;
}

bool SingleInstance::activateRunningCopy(QDBusConnection bus, int timeoutMs) {
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kInstanceService), QString::fromLatin1(kInstancePath),
      QString::fromLatin1(kInstanceInterface), QStringLiteral("Raise"));
  // Activation is not wanted: only a running copy may answer.
  call.setAutoStartService(false);
  const QDBusReply<bool> reply = bus.call(call, QDBus::Block, timeoutMs);
  return reply.isValid() && reply.value();
}

bool SingleInstance::Raise() {
  ++raiseCount_;
  Q_EMIT raiseRequested();
  return true;
}

}  // namespace tv::app
