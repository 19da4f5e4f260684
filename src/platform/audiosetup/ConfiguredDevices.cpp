#include "platform/audiosetup/ConfiguredDevices.h"

#include "platform/audio/AudioSettings.h"

#include <algorithm>

namespace tv::audiosetup {
namespace {

// A backend's stream runs from its opening, so each start opens one and each stop
// closes it. The device is opened once when made as well, so that one that cannot
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

class BackendPlayback final : public PlaybackDevice, private audio::PlaybackSource {
 public:
  BackendPlayback(std::unique_ptr<audio::AudioBackend> backend, QString name)
      : backend_(std::move(backend)), name_(std::move(name)) {}
  ~BackendPlayback() override { stop(); }
  QString name() const override { return name_; }
  bool start(Source source) override {
    stop();
    source_ = std::move(source);
    QString why;
    stream_ = backend_->openPlayback(*this, why);
    return stream_ != nullptr;
  }
  void stop() override { stream_.reset(); }
  bool lost() const override { return stream_ && stream_->lost(); }

 private:
  void render(int16_t *out, int count, int64_t, int64_t) noexcept override { source_(out, count); }
  std::unique_ptr<audio::AudioBackend> backend_;
  QString name_;
  Source source_;
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
