#pragma once
// Presses of the watched key through the desktop portal's GlobalShortcuts interface
// (Wayland sessions, where no program sees another's keys): one portal session with
// one shortcut bound for the key; every Activated signal is a press. The key is global
// once the portal has bound it; a missing portal, a refused binding, a closed session
// or a portal that leaves the bus make it not global again.
//
// Lock keys are not bound (their state is not a press count); the LED source reads them.

#include "platform/keystate/KeyState.h"
#include "platform/keystate/PressCounter.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

class QDBusMessage;
class QDBusServiceWatcher;

namespace tv::keystate {

class PortalKeySource final : public KeyState {
  Q_OBJECT
 public:
  static const QString kService;  // org.freedesktop.portal.Desktop

  explicit PortalKeySource(const QDBusConnection &bus, QObject *parent = nullptr);
  ~PortalKeySource() override;

  int GetKeyState(int vk) override { return presses_.odd(vk) ? 1 : 0; }
  bool isGlobal(int vk) const override { return vk != 0 && vk == bound_; }
  void watch(int vk) override;

 private Q_SLOTS:
  // QtDBus delivers signals to slots named by signature.
  void onResponse(const QDBusMessage &message);
  void onActivated(const QDBusMessage &message);
  void onSessionClosed(const QDBusMessage &message);

 private:
  // Sends a portal call whose answer comes as a Response on a request object.
  void request(const QString &method, const QVariantList &arguments);
  void bindShortcut(const QString &sessionHandle);
  void closeSession();
  void setBound(int vk);

  QDBusConnection bus_;
  QDBusServiceWatcher *watcher_;
  PressCounter presses_;
  int watched_ = 0;
  int bound_ = 0;
  QString session_;      // the portal session's object path
  QString pendingPath_;  // the request whose Response is awaited
  QString pendingMethod_;
  quint32 tokens_ = 0;
};

}  // namespace tv::keystate
