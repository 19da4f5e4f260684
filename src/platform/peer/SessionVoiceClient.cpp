#include "platform/peer/SessionVoiceClient.h"

#include "platform/audio/AudioSettings.h"
#include "platform/peer/SessionPeer.h"
#include "platform/peer/VoicePlane.h"

namespace tv::peer {

namespace {
// The codec the dialog offers first, for a client that connects before any voice
// session exists (the host then refuses it anyway).
constexpr quint32 kDefaultBitsPerSecond = 12000;
}  // namespace

SessionVoiceClient::SessionVoiceClient(AudioSetup audioSetup, audio::AudioBackend &backend,
                                       QString audioSettingsPath, QObject *parent)
    : VoiceClient(parent),
      audioSetup_(std::move(audioSetup)),
      backend_(backend),
      audioSettingsPath_(std::move(audioSettingsPath)) {}

SessionVoiceClient::~SessionVoiceClient() {
  if (peer_) peer_->voicePlane().detachClient(this);
  audio_.reset();
}

Result SessionVoiceClient::Initialize(Peer *peer) {
  auto *session = qobject_cast<SessionPeer *>(peer);
  if (!session) return DVERR_INVALIDPARAM;
  if (peer_ && peer_ != session) peer_->voicePlane().detachClient(this);
  peer_ = session;
  return kOk;
}

Result SessionVoiceClient::StartClientNotification() {
  notifying_ = true;
  return kOk;
}

Result SessionVoiceClient::StopClientNotification() {
  notifying_ = false;
  return kOk;
}

Result SessionVoiceClient::Connect(const SoundDeviceConfig &sound,
                                   const VoiceClientConfig &config) {
  if (!peer_) return DVERR_NOTINITIALIZED;
  if (!audioSetup_.hasRun()) return DVERR_RUNSETUP;
  if (!isValidClientConfig(config)) return DVERR_INVALIDPARAM;
  VoicePlane &plane = peer_->voicePlane();
  if (plane.isClientBusy()) return DVERR_ALREADYCONNECTED;

  // The devices open before the host is asked: a PC without a microphone finds out now.
  VoiceSessionDesc session;
  const CompressionInfo *codec =
      plane.sessionDesc(session) == kOk ? findCompressionType(session.compressionGuid) : nullptr;
  audio::VoiceAudio::Options options;
  options.bitsPerSecond = int(codec ? codec->maxBitsPerSecond : kDefaultBitsPerSecond);
  options.echoCancellation = !audioSettingsPath_.isEmpty() &&
                             audio::AudioSettings::read(audioSettingsPath_).echoCancellation;
  audio_ = std::make_unique<audio::VoiceAudio>(backend_, options);
  if (const Result r = audio_->open()) {
    audio_.reset();
    return r;
  }
  config_ = config;
  sound_ = sound;
  applyConfig();
  relayAudio();
  plane.setTargets(targets_);
  const Result r = plane.connectClient(this, audio_->path());
  if (r != kPending) audio_.reset();
  return r;
}

void SessionVoiceClient::relayAudio() {
  audio::VoiceAudio *a = audio_.get();
  const auto relay = [this](std::function<void(SessionVoiceClient &)> emitter) {
    if (peer_) peer_->voicePlane().relay(std::move(emitter));
  };
  // The two meters travel as one callback, delivered at once when none waits: fifty
  // times a second, a queue turn each would be most of what a silent session costs
  // the UI thread.
  connect(a, &audio::VoiceAudio::levels, this, [this](int in, int record, int out, int play) {
    if (peer_)
      peer_->voicePlane().relayFromTimer([=](SessionVoiceClient &c) {
        Q_EMIT c.inputLevel(in, record);
        Q_EMIT c.outputLevel(out, play);
      });
  });
  connect(a, &audio::VoiceAudio::recordStart, this, [relay](int peak) {
    relay([peak](SessionVoiceClient &c) { Q_EMIT c.recordStart(peak); });
  });
  connect(a, &audio::VoiceAudio::recordStop, this, [relay](int peak) {
    relay([peak](SessionVoiceClient &c) { Q_EMIT c.recordStop(peak); });
  });
  connect(a, &audio::VoiceAudio::playerVoiceStart, this, [relay](quint32 id) {
    relay([id](SessionVoiceClient &c) { Q_EMIT c.playerVoiceStart(id); });
  });
  connect(a, &audio::VoiceAudio::playerVoiceStop, this, [relay](quint32 id) {
    relay([id](SessionVoiceClient &c) { Q_EMIT c.playerVoiceStop(id); });
  });
  connect(a, &audio::VoiceAudio::deviceLost, this, [relay](quint32 result) {
    relay([result](SessionVoiceClient &c) { Q_EMIT c.soundDeviceLost(result); });
  });
  connect(a, &audio::VoiceAudio::deviceRestored, this,
          [relay] { relay([](SessionVoiceClient &c) { Q_EMIT c.soundDeviceRestored(); }); });
}

void SessionVoiceClient::stopAudio() {
  // The devices' threads end here; the statistics stay readable until the next Connect.
  if (audio_) audio_->close();
}

Result SessionVoiceClient::Disconnect() {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().disconnectClient(this);
}

Result SessionVoiceClient::GetClientConfig(VoiceClientConfig &out) const {
  if (!peer_) return DVERR_NOTINITIALIZED;
  out = config_;
  return kOk;
}

Result SessionVoiceClient::SetClientConfig(const VoiceClientConfig &config) {
  if (!peer_) return DVERR_NOTINITIALIZED;
  if (!isValidClientConfig(config)) return DVERR_INVALIDPARAM;
  config_ = config;
  applyConfig();
  return kOk;
}

void SessionVoiceClient::applyConfig() {
  if (!audio_) return;
  audio::VoiceSettings s;
  s.flags = config_.flags;
  s.recordVolume = config_.recordVolume;
  s.playbackVolume = config_.playbackVolume;
  s.threshold = config_.threshold;
  audio_->configure(s, config_.notifyPeriodMs);
}

Result SessionVoiceClient::GetSessionDesc(VoiceSessionDesc &out) const {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().sessionDesc(out);
}

Result SessionVoiceClient::GetCompressionTypeCount(quint32 &count) const {
  count = compressionTypeCount();
  return kOk;
}

Result SessionVoiceClient::GetCompressionType(quint32 n, CompressionInfo &out) const {
  return compressionType(n, out);
}

Result SessionVoiceClient::SetTransmitTargets(const QList<quint32> &targets) {
  if (!peer_) return DVERR_NOTINITIALIZED;
  if (const Result r = peer_->voicePlane().checkTargets(targets)) return r;
  targets_ = targets;
  peer_->voicePlane().setTargets(targets);
  return kOk;
}

Result SessionVoiceClient::GetTransmitTargets(QList<quint32> &out) const {
  out = targets_;
  return kOk;
}

Result SessionVoiceClient::GetSpeakerStats(QList<SpeakerStats> &out) const {
  out.clear();
  if (!audio_) return DVERR_NOTCONNECTED;
  for (const audio::SpeakerStatsView &s : audio_->stats())
    out.append({s.id, s.played, s.concealed, s.dropped, s.delayMs});
  return kOk;
}

}  // namespace tv::peer
