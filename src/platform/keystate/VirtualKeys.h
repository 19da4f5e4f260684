#pragma once
// The virtual-key codes the mute modes name and what stands for them on this desktop:
// X keysyms (left and right told apart) and Qt keys.

#include <array>
#include <cstdint>

namespace tv::keystate {

inline constexpr int kVkCapital = 0x14;
inline constexpr int kVkNumLock = 0x90;
inline constexpr int kVkScroll = 0x91;
inline constexpr int kVkLShift = 0xA0;
inline constexpr int kVkRShift = 0xA1;
inline constexpr int kVkLControl = 0xA2;
inline constexpr int kVkRControl = 0xA3;
inline constexpr int kVkLMenu = 0xA4;
inline constexpr int kVkRMenu = 0xA5;
inline constexpr int kVkInsert = 0x2D;
inline constexpr int kVkHome = 0x24;

// Every key above has a slot 0..kKeySlots-1; other codes have none (-1).
inline constexpr int kKeySlots = 11;
int KeySlot(int vk);
bool IsLockKey(int vk);

// The X keysyms of the key (at most two; 0 fills). The right Alt key is also the
// third-level shift on layouts that make it one.
std::array<std::uint32_t, 2> KeysymsOf(int vk);
// The key a keysym stands for; 0 for any other keysym.
int KeyOfKeysym(std::uint32_t keysym);
// The key of a Qt key code that names one key only (Insert, Home, the locks); 0 for the
// modifiers, whose side Qt does not tell, and for everything else.
int KeyOfQtKey(int qtKey);
// The name of the key as shortcut triggers spell it ("Insert", "Control_L").
const char *TriggerName(int vk);

}  // namespace tv::keystate
