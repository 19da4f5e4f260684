#include "platform/peer/SessionVoiceClient.h"

#include "platform/peer/SessionPeer.h"
#include "platform/peer/VoicePlane.h"

namespace tv::peer {

SessionVoiceClient::SessionVoiceClient(AudioSetup audioSetup, QObject *parent)
    : VoiceClient(parent), audioSetup_(std::move(audioSetup)) {}

SessionVoiceClient::~SessionVoiceClient() {
  if (peer_) peer_->voicePlane().detachClient(this);
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
  if (peer_->voicePlane().isClientBusy()) return DVERR_ALREADYCONNECTED;
  const Result r = peer_->voicePlane().connectClient(this);
  if (r == kPending) {
    sound_ = sound;
    config_ = config;
  }
  return r;
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
  return kOk;
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
  return kOk;
}

Result SessionVoiceClient::GetTransmitTargets(QList<quint32> &out) const {
  out = targets_;
  return kOk;
}

Result SessionVoiceClient::SendVoiceFrame(const QByteArray &frame) {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().sendFrame(targets_, frame);
}

}  // namespace tv::peer
