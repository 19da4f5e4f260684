#include "platform/audiosetup/ConfiguredDevices.h"

#include "platform/audio/AudioSettings.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace tv::audiosetup {
namespace {

// A backend's stream runs from its opening, so each capture start opens one and each
// stop closes it. The device is opened once when made as well, so that one that cannot
// open is known before any page and the set-up names it as the stream does.
//
// Members are declared so that the stream goes first: no callback runs once it is
// gone, and the backend outlives it.
class BackendCapture final : public CaptureDevice, private audio::CaptureSink {
 public:
  BackendCapture(std::unique_ptr<audio::AudioBackend> backend, QString name)
      : backend_(std::move(backend)), name_(std::move(name)) {}
  ~BackendCapture() override { stop(); }
  QString name() const override { return name_; }
  bool start(Sink sink) override {
    stop();
    sink_ = std::move(sink);  // before the stream: its thread reads it
    QString why;
    stream_ = backend_->openCapture(*this, why);
    return stream_ != nullptr;
  }
  void stop() override { stream_.reset(); }
  bool lost() const override { return stream_ && stream_->lost(); }

 private:
  void captured(const int16_t *samples, int count, int64_t) noexcept override {
    sink_(samples, count);
  }
  std::unique_ptr<audio::AudioBackend> backend_;
  QString name_;
  Sink sink_;
  std::unique_ptr<audio::AudioStream> stream_;
};

// Playback keeps one stream from its first start until it is destroyed, stopping meaning
// silence: a file device then holds everything the speakers played, in real time. The
// source is swapped only while no render can read it (`playing_` is cleared, then any
// render under way is waited out).
class BackendPlayback final : public PlaybackDevice, private audio::PlaybackSource {
 public:
  BackendPlayback(std::unique_ptr<audio::AudioBackend> backend, QString name)
      : backend_(std::move(backend)), name_(std::move(name)) {}
  ~BackendPlayback() override { stream_.reset(); }
  QString name() const override { return name_; }
  bool start(Source source) override {
    stop();
    source_ = std::move(source);
    if (!stream_) {
      QString why;
      stream_ = backend_->openPlayback(*this, why);
    }
    playing_.store(stream_ != nullptr);
    return stream_ != nullptr;
  }
  void stop() override {
    playing_.store(false);
    while (rendering_.load()) std::this_thread::yield();
  }
  bool lost() const override { return stream_ && stream_->lost(); }

 private:
  void render(int16_t *out, int count, int64_t, int64_t) noexcept override {
    rendering_.store(true);
    if (playing_.load())
      source_(out, count);
    else
      std::fill_n(out, count, int16_t(0));
    rendering_.store(false);
  }
  std::unique_ptr<audio::AudioBackend> backend_;
  QString name_;
  Source source_;
  std::atomic<bool> playing_{false}, rendering_{false};
  std::unique_ptr<audio::AudioStream> stream_;
};

// Stands in for the set-up while a device is only tried.
class Nothing final : public audio::CaptureSink, public audio::PlaybackSource {
  void captured(const int16_t *, int, int64_t) noexcept override {}
  void render(int16_t *out, int count, int64_t, int64_t) noexcept override {
    std::fill_n(out, count, int16_t(0));
  }
};

}  // namespace

std::unique_ptr<PlaybackDevice> ConfiguredDevices::openPlayback(QString &why) {
  auto backend = audio::makeBackend(audio::AudioSettings::read(iniPath_));
  Nothing nothing;
  const auto tried = backend->openPlayback(nothing, why);
  if (!tried) return nullptr;
  return std::make_unique<BackendPlayback>(std::move(backend), tried->deviceName());
}

std::unique_ptr<CaptureDevice> ConfiguredDevices::openCapture(QString &why) {
  auto backend = audio::makeBackend(audio::AudioSettings::read(iniPath_));
  Nothing nothing;
  const auto tried = backend->openCapture(nothing, why);
  if (!tried) return nullptr;
  return std::make_unique<BackendCapture>(std::move(backend), tried->deviceName());
}

}  // namespace tv::audiosetup
