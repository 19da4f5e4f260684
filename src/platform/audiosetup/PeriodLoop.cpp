#include "platform/audiosetup/PeriodLoop.h"

#include <chrono>

namespace tv::audiosetup {

void PeriodLoop::start(std::function<bool()> step) {
  stop();
  step_ = std::move(step);
  failed_.store(false, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] { run(); });
}

void PeriodLoop::stop() {
  running_.store(false, std::memory_order_release);
  if (thread_.joinable()) thread_.join();
}

void PeriodLoop::run() {
  using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC
  constexpr auto kPeriod = std::chrono::milliseconds(kPeriodMs);
  const Clock::time_point origin = Clock::now();
  long long done = 0;
  while (running_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_until(origin + (done + 1) * kPeriod);
    const long long due = (Clock::now() - origin) / kPeriod;
    while (done < due && running_.load(std::memory_order_acquire)) {
      if (!step_()) {
        failed_.store(true, std::memory_order_release);
        return;
      }
      ++done;
    }
  }
}

}  // namespace tv::audiosetup
