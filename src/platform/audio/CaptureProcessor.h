#pragma once
// What happens to the microphone's sound, on the capture device's thread: 20 ms frames,
// the record volume as a gain, the peak level (0-99, after the volume and before noise
// suppression), the echo canceller when asked for, noise suppression, manual voice
// activation and Opus. Encoded frames go to the network through the voice path.
//
// Voice activation: a frame whose level reaches the threshold is speech. The first
// speech frame starts a talk-spurt, sent after the two frames before it (the pre-roll,
// so that a word's soft beginning is heard); frames keep going out for 300 ms after the
// last speech frame (the hold, marked quiet), the last of them marked as the end.
// Record mute sends nothing and reads level 0.
//
// Noise suppression runs on every frame that is sent. While nothing is sent it runs on
// one frame in four, which keeps its noise estimate current at a quarter of the cost.
//
// Threading: captured() runs on the capture device's thread and never blocks or
// allocates. Settings arrive through SharedVoiceSettings; events leave through a ring.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/SpscRing.h"
#include "platform/audio/VoiceConfig.h"
#include "platform/audio/VoicePath.h"

#include <atomic>
#include <memory>

struct OpusEncoder;
struct SpeexPreprocessState_;
struct SpeexEchoState_;

namespace tv::audio {

// A block of what playback sent to the speakers, for the echo canceller.
struct EchoBlock {
  int16_t samples[kPeriodSamples];
};
using EchoReference = SpscRing<EchoBlock>;

class CaptureProcessor final : public CaptureSink {
 public:
  static constexpr int kHoldFrames = 15;    // 300 ms
  static constexpr int kPreRollFrames = 2;  // 40 ms
  static constexpr int kIdleNoiseStride = 4;
  // Noise suppression and echo cancelling work in pieces this long (3.3 ms): their output
  // comes one piece late, so short pieces keep the delay they add small.
  static constexpr int kDspSamples = kSampleRate / 300;

  // `bitsPerSecond`: the session codec's. `echoAlways`: the echo canceller runs even
  // without the configuration's flag (the user's setting). `reference` may be null.
  CaptureProcessor(const SharedVoiceSettings &settings, std::shared_ptr<VoicePath> path,
                   int bitsPerSecond, bool echoAlways, EchoReference *reference);
  ~CaptureProcessor() override;
  CaptureProcessor(const CaptureProcessor &) = delete;
  CaptureProcessor &operator=(const CaptureProcessor &) = delete;

  void captured(const int16_t *samples, int count, int64_t firstSampleNs) noexcept override;

  // UI thread.
  int level() const { return level_.load(std::memory_order_relaxed); }
  uint32_t appliedGeneration() const { return applied_.load(std::memory_order_acquire); }
  bool popEvent(AudioEvent &event) { return events_.pop(event); }
  // While no device feeds it (closed, lost): a talk-spurt in progress ends here, with
  // its RecordStop. The receivers notice the missing end themselves.
  void interrupt();

 private:
  void processFrame() noexcept;
  void startSpurt(int level) noexcept;
  void endSpurt(int level) noexcept;
  void suppressNoise(int16_t *frame) noexcept;
  void cancelEcho(int16_t *mic, const int16_t *played) noexcept;
  void send(const int16_t *pcm, uint32_t timestamp, uint8_t flags) noexcept;
  void event(AudioEvent::Kind kind, int level) noexcept;

  const SharedVoiceSettings &settings_;
  std::shared_ptr<VoicePath> path_;
  const bool echoAlways_;
  EchoReference *reference_;
  OpusEncoder *encoder_ = nullptr;
  SpeexPreprocessState_ *noise_ = nullptr;
  SpeexEchoState_ *echo_ = nullptr;
  bool echoOn_ = false;

  int16_t frame_[kFrameSamples];
  int filled_ = 0;
  uint32_t timestamp_ = 0;  // of the frame being filled, on this capture clock
  uint16_t sequence_;
  bool transmitting_ = false;
  int hold_ = 0;
  int idleFrames_ = 0;
  // The last frames before a talk-spurt (after volume and echo canceller, before noise
  // suppression), oldest first.
  int16_t history_[kPreRollFrames][kFrameSamples];
  uint32_t historyTs_[kPreRollFrames];
  int historyCount_ = 0;
  int16_t scratch_[kFrameSamples];
  int16_t echoOut_[kDspSamples];

  std::atomic<int> level_{0};
  std::atomic<uint32_t> applied_{0};
  SpscRing<AudioEvent> events_{256};
};

}  // namespace tv::audio
