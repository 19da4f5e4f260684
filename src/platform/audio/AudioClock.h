#pragma once
// The one clock of the audio path: CLOCK_MONOTONIC in nanoseconds. Device periods,
// arrival times of frames and the play-out decisions are all on it. Reading it is a
// vDSO call: safe on real-time threads.

#include <cstdint>
#include <ctime>

namespace tv::audio {

inline int64_t monotonicNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Sleeps until the absolute time on the clock (a late wake-up is the caller's to
// handle). Interrupted sleeps are resumed.
inline void sleepUntilNs(int64_t when) {
  timespec t{time_t(when / 1'000'000'000), long(when % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
}

}  // namespace tv::audio
