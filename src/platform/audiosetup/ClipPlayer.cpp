#include "platform/audiosetup/ClipPlayer.h"

#include <algorithm>

namespace tv::audiosetup {

void ClipPlayer::load(std::vector<std::int16_t> clip) {
  clip_ = std::move(clip);
  pulled_.store(0, std::memory_order_release);
  meter_.take();
}

void ClipPlayer::pull(std::int16_t *out, int count) {
  if (count <= 0) return;
  const std::size_t at = pulled_.load(std::memory_order_relaxed);
  const std::size_t n = at < clip_.size() ? std::min(clip_.size() - at, std::size_t(count)) : 0;
  std::copy_n(clip_.begin() + std::ptrdiff_t(std::min(at, clip_.size())), n, out);
  std::fill(out + n, out + count, std::int16_t(0));
  meter_.note(out, count);
  pulled_.store(at + std::size_t(count), std::memory_order_release);
}

}  // namespace tv::audiosetup
