#pragma once
// Which voice buttons are usable, from the session state (0 idle, 1 starting, 2 host,
// 3 member) and whether the host search is running. Pure logic; the window applies it.

#include <optional>

namespace tv::mainwindow {

struct VoiceButtonStates {
  bool hostEnabled = false;  // btnVHOST
  bool joinVisible = false;  // btnVJOIN
  bool joinEnabled = false;
  bool stopVisible = false;  // btnStopJOIN
  bool stopEnabled = false;
  std::optional<bool> testEnabled;  // btnVTEST; left as it is while searching
  bool hostOnlyEntries = false;     // btnLimitPlus, btnLimitMinus, btnKICK
};

VoiceButtonStates VoiceButtonsFor(int sessionState, bool searching);

}  // namespace tv::mainwindow
