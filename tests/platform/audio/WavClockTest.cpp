// The file devices' one clock: every stream runs each of its periods once, in order, on
// the shared 10 ms grid, and never after it has been removed; a stream that stops
// itself runs no more while the others go on.
#include "platform/audio/AudioClock.h"
#include "platform/audio/WavClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tv::audio {
namespace {

constexpr int64_t kPeriodNs = 10'000'000;

struct Recorder {
  std::vector<int64_t> periods;  // clock thread only until removed
  int64_t lastDueLateNs = 0;     // how late the last period ran after its end
  int stopAfter = -1;
  WavClock::Stream stream{[this](int64_t k, int64_t startNs) {
    periods.push_back(k);
    lastDueLateNs = monotonicNs() - (startNs + (k + 1) * kPeriodNs);
    return stopAfter < 0 || int(periods.size()) < stopAfter;
  }};
};

void expectInOrder(const std::vector<int64_t> &periods) {
  for (size_t i = 0; i < periods.size(); ++i) ASSERT_EQ(periods[i], int64_t(i));
}

TEST(WavClock, StreamsShareTheGridAndRunEachPeriodOnceInOrder) {
  WavClock clock;
  Recorder capture, playback, failing;
  failing.stopAfter = 3;
  const int64_t t0 = monotonicNs();
  clock.add(capture.stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(35));
  clock.add(playback.stream);
  clock.add(failing.stream);
  EXPECT_LE(capture.stream.startNs(), t0 + kPeriodNs);
  EXPECT_EQ((playback.stream.startNs() - capture.stream.startNs()) % kPeriodNs, 0);
  EXPECT_LE(playback.stream.startNs(), monotonicNs());

  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int64_t removedNs = monotonicNs();
  clock.remove(capture.stream);
  const int64_t captured = int64_t(capture.periods.size());
  const int64_t due = (removedNs - capture.stream.startNs()) / kPeriodNs;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  clock.remove(playback.stream);
  clock.remove(failing.stream);

  EXPECT_EQ(int64_t(capture.periods.size()), captured) << "a removed stream ran again";
  expectInOrder(capture.periods);
  expectInOrder(playback.periods);
  EXPECT_EQ(failing.periods.size(), 3u);
  // Real time is kept: every period that came due ran (a starved thread may still owe
  // a few), none ran before its end.
  EXPECT_LE(captured, due + 1);
  EXPECT_GE(captured, due - 5);
  EXPECT_GE(capture.lastDueLateNs, 0);

  // With nothing open the thread has ended; a new stream starts it again.
  Recorder again;
  clock.add(again.stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  clock.remove(again.stream);
  EXPECT_GE(again.periods.size(), 3u);
  expectInOrder(again.periods);
}

}  // namespace
}  // namespace tv::audio
