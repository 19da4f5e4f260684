#include "platform/audiosetup/Chime.h"

#include "platform/audiosetup/SetupDevices.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tv::audiosetup {

std::vector<std::int16_t> MakeChime() {
  struct Note {
    double start;  // seconds
    double pitch;  // Hz
  };
  constexpr Note kNotes[] = {{0.0, 880.0}, {0.35, 698.46}};  // A5, then F5
  constexpr double kLength = 1.2;                            // seconds
  constexpr double kDecay = 4.0;                             // per second
  constexpr double kAttack = 0.005;                          // seconds, against a click
  constexpr double kPeak = 0.5;                              // -6 dBFS
  // Partials of a small bell: relative frequency and loudness.
  constexpr double kPartials[][2] = {{1.0, 1.0}, {2.0, 0.35}, {3.01, 0.15}};

  const auto total = std::size_t(kLength * kSampleRate);
  std::vector<double> mix(total, 0.0);
  for (const Note &note : kNotes) {
    for (std::size_t i = std::size_t(note.start * kSampleRate); i < total; ++i) {
      const double t = double(i) / kSampleRate - note.start;
      const double envelope = std::min(1.0, t / kAttack) * std::exp(-kDecay * t);
      double v = 0;
      for (const auto &p : kPartials)
        v += p[1] * std::sin(2 * std::numbers::pi * note.pitch * p[0] * t);
      mix[i] += envelope * v;
    }
  }
  double loudest = 1e-9;
  for (const double v : mix) loudest = std::max(loudest, std::abs(v));
  std::vector<std::int16_t> out(total);
  const double scale = kPeak * kFullScale / loudest;
  for (std::size_t i = 0; i < total; ++i) out[i] = std::int16_t(std::lround(mix[i] * scale));
  return out;
}

}  // namespace tv::audiosetup
