#pragma once
// The one format of the voice path: 48 kHz, mono, 16-bit samples, 20 ms frames. Volumes
// are hundredths of a decibel (0 full, -10000 silent); levels run from 0 to 99.

#include <cstdint>

namespace tv::audio {

inline constexpr int kSampleRate = 48000;
inline constexpr int kFrameSamples = 960;   // 20 ms: one Opus frame
inline constexpr int kPeriodSamples = 480;  // 10 ms: the period the file devices keep
inline constexpr int64_t kFrameNs = 20'000'000;
inline constexpr int kMaxOpusBytes = 1275;  // largest Opus packet of one frame

inline constexpr int32_t kVolumeSilent = -10000;

// Linear gain of a volume; exactly 0 at -10000 and 1 at 0 or above.
float volumeGain(int32_t hundredthsDb);

// 99 × peak / full scale, rounded down: 1 is about -40 dBFS.
int peakLevel(int peak);

// Nanoseconds of `samples` at the voice rate.
inline constexpr int64_t samplesToNs(int64_t samples) {
  return samples * 1'000'000'000 / kSampleRate;
}

// Saturates a mixed or amplified sample to 16 bits.
inline int16_t saturate16(int32_t v) {
  return int16_t(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

}  // namespace tv::audio
