#pragma once
// The voice server over a SessionPeer.

#include "platform/peer/VoiceServer.h"

#include <QPointer>

namespace tv::peer {

class SessionPeer;

class SessionVoiceServer final : public VoiceServer {
  Q_OBJECT
 public:
  using VoiceServer::VoiceServer;

  Result GetCompressionTypeCount(quint32 &count) const override;
  Result GetCompressionType(quint32 n, CompressionInfo &out) const override;
  Result Initialize(Peer *peer) override;
  Result StartSession(const VoiceSessionDesc &desc) override;
  Result StopSession() override;
  Result GetSessionDesc(VoiceSessionDesc &out) const override;
  Result StartServerNotification() override { return kOk; }
  Result StopServerNotification() override { return kOk; }

 private:
  QPointer<SessionPeer> peer_;
};

}  // namespace tv::peer
