#pragma once
// The keyboard state the microphone mute keys are read from: GetKeyState answers with
// the key's toggle state in bit 0, like the classic call of that name. For the lock
// keys (Caps Lock, Num Lock, Scroll Lock) that is the lock's state; for the other keys
// it is the parity of the presses counted while the key was watched, so that no press
// between two polls is lost (auto-repeat of a held key is no press).
//
// A source is global for a key when it sees the key while other programs have the
// focus; otherwise only while one of Talvora's windows has it.
//
// Threading: UI thread only. Sources look at key events as they arrive and drop every
// event of a key nobody watches at once; nothing is stored beyond a counter per key,
// and nothing is logged.

#include "platform/keystate/VirtualKeys.h"

#include <QObject>

namespace tv::keystate {

class KeyState : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~KeyState() override = default;

  // Bit 0: the key's toggle state. Unknown keys read 0.
  virtual int GetKeyState(int vk) = 0;
  // Whether the key is seen while another program has the focus.
  virtual bool isGlobal(int vk) const = 0;
  // The one key a mute mode needs (0: none). Sources select key events only while a
  // key is watched; watching a key again keeps its count.
  virtual void watch(int vk) = 0;

 Q_SIGNALS:
  // isGlobal changed for some key (a route came up, broke or was refused).
  void globalChanged();
};

}  // namespace tv::keystate
