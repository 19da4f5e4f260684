#pragma once
// The microphone mute modes of cboMikeMute: which key each reads and what its toggle
// bit means. Mode 0 is the mute button alone; 1-6 follow a lock (muted while on, or
// while off); 7-14 toggle the mute on every press of their key, with a polarity chosen
// when the mode is chosen. Pure logic; the window applies it.

#include <optional>

namespace tv::mainwindow {

inline constexpr int kMuteModes = 15;

// The virtual-key code the mode reads; 0 for mode 0 and anything out of range.
int MuteKeyOf(int mode);
// Modes 7 to 14.
bool IsToggleMode(int mode);
// Polarity for a toggle mode, chosen so that the mute state stays as it is: true means
// muted while the toggle bit is set.
bool PolarityFor(bool mutedNow, int keyState);
// The mute state the key's state asks for; nullopt for a mode outside 1..14.
std::optional<bool> MutedByKey(int mode, bool polarity, int keyState);

}  // namespace tv::mainwindow
