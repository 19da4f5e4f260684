#pragma once
// The key state the main window reads: the global routes this desktop offers, tried in
// order, and Talvora's own key events behind them. A key is read from the first route
// that is global for it; the service says when that changes.
//
// ForDesktop picks the routes:
//   - X11 (the xcb platform outside a Wayland session): X11KeySource;
//   - a Wayland session: the portal's global shortcuts for presses, the keyboard LEDs
//     for the locks;
//   - always last: WindowKeySource.

#include "platform/keystate/KeyState.h"

#include <QDBusConnection>

#include <memory>
#include <vector>

namespace tv::keystate {

class KeyStateService final : public KeyState {
  Q_OBJECT
 public:
  // routes: global routes in order of preference; fallback: the one answering for the
  // rest. The service owns them all.
  KeyStateService(std::vector<std::unique_ptr<KeyState>> routes, std::unique_ptr<KeyState> fallback,
                  QObject *parent = nullptr);
  ~KeyStateService() override;

  // platformName: QGuiApplication::platformName(); waylandSession: the desktop session
  // is Wayland (XDG_SESSION_TYPE or WAYLAND_DISPLAY say so).
  static std::unique_ptr<KeyStateService> ForDesktop(const QString &platformName,
                                                     bool waylandSession,
                                                     const QDBusConnection &bus);
  static bool IsWaylandSession();

  int GetKeyState(int vk) override;
  bool isGlobal(int vk) const override;
  void watch(int vk) override;

 private:
  KeyState *routeFor(int vk) const;

  std::vector<std::unique_ptr<KeyState>> routes_;
  std::unique_ptr<KeyState> fallback_;
};

}  // namespace tv::keystate
