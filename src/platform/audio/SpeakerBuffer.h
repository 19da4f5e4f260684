#pragma once
// One speaker's adaptive jitter buffer and decoder, on the playback device's thread.
//
// Frames are kept by sequence number, at most one second ahead of play-out; later ones,
// duplicates and frames whose time has passed are dropped and counted. Each frame's
// lateness is how much later it came than the earliest frame of its talk-spurt would
// have had it come (by their timestamps); the buffer holds back the most lateness seen
// in the last ten seconds, a small margin and one render block (a frame has to be here
// when the block that starts it is rendered). A talk-spurt starts once its first frame
// has waited that long, pre-roll frames counting as already waited for, and then plays
// frame after frame, decoded only when its turn comes:
// - a missing frame whose successor is already here is rebuilt from the successor's
//   in-band redundancy (FEC); otherwise it is concealed, and if it was only late it is
//   still played when it comes (the buffer then holds that much more);
// - what the buffer holds beyond its aim (the pre-roll's 40 ms, a burst long past, a
//   sender whose clock runs fast) is given back by cutting quiet frames that also decode
//   quiet, never speech;
// - a start mark, or a break in the timestamps (the sender restarted), begins a new
//   talk-spurt with its own timing; an end mark ends one after its last sample, and
//   200 ms without a frame ends one whose end mark was lost.
// When losses are frequent the buffer keeps one frame more, so that redundancy can
// stand in for them.
//
// Threading: put() and mix() on the playback thread only; the statistics are atomics
// any thread may read.

#include "platform/audio/SpscRing.h"
#include "platform/audio/VoiceConfig.h"
#include "platform/audio/VoicePath.h"

#include <atomic>

struct OpusDecoder;

namespace tv::audio {

class SpeakerBuffer {
 public:
  static constexpr int kSlots = 64;
  static constexpr int kWindowFrames = 50;  // one second
  static constexpr int64_t kEndAfterNs = 200'000'000;
  static constexpr int64_t kMarginNs = 2'000'000;
  static constexpr int64_t kDefaultJitterNs = 10'000'000;
  static constexpr int kJitterHistory = 512;
  static constexpr int64_t kJitterHistoryNs = 10'000'000'000;
  static constexpr int kMaxConcealRun = 3;

  struct Stats {
    std::atomic<uint32_t> id{0};
    std::atomic<uint32_t> played{0};     // frames played, concealed ones included
    std::atomic<uint32_t> concealed{0};  // made up by concealment or redundancy
    std::atomic<uint32_t> dropped{0};    // late, duplicate, beyond the window or malformed
    std::atomic<int32_t> delayMs{0};     // how long frames wait here now
  };

  SpeakerBuffer();
  ~SpeakerBuffer();
  SpeakerBuffer(const SpeakerBuffer &) = delete;
  SpeakerBuffer &operator=(const SpeakerBuffer &) = delete;

  // Starts over for another speaker (0: the buffer is free).
  void assign(uint32_t id) noexcept;
  uint32_t id() const { return id_; }
  bool playing() const { return state_ != State::Idle; }
  int64_t lastArrivalNs() const { return lastArrival_; }

  // A frame from the network (size 0: one that could not be read).
  void put(const VoicePacket &packet) noexcept;
  // Adds `count` samples of this speaker into `mix`; `nowNs` is the device time of the
  // first. Start and stop of talk-spurts go to `events`.
  void mix(int32_t *mix, int count, int64_t nowNs, SpscRing<AudioEvent> &events) noexcept;
  // Ends whatever plays (the device went away).
  void stop(SpscRing<AudioEvent> &events) noexcept;

  Stats stats;

 private:
  enum class State { Idle, Waiting, Playing };
  struct Slot {
    bool used = false;
    uint8_t flags = 0;
    uint16_t sequence = 0;
    uint16_t size = 0;
    uint32_t timestamp = 0;
    int64_t arrivalNs = 0;
    int64_t latenessNs = -1;  // behind the earliest frame of its talk-spurt; -1: pre-roll
    uint8_t data[kMaxOpusBytes];
  };

  Slot *find(uint16_t sequence) noexcept;
  Slot *firstAfter(uint16_t sequence) noexcept;
  void store(const VoicePacket &p) noexcept;
  void clear() noexcept;
  void wait(uint16_t sequence) noexcept;
  // t: when the frame's first sample plays.
  bool fetch(int64_t t, SpscRing<AudioEvent> &events) noexcept;
  // False when the bytes do not decode.
  bool decode(const uint8_t *data, int size, bool fec) noexcept;
  void conceal() noexcept;
  void advance() noexcept;
  bool quietPcm() const noexcept;
  void endSpurt(SpscRing<AudioEvent> &events) noexcept;
  // How late the frame came against the earliest of its talk-spurt (-1 for pre-roll).
  int64_t noteLateness(const VoicePacket &p) noexcept;
  void noteWait(int64_t waitNs) noexcept;
  int64_t wantedSlackNs() const noexcept;

  uint32_t id_ = 0;
  OpusDecoder *decoder_ = nullptr;
  State state_ = State::Idle;
  Slot slots_[kSlots];
  uint16_t next_ = 0;    // sequence of the next frame to play
  uint32_t nextTs_ = 0;  // its expected timestamp
  int64_t startAt_ = 0;  // Waiting: when the talk-spurt's first frame starts
  int64_t blockNs_ = samplesToNs(kPeriodSamples);  // the device's last render call
  int64_t lastArrival_ = 0;
  int64_t lastEnd_ = 0;  // when the last talk-spurt ended
  bool everPlayed_ = false;
  int playedInSpurt_ = 0;
  int concealedAhead_ = 0;  // concealed frames played in place of frames not yet here
  int concealRun_ = 0;
  uint8_t lastFlags_ = 0;
  bool endPending_ = false;
  float lossRate_ = 0;

  // Decoded samples of the frame being played.
  int16_t pcm_[kFrameSamples];
  int pcmPos_ = 0, pcmLen_ = 0;

  // Jitter: how much later than the earliest frame of its talk-spurt each recent frame
  // arrived, relative to when it was spoken (pre-roll left out: it is sent late on
  // purpose).
  bool haveLast_ = false;
  uint16_t lastSeq_ = 0;
  uint32_t lastTs_ = 0;
  uint32_t spurtTs_ = 0;
  int64_t spurtLeast_ = 0;
  int64_t lateness_[kJitterHistory];
  int64_t latenessAt_[kJitterHistory];
  int latenessCount_ = 0, latenessNext_ = 0;
  // The most any frame came late in the last ten seconds: what the buffer holds back.
  int64_t jitterNs_ = kDefaultJitterNs;
  int64_t delayEma_ = 0;
};

}  // namespace tv::audio
