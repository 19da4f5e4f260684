#include "platform/peer/EnetPlatform.h"

#include "platform/peer/EnetClosings.h"
#include "platform/peer/EnetTransport.h"
#include "platform/peer/SessionPeer.h"
#include "platform/peer/SessionVoiceClient.h"
#include "platform/peer/SessionVoiceServer.h"

namespace tv::peer {

EnetPlatform::EnetPlatform(const PeerConfig &config, const QString &audioSetupPath,
                           audio::AudioBackend *backend)
    : config_(config),
      audioSetupPath_(audioSetupPath),
      closings_(std::make_shared<EnetClosings>()),
      backend_(backend ? *backend : silent_) {}

EnetPlatform::~EnetPlatform() = default;

std::unique_ptr<Peer> EnetPlatform::CreatePeer() {
  const PeerConfig config = config_;
  return std::make_unique<SessionPeer>(config, [config, closings = closings_] {
    return std::make_unique<EnetTransport>(config, closings);
  });
}

std::unique_ptr<VoiceServer> EnetPlatform::CreateVoiceServer() {
  return std::make_unique<SessionVoiceServer>();
}

std::unique_ptr<VoiceClient> EnetPlatform::CreateVoiceClient() {
  return std::make_unique<SessionVoiceClient>(AudioSetup(audioSetupPath_), backend_,
                                              audioSetupPath_);
}

}  // namespace tv::peer
