#include "platform/audiosetup/PortAudioDevices.h"

#include <portaudio.h>

#include <atomic>

namespace tv::audiosetup {
namespace {

constexpr unsigned long kFramesPerBuffer = kSampleRate / 100;  // 10 ms

QString paText(PaError error) { return QString::fromLocal8Bit(Pa_GetErrorText(error)); }

// One open stream in one direction; owns its share of the library's initialisation.
class PortAudioStream {
 public:
  PortAudioStream() = default;
  PortAudioStream(const PortAudioStream &) = delete;
  PortAudioStream &operator=(const PortAudioStream &) = delete;
  ~PortAudioStream() {
    if (stream_) {
      Pa_AbortStream(stream_);
      Pa_CloseStream(stream_);
    }
    if (initialised_) Pa_Terminate();
  }

  bool open(bool input, PaStreamCallback *callback, void *user, QString &why) {
    const PaError init = Pa_Initialize();
    if (init != paNoError) {
      why = QStringLiteral("PortAudio を初期化できません。(%1)").arg(paText(init));
      return false;
    }
    initialised_ = true;
    const PaDeviceIndex device = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    const PaDeviceInfo *info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) {
      why = input ? QStringLiteral("既定の録音デバイスがありません。")
                  : QStringLiteral("既定の再生デバイスがありません。");
      return false;
    }
    name_ = QString::fromLocal8Bit(info->name);
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = 1;
    params.sampleFormat = paInt16;
    params.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const PaError opened =
        Pa_OpenStream(&stream_, input ? &params : nullptr, input ? nullptr : &params, kSampleRate,
                      kFramesPerBuffer, paClipOff, callback, user);
    if (opened != paNoError) {
      stream_ = nullptr;
      why = QStringLiteral("%1 を 48000 Hz モノラル 16 ビットで開けません。(%2)")
                .arg(name_, paText(opened));
      return false;
    }
    return true;
  }

  QString name() const { return name_; }
  bool start() {
    started_ = Pa_StartStream(stream_) == paNoError;
    return started_;
  }
  void stop() {
    if (started_) Pa_StopStream(stream_);  // waits for the callback to finish
    started_ = false;
  }
  bool lost() const { return started_ && Pa_IsStreamActive(stream_) != 1; }

 private:
  bool initialised_ = false;
  bool started_ = false;
  PaStream *stream_ = nullptr;
  QString name_;
};

class PortAudioCapture : public CaptureDevice {
 public:
  bool open(QString &why) { return stream_.open(true, &PortAudioCapture::callback, this, why); }
  ~PortAudioCapture() override { stop(); }
  QString name() const override { return stream_.name(); }
  bool start(Sink sink) override {
    stop();
    sink_ = std::move(sink);
    return stream_.start();
  }
  void stop() override { stream_.stop(); }
  bool lost() const override { return stream_.lost(); }

 private:
  static int callback(const void *input, void *, unsigned long frames,
                      const PaStreamCallbackTimeInfo *, PaStreamCallbackFlags, void *user) {
    auto *self = static_cast<PortAudioCapture *>(user);
    if (input) self->sink_(static_cast<const std::int16_t *>(input), int(frames));
    return paContinue;
  }

  PortAudioStream stream_;
  Sink sink_;
};

class PortAudioPlayback : public PlaybackDevice {
 public:
  bool open(QString &why) { return stream_.open(false, &PortAudioPlayback::callback, this, why); }
  ~PortAudioPlayback() override { stop(); }
  QString name() const override { return stream_.name(); }
  bool start(Source source) override {
    stop();
    source_ = std::move(source);
    return stream_.start();
  }
  void stop() override { stream_.stop(); }
  bool lost() const override { return stream_.lost(); }

 private:
  static int callback(const void *, void *output, unsigned long frames,
                      const PaStreamCallbackTimeInfo *, PaStreamCallbackFlags, void *user) {
    static_cast<PortAudioPlayback *>(user)->source_(static_cast<std::int16_t *>(output),
                                                    int(frames));
    return paContinue;
  }

  PortAudioStream stream_;
  Source source_;
};

}  // namespace

std::unique_ptr<CaptureDevice> OpenPortAudioCapture(QString &why) {
  auto device = std::make_unique<PortAudioCapture>();
  if (!device->open(why)) return nullptr;
  return device;
}

std::unique_ptr<PlaybackDevice> OpenPortAudioPlayback(QString &why) {
  auto device = std::make_unique<PortAudioPlayback>();
  if (!device->open(why)) return nullptr;
  return device;
}

}  // namespace tv::audiosetup
