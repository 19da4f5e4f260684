#pragma once
// What the speakers play, on the playback device's thread: the frames the network
// handed over go to their speakers' jitter buffers (up to 16 speakers at once), each
// block mixes the speakers that play, saturating, then applies the playback volume or
// mute. The peak after the volume is the output level. What is played is also handed
// to the capture side's echo canceller.
//
// Threading: render() runs on the playback device's thread and never blocks or
// allocates; the rest is for the UI thread.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/CaptureProcessor.h"
#include "platform/audio/SpeakerBuffer.h"

#include <memory>
#include <vector>

namespace tv::audio {

struct SpeakerStatsView {
  uint32_t id = 0;
  uint32_t played = 0, concealed = 0, dropped = 0;
  int32_t delayMs = 0;
};

class PlaybackMixer final : public PlaybackSource {
 public:
  static constexpr int kMaxSpeakers = 16;
  static constexpr int64_t kStaleNs = 1'000'000'000;

  PlaybackMixer(const SharedVoiceSettings &settings, std::shared_ptr<VoicePath> path,
                EchoReference *reference);
  ~PlaybackMixer() override;

  void render(int16_t *out, int count, int64_t nowNs, int64_t heardNs) noexcept override;

  // UI thread.
  // The highest output level since the last call.
  int takeLevel() { return level_.exchange(0, std::memory_order_relaxed); }
  bool popEvent(AudioEvent &event) { return events_.pop(event); }
  uint32_t appliedGeneration() const { return applied_.load(std::memory_order_acquire); }
  // Every speaker heard since the path opened.
  std::vector<SpeakerStatsView> stats() const;
  // While no device pulls from it (closed, lost): whoever was playing stops.
  void interrupt();

 private:
  SpeakerBuffer *speakerFor(uint32_t id) noexcept;
  void renderChunk(int16_t *out, int count, int64_t nowNs) noexcept;

  const SharedVoiceSettings &settings_;
  std::shared_ptr<VoicePath> path_;
  EchoReference *reference_;
  std::unique_ptr<SpeakerBuffer[]> speakers_;
  // Device thread: bit i is set once slot i has a speaker (slots are never emptied), so
  // a quiet session does not touch sixteen idle buffers every period.
  uint32_t used_ = 0;
  int32_t mix_[kFrameSamples];
  EchoBlock echo_;
  int echoFill_ = 0;
  std::atomic<int> level_{0};
  std::atomic<uint32_t> applied_{0};
  SpscRing<AudioEvent> events_{256};
};

}  // namespace tv::audio
