#pragma once
// Test signals for the voice path and how to compare what came out with what went in.
// No recorded samples: speech is generated.

#include <QString>

#include <cstdint>
#include <vector>

namespace tv::test {

// Speech-like sound at 48 kHz: harmonics on a wandering pitch under a syllable envelope,
// syllables of 120-280 ms with short gaps, in phrases of about eight syllables between
// pauses long enough to end a talk-spurt; peaks at -12 dBFS. The same seed gives the same samples.
// `leadSeconds` of silence come first.
std::vector<int16_t> speechSignal(double seconds, unsigned seed = 1, double leadSeconds = 0.5);

// A voice-format WAV file (48 kHz mono 16 bit); an empty vector when unreadable.
void writeWav(const QString &path, const std::vector<int16_t> &samples);
std::vector<int16_t> readWav(const QString &path);

struct Match {
  double correlation = 0;  // normalised cross-correlation at the best lag
  int64_t lag = 0;         // samples: signal[i + lag] matches reference[i]
  double otherPeak = 0;    // best correlation more than 20 ms away from it
  double gainDb = 0;       // energy of the signal against the reference, where they match
};

// Where reference samples [from, to) appear in `signal`, searching lags from minLag to
// maxLag samples. Both sides are compared over that stretch only.
Match findDelay(const std::vector<int16_t> &reference, const std::vector<int16_t> &signal,
                int64_t minLag, int64_t maxLag, size_t from = 0, size_t to = SIZE_MAX);

// Peak level in dB relative to full scale of samples [from, to).
double peakDbfs(const std::vector<int16_t> &samples, size_t from = 0, size_t to = SIZE_MAX);

}  // namespace tv::test
