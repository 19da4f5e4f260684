#include "common/VoiceSignal.h"

#include "platform/audio/WavFile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <random>

namespace tv::test {

namespace {
constexpr int kRate = 48000;
constexpr int kDecimation = 12;  // the coarse search runs at 4 kHz
}  // namespace

std::vector<int16_t> speechSignal(double seconds, unsigned seed, double leadSeconds) {
  std::mt19937 rnd(seed);
  const auto uniform = [&](double a, double b) {
    return std::uniform_real_distribution<double>(a, b)(rnd);
  };
  const size_t n = size_t(seconds * kRate);
  std::vector<double> out(n, 0.0);
  size_t t = size_t(leadSeconds * kRate);
  double pitch = 140, phase = 0;
  while (t < n) {
    const size_t syllable = size_t(uniform(0.12, 0.28) * kRate);
    const double brightness = uniform(0.5, 1.0);
    for (size_t i = 0; i < syllable && t + i < n; ++i) {
      pitch = std::clamp(pitch + uniform(-0.6, 0.6), 90.0, 220.0);
      phase += 2 * M_PI * pitch / kRate;
      const double envelope = std::pow(std::sin(M_PI * double(i) / double(syllable)), 2);
      double v = 0;
      for (int k = 1; k <= 12; ++k) v += std::sin(k * phase) * std::pow(brightness, k) / k;
      out[t + i] = envelope * v;
    }
    // Phrases of about eight syllables, as in conversation.
    const bool pause = uniform(0, 1) < 0.12;
    t += syllable + size_t((pause ? uniform(0.35, 0.7) : uniform(0.04, 0.15)) * kRate);
  }
  double peak = 1e-9;
  for (const double v : out) peak = std::max(peak, std::abs(v));
  const double scale = 32767 * std::pow(10.0, -12 / 20.0) / peak;
  std::vector<int16_t> samples(n);
  for (size_t i = 0; i < n; ++i) samples[i] = int16_t(std::lround(out[i] * scale));
  return samples;
}

void writeWav(const QString &path, const std::vector<int16_t> &samples) {
  audio::WavWriter writer;
  QString error;
  if (!writer.create(path, error)) return;
  writer.append(samples.data(), int(samples.size()));
  writer.close();
}

std::vector<int16_t> readWav(const QString &path) {
  QString error;
  auto samples = audio::readWavFile(path, error);
  return samples ? std::move(*samples) : std::vector<int16_t>{};
}

namespace {

std::vector<float> decimate(const std::vector<int16_t> &s) {
  std::vector<float> d(s.size() / kDecimation);
  for (size_t i = 0; i < d.size(); ++i) {
    float sum = 0;
    for (int k = 0; k < kDecimation; ++k) sum += s[i * kDecimation + size_t(k)];
    d[i] = sum / kDecimation;
  }
  return d;
}

struct Sums {
  double xy = 0, xx = 0, yy = 0;
  double correlation() const { return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0; }
};

// Over reference indices [from, to) that have a counterpart at `lag`.
template <class T>
Sums correlate(const std::vector<T> &x, const std::vector<T> &y, int64_t lag, int64_t from,
               int64_t to) {
  Sums s;
  from = std::max<int64_t>(from, -lag);
  to = std::min<int64_t>({to, int64_t(x.size()), int64_t(y.size()) - lag});
  for (int64_t i = from; i < to; ++i) {
    const double a = x[size_t(i)], b = y[size_t(i + lag)];
    s.xy += a * b;
    s.xx += a * a;
    s.yy += b * b;
  }
  return s;
}

}  // namespace

Match findDelay(const std::vector<int16_t> &reference, const std::vector<int16_t> &signal,
                int64_t minLag, int64_t maxLag, size_t from, size_t to) {
  const std::vector<float> x = decimate(reference), y = decimate(signal);
  const int64_t cFrom = int64_t(from / kDecimation);
  const int64_t cTo = to == SIZE_MAX ? int64_t(x.size()) : int64_t(to / kDecimation);
  std::vector<double> coarse;
  for (int64_t l = minLag / kDecimation; l <= maxLag / kDecimation; ++l)
    coarse.push_back(correlate(x, y, l, cFrom, cTo).correlation());
  Match m;
  if (coarse.empty()) return m;
  const size_t best = size_t(std::max_element(coarse.begin(), coarse.end()) - coarse.begin());
  const int64_t coarseLag = (minLag / kDecimation + int64_t(best)) * kDecimation;
  m.correlation = -1;
  const int64_t end = to == SIZE_MAX ? int64_t(reference.size()) : int64_t(to);
  for (int64_t l = coarseLag - kDecimation; l <= coarseLag + kDecimation; ++l) {
    const Sums s = correlate(reference, signal, l, int64_t(from), end);
    if (s.correlation() > m.correlation) {
      m.correlation = s.correlation();
      m.lag = l;
      m.gainDb = s.xx > 0 && s.yy > 0 ? 10 * std::log10(s.yy / s.xx) : -100;
    }
  }
  constexpr int64_t kApart = kRate / 50 / kDecimation;  // 20 ms
  for (size_t i = 0; i < coarse.size(); ++i)
    if (std::abs(int64_t(i) - int64_t(best)) > kApart)
      m.otherPeak = std::max(m.otherPeak, coarse[i]);
  return m;
}

double peakDbfs(const std::vector<int16_t> &samples, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = from; i < std::min(to, samples.size()); ++i)
    peak = std::max(peak, std::abs(int(samples[i])));
  return peak > 0 ? 20 * std::log10(peak / 32768.0) : -120;
}

}  // namespace tv::test
