#pragma once
// A key source for tests of the layers above: toggle bits and presses are set by hand,
// and whether the keys count as global.

#include "platform/keystate/KeyState.h"
#include "platform/keystate/PressCounter.h"

namespace tv::keystate {

class FakeKeySource final : public KeyState {
  Q_OBJECT
 public:
  using KeyState::KeyState;

  int GetKeyState(int vk) override { return toggles_.odd(vk) ? 1 : 0; }
  bool isGlobal(int vk) const override { return global_ && KeySlot(vk) >= 0; }
  void watch(int vk) override { watched_ = vk; }

  void setToggle(int vk, bool on) { toggles_.set(vk, on); }
  void press(int vk, int times = 1) {
    for (int i = 0; i < times; ++i) toggles_.press(vk);
  }
  void setGlobal(bool global) {
    global_ = global;
    Q_EMIT globalChanged();
  }
  int watched() const { return watched_; }

 private:
  PressCounter toggles_;
  bool global_ = true;
  int watched_ = 0;
};

}  // namespace tv::keystate
