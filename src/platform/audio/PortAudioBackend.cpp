#include "platform/audio/PortAudioBackend.h"

#include "platform/audio/AudioClock.h"
#include "platform/audio/AudioFormat.h"

#include <portaudio.h>
#include <speex/speex_resampler.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace tv::audio {

namespace {

constexpr int kResamplerQuality = 5;
constexpr int64_t kSilentCallbackLimitNs = 1'000'000'000;
constexpr int kMaxChannels = 2;

struct Device {
  PaStreamParameters params{};
  double rate = kSampleRate;
  QString name;
};

// The default device in the voice format, or else in its own rate and channels.
bool chooseFormat(bool input, Device &d, QString &error) {
  const PaDeviceIndex index = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
  const PaDeviceInfo *info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
  if (!info) {
    error = input ? QStringLiteral("no capture device") : QStringLiteral("no playback device");
    return false;
  }
  d.name = QString::fromUtf8(info->name);
  d.params.device = index;
  d.params.sampleFormat = paInt16;
  d.params.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
  d.params.channelCount = 1;
  const PaStreamParameters *in = input ? &d.params : nullptr;
  const PaStreamParameters *out = input ? nullptr : &d.params;
  if (Pa_IsFormatSupported(in, out, kSampleRate) == paFormatIsSupported) return true;
  d.rate = info->defaultSampleRate;
  const int channels = input ? info->maxInputChannels : info->maxOutputChannels;
  d.params.channelCount = std::clamp(channels, 1, kMaxChannels);
  const PaError e = Pa_IsFormatSupported(in, out, d.rate);
  if (e == paFormatIsSupported) return true;
  error = QStringLiteral("%1: %2").arg(d.name, QString::fromUtf8(Pa_GetErrorText(e)));
  return false;
}

// Base of both directions: PortAudio's initialisation, the stream and its loss.
class PaStreamBase : public AudioStream {
 public:
  ~PaStreamBase() override { close(); }
  QString deviceName() const override { return device_.name; }
  bool lost() const override {
    if (lost_.load() || !stream_) return true;
    return monotonicNs() - lastCallbackNs_.load() > kSilentCallbackLimitNs;
  }

 protected:
  // Initialises PortAudio and chooses the device's format; false with `error`.
  bool prepare(bool input, QString &error) {
    input_ = input;
    const PaError init = Pa_Initialize();
    if (init != paNoError) {
      error = QString::fromUtf8(Pa_GetErrorText(init));
      return false;
    }
    initialised_ = true;
    return chooseFormat(input, device_, error);
  }
  // Opens and starts the stream; false with `error`.
  bool run(QString &error) {
    const bool input = input_;
    const unsigned long frames = (unsigned long)(device_.rate / 100);
    const PaError e = Pa_OpenStream(&stream_, input ? &device_.params : nullptr,
                                    input ? nullptr : &device_.params, device_.rate, frames,
                                    paNoFlag, &PaStreamBase::callback, this);
    if (e != paNoError) {
      stream_ = nullptr;
      error = QStringLiteral("%1: %2").arg(device_.name, QString::fromUtf8(Pa_GetErrorText(e)));
      return false;
    }
    Pa_SetStreamFinishedCallback(stream_, &PaStreamBase::finished);
    lastCallbackNs_.store(monotonicNs());
    if (const PaError s = Pa_StartStream(stream_); s != paNoError) {
      error = QStringLiteral("%1: %2").arg(device_.name, QString::fromUtf8(Pa_GetErrorText(s)));
      return false;
    }
    return true;
  }
  void close() {
    if (stream_) {
      stopping_.store(true);
      Pa_StopStream(stream_);
      Pa_CloseStream(stream_);
      stream_ = nullptr;
    }
    if (initialised_) Pa_Terminate();
    initialised_ = false;
  }
  virtual void process(const void *input, void *output, unsigned long frames,
                       const PaStreamCallbackTimeInfo *time) noexcept = 0;

  Device device_;
  int channels() const { return device_.params.channelCount; }

 private:
  static int callback(const void *input, void *output, unsigned long frames,
                      const PaStreamCallbackTimeInfo *time, PaStreamCallbackFlags, void *self) {
    auto *s = static_cast<PaStreamBase *>(self);
    s->lastCallbackNs_.store(monotonicNs(), std::memory_order_relaxed);
    s->process(input, output, frames, time);
    return paContinue;
  }
  static void finished(void *self) {
    auto *s = static_cast<PaStreamBase *>(self);
    if (!s->stopping_.load()) s->lost_.store(true);
  }

  PaStream *stream_ = nullptr;
  bool input_ = false;
  bool initialised_ = false;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> lost_{false};
  std::atomic<int64_t> lastCallbackNs_{0};
};

class PaCapture final : public PaStreamBase {
 public:
  explicit PaCapture(CaptureSink &sink) : sink_(sink) {}
  ~PaCapture() override {
    close();
    if (resampler_) speex_resampler_destroy(resampler_);
  }
  bool start(QString &error) {
    if (!prepare(true, error)) return false;
    const size_t frames = size_t(device_.rate / 100) + 1;
    mono_.assign(frames, 0);
    if (device_.rate != kSampleRate) {
      int e = 0;
      resampler_ =
          speex_resampler_init(1, spx_uint32_t(device_.rate), kSampleRate, kResamplerQuality, &e);
      if (!resampler_) {
        error = QStringLiteral("%1: no converter for %2 Hz").arg(device_.name).arg(device_.rate);
        return false;
      }
      converted_.assign(size_t(double(frames) * kSampleRate / device_.rate) + 64, 0);
    }
    return run(error);
  }

 private:
  void process(const void *input, void *, unsigned long frames,
               const PaStreamCallbackTimeInfo *time) noexcept override {
    if (!input || frames > mono_.size()) return;
    const auto *in = static_cast<const int16_t *>(input);
    const int ch = channels();
    for (unsigned long i = 0; i < frames; ++i) {
      int32_t sum = 0;
      for (int c = 0; c < ch; ++c) sum += in[i * ch + c];
      mono_[i] = int16_t(sum / ch);
    }
    const int64_t now = monotonicNs();
    const int64_t first = now - int64_t((time->currentTime - time->inputBufferAdcTime) * 1e9);
    if (!resampler_) {
      sink_.captured(mono_.data(), int(frames), first);
      return;
    }
    spx_uint32_t inLen = spx_uint32_t(frames), outLen = spx_uint32_t(converted_.size());
    speex_resampler_process_int(resampler_, 0, mono_.data(), &inLen, converted_.data(), &outLen);
    sink_.captured(converted_.data(), int(outLen), first);
  }

  CaptureSink &sink_;
  SpeexResamplerState *resampler_ = nullptr;
  std::vector<int16_t> mono_, converted_;
};

class PaPlayback final : public PaStreamBase {
 public:
  explicit PaPlayback(PlaybackSource &source) : source_(source) {}
  ~PaPlayback() override {
    close();
    if (resampler_) speex_resampler_destroy(resampler_);
  }
  bool start(QString &error) {
    pending_.assign(8192, 0);
    rendered_.assign(kPeriodSamples, 0);
    if (!prepare(false, error)) return false;
    if (device_.rate != kSampleRate) {
      int e = 0;
      resampler_ =
          speex_resampler_init(1, kSampleRate, spx_uint32_t(device_.rate), kResamplerQuality, &e);
      if (!resampler_) {
        error = QStringLiteral("%1: no converter for %2 Hz").arg(device_.name).arg(device_.rate);
        return false;
      }
    }
    return run(error);
  }

 private:
  void process(const void *, void *output, unsigned long frames,
               const PaStreamCallbackTimeInfo *time) noexcept override {
    auto *out = static_cast<int16_t *>(output);
    const int ch = channels();
    const int64_t now = monotonicNs();
    const int64_t heard = now + int64_t((time->outputBufferDacTime - time->currentTime) * 1e9);
    if (!resampler_) {
      // Mono at 48 kHz: straight from the mixer (in pieces if the device asks for more).
      unsigned long done = 0;
      while (done < frames) {
        const int n = int(std::min<unsigned long>(frames - done, pending_.size()));
        source_.render(pending_.data(), n, now, heard + samplesToNs(done));
        for (int i = 0; i < n; ++i)
          for (int c = 0; c < ch; ++c) out[(done + i) * ch + c] = pending_[size_t(i)];
        done += static_cast<unsigned long>(n);
      }
      return;
    }
    // Another rate: the mixer renders 10 ms at a time into the converter until enough
    // device samples wait.
    while (pendingCount_ < frames) {
      source_.render(rendered_.data(), kPeriodSamples, now, heard);
      spx_uint32_t inLen = kPeriodSamples;
      spx_uint32_t outLen = spx_uint32_t(pending_.size() - pendingCount_);
      speex_resampler_process_int(resampler_, 0, rendered_.data(), &inLen,
                                  pending_.data() + pendingCount_, &outLen);
      if (outLen == 0) break;
      pendingCount_ += outLen;
    }
    const size_t n = std::min<size_t>(frames, pendingCount_);
    for (size_t i = 0; i < frames; ++i)
      for (int c = 0; c < ch; ++c) out[i * size_t(ch) + size_t(c)] = i < n ? pending_[i] : 0;
    std::copy(pending_.begin() + long(n), pending_.begin() + long(pendingCount_), pending_.begin());
    pendingCount_ -= n;
  }

  PlaybackSource &source_;
  SpeexResamplerState *resampler_ = nullptr;
  std::vector<int16_t> pending_, rendered_;
  size_t pendingCount_ = 0;
};

}  // namespace

std::unique_ptr<AudioStream> PortAudioBackend::openCapture(CaptureSink &sink, QString &error) {
  auto stream = std::make_unique<PaCapture>(sink);
  if (!stream->start(error)) return nullptr;
  return stream;
}

std::unique_ptr<AudioStream> PortAudioBackend::openPlayback(PlaybackSource &source,
                                                            QString &error) {
  auto stream = std::make_unique<PaPlayback>(source);
  if (!stream->start(error)) return nullptr;
  return stream;
}

}  // namespace tv::audio
