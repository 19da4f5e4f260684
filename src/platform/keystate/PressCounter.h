#pragma once
// Presses per key since counting started, kept as parity: one bit per key, so a flood
// of events costs O(1) each and nothing else is remembered. Auto-repeat is the
// caller's to drop (it knows whether a key was already down).

#include "platform/keystate/VirtualKeys.h"

#include <bitset>

namespace tv::keystate {

class PressCounter {
 public:
  void press(int vk) {
    if (const int slot = KeySlot(vk); slot >= 0) odd_.flip(std::size_t(slot));
  }
  bool odd(int vk) const {
    const int slot = KeySlot(vk);
    return slot >= 0 && odd_.test(std::size_t(slot));
  }
  // A lock whose state is known from elsewhere.
  void set(int vk, bool on) {
    if (const int slot = KeySlot(vk); slot >= 0) odd_.set(std::size_t(slot), on);
  }

 private:
  std::bitset<kKeySlots> odd_;
};

}  // namespace tv::keystate
