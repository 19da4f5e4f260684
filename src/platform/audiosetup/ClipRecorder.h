#pragma once
// Keeps the first samples a microphone delivers, up to a fixed length, in a buffer
// made beforehand, so that the device thread never allocates. reset and samples are
// for the UI thread while no device feeds the recorder; push is for the device thread;
// the rest for either.

#include "platform/audiosetup/PeakMeter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tv::audiosetup {

class ClipRecorder {
 public:
  void reset(std::size_t capacity);
  void push(const std::int16_t *samples, int count);

  bool full() const { return taken() == buffer_.size(); }
  std::size_t taken() const { return taken_.load(std::memory_order_acquire); }
  // The highest level among the samples kept.
  int maxLevel() const { return maxLevel_.load(std::memory_order_relaxed); }
  PeakMeter &meter() { return meter_; }
  // The samples kept, taken() of them.
  std::vector<std::int16_t> samples() const;

 private:
  std::vector<std::int16_t> buffer_;
  std::atomic<std::size_t> taken_{0};
  std::atomic<int> maxLevel_{0};
  PeakMeter meter_;
};

}  // namespace tv::audiosetup
