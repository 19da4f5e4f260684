#include "platform/keystate/WindowKeySource.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tv::keystate {
namespace {
// X modifier bits as the xcb and Wayland platforms report them in nativeModifiers().
constexpr quint32 kLockBit = 1u << 1;
constexpr quint32 kMod2Bit = 1u << 4;  // Num Lock on every common keymap
}  // namespace

WindowKeySource::WindowKeySource(bool nativeLockBits, QObject *parent)
    : KeyState(parent), nativeLockBits_(nativeLockBits) {}

WindowKeySource::~WindowKeySource() { filterEvents(false); }

int WindowKeySource::KeyOf(const QKeyEvent &event) {
  if (const int vk = KeyOfKeysym(event.nativeVirtualKey())) return vk;
  return event.nativeVirtualKey() == 0 ? KeyOfQtKey(event.key()) : 0;
}

int WindowKeySource::GetKeyState(int vk) { return presses_.odd(vk) ? 1 : 0; }

void WindowKeySource::watch(int vk) {
  watched_ = KeySlot(vk) >= 0 ? vk : 0;
  filterEvents(watched_ != 0);
}

void WindowKeySource::filterEvents(bool on) {
  if (on == filtering_ || !QCoreApplication::instance()) return;
  filtering_ = on;
  if (on)
    QCoreApplication::instance()->installEventFilter(this);
  else
    QCoreApplication::instance()->removeEventFilter(this);
}

bool WindowKeySource::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  // A key event reaches its window first, then widget after widget: the window's copy
  // is the one counted.
  if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWindowType())
    return false;
  const auto &key = static_cast<const QKeyEvent &>(*event);
  if (nativeLockBits_ && (watched_ == kVkCapital || watched_ == kVkNumLock))
    // The state before this event; the lock's own press flips it below.
    presses_.set(watched_, key.nativeModifiers() & (watched_ == kVkCapital ? kLockBit : kMod2Bit));
  if (type == QEvent::KeyPress && !key.isAutoRepeat() && KeyOf(key) == watched_)
    presses_.press(watched_);
  return false;
}

}  // namespace tv::keystate
