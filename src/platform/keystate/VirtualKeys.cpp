#include "platform/keystate/VirtualKeys.h"

#include <Qt>

namespace tv::keystate {
namespace {

struct Key {
  int vk;
  std::uint32_t keysyms[2];
  const char *trigger;
};

// Keysym values from the X protocol's keysym table.
constexpr Key kKeys[kKeySlots] = {
    {kVkCapital, {0xffe5, 0}, "Caps_Lock"},  {kVkNumLock, {0xff7f, 0}, "Num_Lock"},
    {kVkScroll, {0xff14, 0}, "Scroll_Lock"}, {kVkLShift, {0xffe1, 0}, "Shift_L"},
    {kVkRShift, {0xffe2, 0}, "Shift_R"},     {kVkLControl, {0xffe3, 0}, "Control_L"},
    {kVkRControl, {0xffe4, 0}, "Control_R"}, {kVkLMenu, {0xffe9, 0}, "Alt_L"},
    {kVkRMenu, {0xffea, 0xfe03}, "Alt_R"},   {kVkInsert, {0xff63, 0}, "Insert"},
    {kVkHome, {0xff50, 0}, "Home"},
};

}  // namespace

int KeySlot(int vk) {
  for (int i = 0; i < kKeySlots; ++i)
    if (kKeys[i].vk == vk) return i;
  return -1;
}

bool IsLockKey(int vk) { return vk == kVkCapital || vk == kVkNumLock || vk == kVkScroll; }

std::array<std::uint32_t, 2> KeysymsOf(int vk) {
  const int slot = KeySlot(vk);
  if (slot < 0) return {0, 0};
  return {kKeys[slot].keysyms[0], kKeys[slot].keysyms[1]};
}

int KeyOfKeysym(std::uint32_t keysym) {
  if (keysym == 0) return 0;
  for (const Key &k : kKeys)
    if (k.keysyms[0] == keysym || k.keysyms[1] == keysym) return k.vk;
  return 0;
}

int KeyOfQtKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Insert:
      return kVkInsert;
    case Qt::Key_Home:
      return kVkHome;
    case Qt::Key_CapsLock:
      return kVkCapital;
    case Qt::Key_NumLock:
      return kVkNumLock;
    case Qt::Key_ScrollLock:
      return kVkScroll;
    default:
      return 0;
  }
}

const char *TriggerName(int vk) {
  const int slot = KeySlot(vk);
  return slot < 0 ? "" : kKeys[slot].trigger;
}

}  // namespace tv::keystate
