#include "platform/audio/VoiceAudio.h"

namespace tv::audio {

namespace {
constexpr int kEventPeriodMs = 20;
constexpr size_t kEchoBlocks = 64;
}  // namespace

VoiceAudio::VoiceAudio(AudioBackend &backend, Options options, QObject *parent)
    : QObject(parent),
      backend_(backend),
      options_(options),
      path_(std::make_shared<VoicePath>()),
      echo_(kEchoBlocks),
      capture_(shared_, path_, options.bitsPerSecond, options.echoCancellation, &echo_),
      mixer_(shared_, path_, &echo_) {
  ticker_.setInterval(kEventPeriodMs);
  connect(&ticker_, &QTimer::timeout, this, &VoiceAudio::tick);
  retryTimer_.setInterval(options_.retryMs);
  connect(&retryTimer_, &QTimer::timeout, this, &VoiceAudio::retry);
}

VoiceAudio::~VoiceAudio() { close(); }

bool VoiceAudio::openCapture(QString *why) {
  QString error;
  captureStream_ = backend_.openCapture(capture_, error);
  if (!captureStream_ && why) *why = error;
  return bool(captureStream_);
}

bool VoiceAudio::openPlayback(QString *why) {
  QString error;
  playbackStream_ = backend_.openPlayback(mixer_, error);
  if (!playbackStream_ && why) *why = error;
  return bool(playbackStream_);
}

peer::Result VoiceAudio::open(QString *why) {
  if (open_) return peer::kOk;
  if (!openCapture(why)) return peer::DVERR_RECORDSYSTEMERROR;
  if (!openPlayback(why)) {
    captureStream_.reset();
    capture_.interrupt();
    return peer::DVERR_PLAYBACKSYSTEMERROR;
  }
  open_ = true;
  lost_ = false;
  ticker_.start();
  return peer::kOk;
}

void VoiceAudio::close() {
  if (!open_) return;
  open_ = false;
  ticker_.stop();
  retryTimer_.stop();
  captureStream_.reset();
  playbackStream_.reset();
  capture_.interrupt();
  mixer_.interrupt();
  drainEvents();
}

void VoiceAudio::configure(const VoiceSettings &settings, int notifyPeriodMs) {
  settings_ = settings;
  generation_ = shared_.publish(settings);
  if (notifyPeriodMs != notifyPeriodMs_) {
    notifyPeriodMs_ = notifyPeriodMs;
    ticker_.setInterval(notifyPeriodMs > 0 ? notifyPeriodMs : kEventPeriodMs);
  }
}

bool VoiceAudio::configurationApplied() const {
  const auto reached = [this](uint32_t applied) { return int32_t(applied - generation_) >= 0; };
  return (!captureStream_ || reached(capture_.appliedGeneration())) &&
         (!playbackStream_ || reached(mixer_.appliedGeneration()));
}

QString VoiceAudio::captureDeviceName() const {
  return captureStream_ ? captureStream_->deviceName() : QString();
}

QString VoiceAudio::playbackDeviceName() const {
  return playbackStream_ ? playbackStream_->deviceName() : QString();
}

void VoiceAudio::drainEvents() {
  AudioEvent e;
  while (capture_.popEvent(e))
    e.kind == AudioEvent::RecordStart ? Q_EMIT recordStart(int(e.value))
                                      : Q_EMIT
                                        recordStop(int(e.value));
  while (mixer_.popEvent(e))
    e.kind == AudioEvent::VoiceStart ? Q_EMIT playerVoiceStart(e.value)
                                     : Q_EMIT playerVoiceStop(e.value);
}

void VoiceAudio::tick() {
  peer::Result lostNow = peer::kOk;
  if (captureStream_ && captureStream_->lost()) {
    captureStream_.reset();
    capture_.interrupt();
    lostNow = peer::DVERR_RECORDSYSTEMERROR;
  }
  if (playbackStream_ && playbackStream_->lost()) {
    playbackStream_.reset();
    mixer_.interrupt();
    if (lostNow == peer::kOk) lostNow = peer::DVERR_PLAYBACKSYSTEMERROR;
  }
  drainEvents();
  if (notifyPeriodMs_ > 0) {
    Q_EMIT levels(captureStream_ ? capture_.level() : 0, settings_.recordVolume,
                  playbackStream_ ? mixer_.takeLevel() : 0, settings_.playbackVolume);
  }
  if (lostNow != peer::kOk && !lost_) {
    lost_ = true;
    retryTimer_.start();
    Q_EMIT deviceLost(lostNow);
  }
}

void VoiceAudio::retry() {
  if (!open_) return;
  if (!captureStream_) openCapture(nullptr);
  if (!playbackStream_) openPlayback(nullptr);
  if (captureStream_ && playbackStream_) {
    retryTimer_.stop();
    lost_ = false;
    Q_EMIT deviceRestored();
  }
}

}  // namespace tv::audio
