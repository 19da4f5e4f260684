#include "mainwindow/MicAutoLevel.h"

namespace tv::mainwindow {
namespace {
const QString kSilent = QStringLiteral("－");
const QString kTalking = QStringLiteral("○");
}  // namespace

void MicAutoLevel::start() {
  running_ = true;
  direction_ = Direction::Lowering;
  step_ = 1000;
  ticks_ = 0;
}

MicAutoLevel::Step MicAutoLevel::finish(Outcome outcome) {
  running_ = false;
  return {outcome, std::nullopt};
}

void MicAutoLevel::turn(Direction direction) {
  direction_ = direction;
  step_ /= 10;
}

MicAutoLevel::Step MicAutoLevel::tick(const QString &voiceColumn, int value, int minimum,
                                      int maximum) {
  if (!running_) return {Outcome::Failed, std::nullopt};
  Step next;
  if (direction_ == Direction::Lowering) {
    // Only the silent mark counts as silence here; anything else is taken as speech.
    if (voiceColumn == kSilent) {
      if (step_ == 10) return finish(Outcome::Succeeded);
      turn(Direction::Raising);
    } else if (value - step_ >= minimum) {
      next.value = value - step_;
    } else {
      return finish(Outcome::Failed);
    }
  } else {
    // Only the talking mark counts as speech here.
    if (voiceColumn == kTalking)
      turn(Direction::Lowering);
    else if (value + step_ <= maximum)
      next.value = value + step_;
    else
      turn(Direction::Lowering);
  }
  if (++ticks_ >= kMaxTicks) return finish(Outcome::Failed);
  return next;
}

}  // namespace tv::mainwindow
