#pragma once
// Plays one clip from its start, then silence. load is for the UI thread while no
// device pulls; pull for the device thread; the rest for either.

#include "platform/audiosetup/PeakMeter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tv::audiosetup {

class ClipPlayer {
 public:
  // Silence after the clip before it counts as finished, so that the device's own
  // buffer has played out too.
  static constexpr std::size_t kTailSamples = kSampleRate / 5;

  void load(std::vector<std::int16_t> clip);
  void pull(std::int16_t *out, int count);

  // The clip and its tail of silence have gone to the device.
  bool finished() const {
    return pulled_.load(std::memory_order_acquire) >= clip_.size() + kTailSamples;
  }
  PeakMeter &meter() { return meter_; }

 private:
  std::vector<std::int16_t> clip_;
  std::atomic<std::size_t> pulled_{0};
  PeakMeter meter_;
};

}  // namespace tv::audiosetup
