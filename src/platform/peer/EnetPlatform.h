#pragma once
// The session objects over UDP (ENet).

#include "platform/peer/AudioSetup.h"
#include "platform/peer/Platform.h"

namespace tv::peer {

class EnetPlatform final : public Platform {
 public:
  explicit EnetPlatform(const PeerConfig &config = {},
                        const QString &audioSetupPath = AudioSetup::defaultPath())
      : config_(config), audioSetupPath_(audioSetupPath) {}

  std::unique_ptr<Peer> CreatePeer() override;
  std::unique_ptr<VoiceServer> CreateVoiceServer() override;
  std::unique_ptr<VoiceClient> CreateVoiceClient() override;

 private:
  PeerConfig config_;
  QString audioSetupPath_;
};

}  // namespace tv::peer
