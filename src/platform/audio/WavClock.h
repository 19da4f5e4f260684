#pragma once
// The clock of the file devices: one thread for capture and playback, as a sound card
// has one clock for both directions. It wakes every 10 ms on CLOCK_MONOTONIC while any
// stream is open and runs each open stream's periods that are due; a late wake-up runs
// every period that came due meanwhile, so a stream's time never stretches. With nothing
// open the thread ends, so a closed device costs nothing.
//
// Threading: add() and remove() are called by the streams' owner; the periods run on
// the clock's thread, one stream after the other, under the clock's lock. remove()
// returns only when the stream's period is not running and never will again.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tv::audio {

class WavClock {
 public:
  // Runs period k of a stream that started at startNs (the period starts at
  // startNs + k × 10 ms and is due at its end); false stops that stream.
  using Period = std::function<bool(int64_t k, int64_t startNs)>;

  class Stream {
   public:
    explicit Stream(Period period) : period_(std::move(period)) {}
    // On the period grid, not after the moment the stream was added.
    int64_t startNs() const { return startNs_; }

   private:
    friend class WavClock;
    Period period_;
    int64_t startNs_ = 0;
    int64_t next_ = 0;  // the next period to run
    bool stopped_ = false;
  };

  WavClock() = default;
  ~WavClock();
  WavClock(const WavClock &) = delete;
  WavClock &operator=(const WavClock &) = delete;

  // The stream's first period is the one now running on the grid; it is due at its end.
  void add(Stream &stream);
  void remove(Stream &stream);

 private:
  void run();

  std::mutex mutex_;  // guards everything below
  std::condition_variable ended_;
  std::vector<Stream *> streams_;
  std::thread thread_;
  bool running_ = false;  // the thread is in its loop
  int64_t gridNs_ = 0;    // a period boundary of the running thread
};

}  // namespace tv::audio
