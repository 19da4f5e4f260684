#pragma once
// The session objects over UDP (ENet), with the sound devices of the given backend
// (silence when none is given). It keeps the hosts of closed sessions while they finish
// their goodbyes, and waits for them when it is destroyed.

#include "platform/audio/SilentBackend.h"
#include "platform/peer/AudioSetup.h"
#include "platform/peer/Platform.h"

#include <memory>

namespace tv::peer {

class EnetClosings;

class EnetPlatform final : public Platform {
 public:
  // `backend` outlives the platform and the voice clients it makes. `audioSetupPath` is
  // also where the [Audio] settings are read.
  explicit EnetPlatform(const PeerConfig &config = {},
                        const QString &audioSetupPath = AudioSetup::defaultPath(),
                        audio::AudioBackend *backend = nullptr);
  ~EnetPlatform() override;

  std::unique_ptr<Peer> CreatePeer() override;
  std::unique_ptr<VoiceServer> CreateVoiceServer() override;
  std::unique_ptr<VoiceClient> CreateVoiceClient() override;

 private:
  PeerConfig config_;
  QString audioSetupPath_;
  std::shared_ptr<EnetClosings> closings_;
  audio::SilentBackend silent_;
  audio::AudioBackend &backend_;
};

}  // namespace tv::peer
