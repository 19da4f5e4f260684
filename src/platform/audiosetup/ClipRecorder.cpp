#include "platform/audiosetup/ClipRecorder.h"

#include <algorithm>

namespace tv::audiosetup {

void ClipRecorder::reset(std::size_t capacity) {
  buffer_.assign(capacity, 0);
  taken_.store(0, std::memory_order_release);
  maxLevel_.store(0, std::memory_order_relaxed);
  meter_.take();
}

void ClipRecorder::push(const std::int16_t *samples, int count) {
  meter_.note(samples, count);
  const std::size_t at = taken_.load(std::memory_order_relaxed);
  const std::size_t n = std::min(buffer_.size() - at, std::size_t(std::max(count, 0)));
  if (n == 0) return;
  std::copy_n(samples, n, buffer_.begin() + std::ptrdiff_t(at));
  const int level = PeakMeter::levelOf(samples, int(n));
  if (level > maxLevel_.load(std::memory_order_relaxed))
    maxLevel_.store(level, std::memory_order_relaxed);  // one writer: the device thread
  taken_.store(at + n, std::memory_order_release);
}

std::vector<std::int16_t> ClipRecorder::samples() const {
  return {buffer_.begin(), buffer_.begin() + std::ptrdiff_t(taken())};
}

}  // namespace tv::audiosetup
