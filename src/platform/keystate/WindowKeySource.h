#pragma once
// The route of last resort: the key events Talvora's own windows receive. The key then
// counts only while one of them has the focus, so it is never global. Lock states
// follow the lock bits of the events where the platform reports them (xcb, Wayland)
// and otherwise the parity of the lock's presses seen here.
//
// The application's event filter is installed only while a key is watched, and sees
// each event once (at its window); events of other keys are dropped at once.

#include "platform/keystate/KeyState.h"
#include "platform/keystate/PressCounter.h"

class QKeyEvent;

namespace tv::keystate {

class WindowKeySource final : public KeyState {
  Q_OBJECT
 public:
  // nativeLockBits: key events carry the X modifier state (Lock and Mod2 bits).
  explicit WindowKeySource(bool nativeLockBits = false, QObject *parent = nullptr);
  ~WindowKeySource() override;

  int GetKeyState(int vk) override;
  bool isGlobal(int) const override { return false; }
  void watch(int vk) override;

  // The key a key event stands for (0: none of ours).
  static int KeyOf(const QKeyEvent &event);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void filterEvents(bool on);

  bool nativeLockBits_;
  bool filtering_ = false;
  int watched_ = 0;
  PressCounter presses_;
};

}  // namespace tv::keystate
