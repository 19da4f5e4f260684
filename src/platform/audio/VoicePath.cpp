#include "platform/audio/VoicePath.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace tv::audio {

VoicePath::VoicePath() : readyFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

VoicePath::~VoicePath() {
  if (readyFd_ >= 0) ::close(readyFd_);
}

void VoicePath::signalOutgoing() noexcept {
  if (readyFd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(readyFd_, &one, sizeof one);
}

void VoicePath::clearSignal() noexcept {
  if (readyFd_ < 0) return;
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(readyFd_, &count, sizeof count);
}

}  // namespace tv::audio
