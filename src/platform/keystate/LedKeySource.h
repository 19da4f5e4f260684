#pragma once
// Lock states from the keyboard LEDs the kernel lists under /sys/class/leds
// ("input3::capslock" and the like), which any user may read. Used where no X server
// tells them (a Wayland session). A lock is global while a readable LED of its kind
// exists; when the files vanish the source says so.

#include "platform/keystate/KeyState.h"

#include <QString>
#include <QStringList>

namespace tv::keystate {

class LedKeySource final : public KeyState {
  Q_OBJECT
 public:
  explicit LedKeySource(QString root = QStringLiteral("/sys/class/leds"),
                        QObject *parent = nullptr);

  // 1 while any LED of the lock is lit.
  int GetKeyState(int vk) override;
  bool isGlobal(int vk) const override { return vk != 0 && vk == watched_ && !leds_.isEmpty(); }
  // Looks for the lock's LEDs; other keys have none.
  void watch(int vk) override;

 private:
  QString root_;
  int watched_ = 0;
  QStringList leds_;  // brightness files of the watched lock
};

}  // namespace tv::keystate
