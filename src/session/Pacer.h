#pragma once
// The two waits the session steps make between platform calls: a pause (sleep 50 ms,
// then let pending events run) and a pump (let pending events run). Code after either
// must expect other handlers, platform callbacks included, to have run. The program
// uses UiPacer; tests pass a pacer that does not sleep.

namespace tv::session {

class Pacer {
 public:
  virtual ~Pacer() = default;
  virtual void Pause() = 0;
  virtual void Pump() = 0;
};

// tv::app::PauseMs(50) and one turn of the event loop.
class UiPacer final : public Pacer {
 public:
  static constexpr int kPauseMs = 50;
  void Pause() override;
  void Pump() override;
};

}  // namespace tv::session
