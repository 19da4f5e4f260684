#pragma once
// The part of the voice client's configuration the audio path obeys, handed from the
// UI thread to the device threads through atomics. A device thread reads it once per
// frame, so a change takes effect within one frame; `applied` tells the UI thread when
// it has.

#include <atomic>
#include <cstdint>

namespace tv::audio {

// Configuration flags the audio path reads (the voice client's values).
inline constexpr uint32_t kRecordMute = 1;
inline constexpr uint32_t kPlaybackMute = 2;
inline constexpr uint32_t kEchoSuppression = 32;

struct VoiceSettings {
  uint32_t flags = 0;
  int32_t recordVolume = 0;    // hundredths of a dB
  int32_t playbackVolume = 0;  // hundredths of a dB
  int32_t threshold = 1;       // 0..99
};

class SharedVoiceSettings {
 public:
  // UI thread.
  uint32_t publish(const VoiceSettings &s) {
    flags_.store(s.flags, std::memory_order_relaxed);
    recordVolume_.store(s.recordVolume, std::memory_order_relaxed);
    playbackVolume_.store(s.playbackVolume, std::memory_order_relaxed);
    threshold_.store(s.threshold, std::memory_order_relaxed);
    return generation_.fetch_add(1, std::memory_order_release) + 1;
  }
  // Device threads: the settings and the generation they belong to.
  VoiceSettings read(uint32_t &generation) const {
    generation = generation_.load(std::memory_order_acquire);
    return {flags_.load(std::memory_order_relaxed), recordVolume_.load(std::memory_order_relaxed),
            playbackVolume_.load(std::memory_order_relaxed),
            threshold_.load(std::memory_order_relaxed)};
  }

 private:
  std::atomic<uint32_t> flags_{0};
  std::atomic<int32_t> recordVolume_{0};
  std::atomic<int32_t> playbackVolume_{0};
  std::atomic<int32_t> threshold_{1};
  std::atomic<uint32_t> generation_{0};
};

// Events from the device threads to the UI thread.
struct AudioEvent {
  enum Kind : uint8_t { RecordStart, RecordStop, VoiceStart, VoiceStop } kind = RecordStart;
  uint32_t value = 0;  // the level (record events) or the speaker's player ID
};

// Stores the larger of the held and the given value.
inline void storeMax(std::atomic<int> &held, int value) {
  int old = held.load(std::memory_order_relaxed);
  while (value > old && !held.compare_exchange_weak(old, value, std::memory_order_relaxed)) {
  }
}

}  // namespace tv::audio
