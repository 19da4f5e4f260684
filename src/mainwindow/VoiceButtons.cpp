#include "mainwindow/VoiceButtons.h"

namespace tv::mainwindow {

VoiceButtonStates VoiceButtonsFor(int sessionState, bool searching) {
  VoiceButtonStates s;
  s.hostOnlyEntries = sessionState == 2;
  if (searching) {
    s.stopVisible = true;
    s.stopEnabled = true;
  } else if (sessionState != 0) {
    s.joinVisible = true;
    s.testEnabled = false;
  } else {
    s.hostEnabled = true;
    s.joinVisible = true;
    s.joinEnabled = true;
    s.testEnabled = true;
  }
  return s;
}

}  // namespace tv::mainwindow
