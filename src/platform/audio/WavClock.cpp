#include "platform/audio/WavClock.h"

#include "platform/audio/AudioClock.h"
#include "platform/audio/AudioFormat.h"

#include <algorithm>

namespace tv::audio {

namespace {
constexpr int64_t kPeriodNs = samplesToNs(kPeriodSamples);
}  // namespace

WavClock::~WavClock() {
  std::unique_lock lock(mutex_);
  streams_.clear();
  ended_.wait(lock, [this] { return !running_; });
  lock.unlock();
  if (thread_.joinable()) thread_.join();
}

void WavClock::add(Stream &stream) {
  std::unique_lock lock(mutex_);
  const int64_t now = monotonicNs();
  if (!running_) {
    // The previous thread has left its loop (or there was none): only its end is left.
    if (thread_.joinable()) thread_.join();
    gridNs_ = now;
    running_ = true;
    thread_ = std::thread([this] { run(); });
  }
  stream.startNs_ = gridNs_ + (now - gridNs_) / kPeriodNs * kPeriodNs;
  stream.next_ = 0;
  stream.stopped_ = false;
  streams_.push_back(&stream);
}

void WavClock::remove(Stream &stream) {
  // The periods run under the lock: once it is held, this stream's is not running.
  std::lock_guard lock(mutex_);
  streams_.erase(std::remove(streams_.begin(), streams_.end(), &stream), streams_.end());
}

void WavClock::run() {
  std::unique_lock lock(mutex_);
  int64_t tick = gridNs_;
  while (!streams_.empty()) {
    tick += kPeriodNs;
    lock.unlock();
    sleepUntilNs(tick);
    const int64_t now = monotonicNs();
    lock.lock();
    for (Stream *s : streams_) {
      while (!s->stopped_ && now >= s->startNs_ + (s->next_ + 1) * kPeriodNs) {
        if (!s->period_(s->next_, s->startNs_)) s->stopped_ = true;
        ++s->next_;
      }
    }
    // After a late wake-up the next tick is the next boundary still ahead.
    if (now >= tick + kPeriodNs) tick += (now - tick) / kPeriodNs * kPeriodNs;
  }
  running_ = false;
  ended_.notify_all();
}

}  // namespace tv::audio
