#pragma once
// A thread that runs one step per 10 ms period of real time, on the monotonic clock,
// as a sound device's hardware would: period n is handled once its end, start + (n+1)
// × 10 ms, has passed. A late wake-up runs every period that is due, so the stream's
// time never stretches. The file-backed sound devices use it.

#include <atomic>
#include <functional>
#include <thread>

namespace tv::audiosetup {

class PeriodLoop {
 public:
  static constexpr int kPeriodMs = 10;

  ~PeriodLoop() { stop(); }

  // Starts the thread. `step` runs on it once per period and returns false to end the
  // loop (the device failed). Not to be called while running.
  void start(std::function<bool()> step);
  // Ends the loop and waits for the thread: no step runs after it returns. Any thread
  // but the loop's own.
  void stop();
  // The loop ended because a step returned false.
  bool failed() const { return failed_.load(std::memory_order_acquire); }

 private:
  void run();

  std::function<bool()> step_;
  std::atomic<bool> running_{false};
  std::atomic<bool> failed_{false};
  std::thread thread_;
};

}  // namespace tv::audiosetup
