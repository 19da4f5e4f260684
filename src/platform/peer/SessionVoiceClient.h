#pragma once
// The voice client over a SessionPeer (ENet or in-process alike). The audio set-up flag
// decides whether Connect may proceed; then the sound devices open, and only then is
// the host asked. While connected, its audio (audio::VoiceAudio) records, plays and
// reports levels and talk-spurts; the devices close with the voice connection
// (Disconnect, the voice session's loss, the own voice player's removal).

#include "platform/audio/AudioDevice.h"
#include "platform/audio/VoiceAudio.h"
#include "platform/peer/AudioSetup.h"
#include "platform/peer/VoiceClient.h"

#include <QPointer>

#include <memory>

namespace tv::peer {

class SessionPeer;

class SessionVoiceClient final : public VoiceClient {
  Q_OBJECT
 public:
  // `backend` outlives the client. `audioSettingsPath`: the platform file whose [Audio]
  // section may ask for the echo canceller.
  SessionVoiceClient(AudioSetup audioSetup, audio::AudioBackend &backend, QString audioSettingsPath,
                     QObject *parent = nullptr);
  ~SessionVoiceClient() override;

  Result Initialize(Peer *peer) override;
  Result StartClientNotification() override;
  Result StopClientNotification() override;
  Result Connect(const SoundDeviceConfig &sound, const VoiceClientConfig &config) override;
  Result Disconnect() override;
  Result GetClientConfig(VoiceClientConfig &out) const override;
  Result SetClientConfig(const VoiceClientConfig &config) override;
  Result GetSessionDesc(VoiceSessionDesc &out) const override;
  Result GetCompressionTypeCount(quint32 &count) const override;
  Result GetCompressionType(quint32 n, CompressionInfo &out) const override;
  Result SetTransmitTargets(const QList<quint32> &targets) override;
  Result GetTransmitTargets(QList<quint32> &out) const override;
  Result GetSpeakerStats(QList<SpeakerStats> &out) const override;
  bool ConfigApplied() const override {
    return !audio_ || !audio_->isOpen() || audio_->configurationApplied();
  }

  bool notifying() const { return notifying_; }
  // The voice connection is over: the devices close (VoicePlane calls it).
  void stopAudio();

 private:
  void relayAudio();
  void applyConfig();

  AudioSetup audioSetup_;
  audio::AudioBackend &backend_;
  QString audioSettingsPath_;
  QPointer<SessionPeer> peer_;
  bool notifying_ = false;
  VoiceClientConfig config_;
  SoundDeviceConfig sound_;
  QList<quint32> targets_{0};
  std::unique_ptr<audio::VoiceAudio> audio_;
};

}  // namespace tv::peer
