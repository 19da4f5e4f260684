#pragma once
// The factory of the session objects (the root object of the session layer). Built in
// main() with the real implementation, or in tests with the in-process fake.

#include "platform/peer/Peer.h"
#include "platform/peer/VoiceClient.h"
#include "platform/peer/VoiceServer.h"

#include <memory>

namespace tv::peer {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual std::unique_ptr<Peer> CreatePeer() = 0;
  virtual std::unique_ptr<VoiceServer> CreateVoiceServer() = 0;
  virtual std::unique_ptr<VoiceClient> CreateVoiceClient() = 0;
};

}  // namespace tv::peer
