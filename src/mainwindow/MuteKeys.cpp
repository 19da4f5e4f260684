#include "mainwindow/MuteKeys.h"

#include "platform/keystate/VirtualKeys.h"

namespace tv::mainwindow {

using namespace tv::keystate;

int MuteKeyOf(int mode) {
  static constexpr int kKeys[kMuteModes] = {0,           kVkCapital, kVkCapital, kVkNumLock,
                                            kVkNumLock,  kVkScroll,  kVkScroll,  kVkLControl,
                                            kVkRControl, kVkLShift,  kVkRShift,  kVkLMenu,
                                            kVkRMenu,    kVkInsert,  kVkHome};
  return mode >= 0 && mode < kMuteModes ? kKeys[mode] : 0;
}

bool IsToggleMode(int mode) { return mode >= 7 && mode <= 14; }

bool PolarityFor(bool mutedNow, int keyState) {
  const bool set = (keyState & 1) != 0;
  return mutedNow ? set : !set;
}

std::optional<bool> MutedByKey(int mode, bool polarity, int keyState) {
  const bool set = (keyState & 1) != 0;
  if (mode < 1 || mode > 14) return std::nullopt;
  if (IsToggleMode(mode)) return polarity ? set : !set;
  // Odd modes: muted while on; even: while off.
  return mode % 2 == 1 ? set : !set;
}

}  // namespace tv::mainwindow
