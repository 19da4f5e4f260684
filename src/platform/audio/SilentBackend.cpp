#include "platform/audio/SilentBackend.h"

namespace tv::audio {

namespace {

template <class State>
class SilentStream final : public AudioStream {
 public:
  explicit SilentStream(std::shared_ptr<State> state)
      : state_(std::move(state)), generation_(state_->generation.load()) {}
  QString deviceName() const override { return QStringLiteral("(無音)"); }
  bool lost() const override { return state_->generation.load() != generation_; }

 private:
  std::shared_ptr<State> state_;
  const int generation_;
};

}  // namespace

SilentBackend::SilentBackend() : state_(std::make_shared<State>()) {}

std::unique_ptr<AudioStream> SilentBackend::open(QString &error) {
  if (!state_->available.load()) {
    error = QStringLiteral("no device");
    return nullptr;
  }
  return std::make_unique<SilentStream<State>>(state_);
}

std::unique_ptr<AudioStream> SilentBackend::openCapture(CaptureSink &, QString &error) {
  return open(error);
}

std::unique_ptr<AudioStream> SilentBackend::openPlayback(PlaybackSource &, QString &error) {
  return open(error);
}

void SilentBackend::setAvailable(bool available) {
  if (!available && state_->available.load()) ++state_->generation;
  state_->available.store(available);
}

}  // namespace tv::audio
