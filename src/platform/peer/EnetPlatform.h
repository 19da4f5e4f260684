#pragma once
// The session objects over UDP (ENet). It keeps the hosts of closed sessions while
// they finish their goodbyes, and waits for them when it is destroyed.

#include "platform/peer/AudioSetup.h"
#include "platform/peer/Platform.h"

#include <memory>

namespace tv::peer {

class EnetClosings;

class EnetPlatform final : public Platform {
 public:
  explicit EnetPlatform(const PeerConfig &config = {},
                        const QString &audioSetupPath = AudioSetup::defaultPath());
  ~EnetPlatform() override;

  std::unique_ptr<Peer> CreatePeer() override;
  std::unique_ptr<VoiceServer> CreateVoiceServer() override;
  std::unique_ptr<VoiceClient> CreateVoiceClient() override;

 private:
  PeerConfig config_;
  QString audioSetupPath_;
  std::shared_ptr<EnetClosings> closings_;
};

}  // namespace tv::peer
