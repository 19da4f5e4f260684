#pragma once
// The microphone auto-level's search, without widgets: from full volume it lowers in
// steps of 1000 until the room reads silent, raises in steps of 100 until speech is
// detected (or the maximum is reached), lowers in steps of 10 until silent again, and
// succeeds there. Speech at the minimum fails. A search that has not ended after
// kMaxTicks ticks (2 minutes at 250 ms; the last descent alone may take 1000) fails too,
// so that the controls it holds are let go.
//
// Each tick is given the own row's voice column ("○" transmitting, "－" not) and the
// slider's value and range, and says what to do next.

#include <QString>

#include <optional>

namespace tv::mainwindow {

class MicAutoLevel {
 public:
  enum class Direction { Lowering, Raising };
  enum class Outcome { Running, Succeeded, Failed };
  struct Step {
    Outcome outcome = Outcome::Running;
    std::optional<int> value;  // the slider's next value, when it moves
  };
  static constexpr int kMaxTicks = 480;

  void start();
  void stop() { running_ = false; }
  bool running() const { return running_; }
  Direction direction() const { return direction_; }
  int step() const { return step_; }

  Step tick(const QString &voiceColumn, int value, int minimum, int maximum);

 private:
  Step finish(Outcome outcome);
  void turn(Direction direction);

  bool running_ = false;
  Direction direction_ = Direction::Lowering;
  int step_ = 1000;
  int ticks_ = 0;
};

}  // namespace tv::mainwindow
