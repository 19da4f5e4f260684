#pragma once
// Peak levels on the voice service's meter scale, 0 to 99: 99 × peak / full scale.
// Level 1, the voice activation threshold, is thus about -40 dBFS. A device thread
// notes blocks; the UI thread takes the highest level since it last looked.

#include "platform/audiosetup/SetupDevices.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace tv::audiosetup {

class PeakMeter {
 public:
  static int levelOf(int absPeak) { return std::min(99, absPeak * 99 / kFullScale); }
  static int levelOf(const std::int16_t *samples, int count) {
    int peak = 0;
    for (int i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(samples[i])));
    return levelOf(peak);
  }

  // Device thread.
  void note(const std::int16_t *samples, int count) { raise(levelOf(samples, count)); }
  void raise(int level) {
    int seen = level_.load(std::memory_order_relaxed);
    while (level > seen && !level_.compare_exchange_weak(seen, level, std::memory_order_relaxed)) {
    }
  }
  // UI thread: the highest level since the last call.
  int take() { return level_.exchange(0, std::memory_order_relaxed); }

 private:
  std::atomic<int> level_{0};
};

}  // namespace tv::audiosetup
