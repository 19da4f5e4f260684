#include "platform/peer/SessionVoiceServer.h"

#include "platform/peer/SessionPeer.h"
#include "platform/peer/VoicePlane.h"

namespace tv::peer {

Result SessionVoiceServer::GetCompressionTypeCount(quint32 &count) const {
  count = compressionTypeCount();
  return kOk;
}

Result SessionVoiceServer::GetCompressionType(quint32 n, CompressionInfo &out) const {
  return compressionType(n, out);
}

Result SessionVoiceServer::Initialize(Peer *peer) {
  auto *session = qobject_cast<SessionPeer *>(peer);
  if (!session) return DVERR_INVALIDPARAM;
  if (!session->voicePlane().canServe()) return DVERR_NOTHOST;
  peer_ = session;
  return kOk;
}

Result SessionVoiceServer::StartSession(const VoiceSessionDesc &desc) {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().startSession(desc);
}

Result SessionVoiceServer::StopSession() {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().stopSession();
}

Result SessionVoiceServer::GetSessionDesc(VoiceSessionDesc &out) const {
  if (!peer_) return DVERR_NOTINITIALIZED;
  return peer_->voicePlane().sessionDesc(out);
}

}  // namespace tv::peer
