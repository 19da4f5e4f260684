#pragma once
// The key route of an X11 desktop: a connection of its own to the X display. Lock
// states come from XKB's named indicators ("Caps Lock", "Num Lock", "Scroll Lock");
// presses from XInput 2 raw key events on the root window, which arrive whichever
// window has the focus, with no grab and no special rights. Raw events are selected
// only while the watched key needs presses: a toggle key, or a lock whose indicator
// the keymap leaves undriven (common for Scroll Lock), whose state is then the parity
// of its presses.
//
// Events are read as soon as the connection has them. When the connection breaks the
// source stops reading, says it is no longer global and answers 0.

#include "platform/keystate/KeyState.h"
#include "platform/keystate/PressCounter.h"

#include <QByteArray>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace tv::keystate {

class X11KeySource final : public KeyState {
  Q_OBJECT
 public:
  // display: an X display name; empty for $DISPLAY. Check usable() afterwards.
  explicit X11KeySource(const QByteArray &display = {}, QObject *parent = nullptr);
  ~X11KeySource() override;

  // Connected, with XKB and XInput 2.2, and not broken since.
  bool usable() const;

  int GetKeyState(int vk) override;
  bool isGlobal(int vk) const override;
  void watch(int vk) override;

 private:
  struct Connection;
  void readEvents();
  void mapWatchedKey();
  void selectRawEvents(bool on);
  // The indicator's state; nullopt when the keymap does not drive it.
  std::optional<bool> indicator(int vk);
  void lost();

  std::unique_ptr<Connection> x_;
  QSocketNotifier *notifier_ = nullptr;
  PressCounter presses_;
  int watched_ = 0;
  bool broken_ = false;
};

}  // namespace tv::keystate
