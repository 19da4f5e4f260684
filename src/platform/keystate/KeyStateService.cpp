#include "platform/keystate/KeyStateService.h"

#include "platform/keystate/LedKeySource.h"
#include "platform/keystate/PortalKeySource.h"
#include "platform/keystate/WindowKeySource.h"
#include "platform/keystate/X11KeySource.h"

namespace tv::keystate {

KeyStateService::KeyStateService(std::vector<std::unique_ptr<KeyState>> routes,
                                 std::unique_ptr<KeyState> fallback, QObject *parent)
    : KeyState(parent), routes_(std::move(routes)), fallback_(std::move(fallback)) {
  for (const auto &route : routes_)
    connect(route.get(), &KeyState::globalChanged, this, &KeyState::globalChanged);
}

KeyStateService::~KeyStateService() = default;

bool KeyStateService::IsWaylandSession() {
  return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::unique_ptr<KeyStateService> KeyStateService::ForDesktop(const QString &platformName,
                                                             bool waylandSession,
                                                             const QDBusConnection &bus) {
  std::vector<std::unique_ptr<KeyState>> routes;
  const bool xcb = platformName == QLatin1String("xcb");
  if (xcb && !waylandSession) {
    auto x11 = std::make_unique<X11KeySource>();
    if (x11->usable()) routes.push_back(std::move(x11));
  } else if (waylandSession) {
    if (bus.isConnected()) routes.push_back(std::make_unique<PortalKeySource>(bus));
    routes.push_back(std::make_unique<LedKeySource>());
  }
  const bool lockBits = xcb || platformName.startsWith(QLatin1String("wayland"));
  return std::make_unique<KeyStateService>(std::move(routes),
                                           std::make_unique<WindowKeySource>(lockBits));
}

KeyState *KeyStateService::routeFor(int vk) const {
  for (const auto &route : routes_)
    if (route->isGlobal(vk)) return route.get();
  return fallback_.get();
}

int KeyStateService::GetKeyState(int vk) { return routeFor(vk)->GetKeyState(vk); }

bool KeyStateService::isGlobal(int vk) const { return routeFor(vk) != fallback_.get(); }

void KeyStateService::watch(int vk) {
  for (const auto &route : routes_) route->watch(vk);
  fallback_->watch(vk);
}

}  // namespace tv::keystate
