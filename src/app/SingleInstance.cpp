#include "app/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace tv::app {

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
  // DoNotQueue: a second copy must learn at once that the name is taken.
  const auto reply = bus_.interface()->registerService(
      QString::fromLatin1(kInstanceService), QDBusConnectionInterface::DontQueueService,
      QDBusConnectionInterface::DontAllowReplacement);
  owned_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
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
