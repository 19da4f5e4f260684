#pragma once
// The voice client over a SessionPeer (ENet or in-process alike). The audio set-up flag
// decides whether Connect may proceed.

#include "platform/peer/AudioSetup.h"
#include "platform/peer/VoiceClient.h"

#include <QPointer>

namespace tv::peer {

class SessionPeer;

class SessionVoiceClient final : public VoiceClient {
  Q_OBJECT
 public:
  explicit SessionVoiceClient(AudioSetup audioSetup, QObject *parent = nullptr);
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
  Result SendVoiceFrame(const QByteArray &frame) override;

  bool notifying() const { return notifying_; }

 private:
  AudioSetup audioSetup_;
  QPointer<SessionPeer> peer_;
  bool notifying_ = false;
  VoiceClientConfig config_;
  SoundDeviceConfig sound_;
  QList<quint32> targets_{0};
};

}  // namespace tv::peer
