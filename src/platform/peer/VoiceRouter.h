#pragma once
// Voice frames between the audio path and the links, without the UI thread. The UI
// thread publishes a routing table (which links belong to voice members, which links
// the transmit targets come to) whenever members, groups, voice membership or the
// targets change; the transport's own thread moves frames by it:
// - outgoing frames from capture are encoded once and sent to every target link;
// - an incoming voice frame from a link of a voice member goes to playback with the
//   member's player ID and its arrival time; from any other link it is dropped.
//
// Threading: whichever thread the transport moves bytes on (ENet's service thread, or
// the UI thread in the in-process fake); tables and paths reach it by value.

#include "platform/audio/VoicePath.h"
#include "platform/peer/PeerWire.h"

#include <QByteArrayView>

#include <functional>
#include <memory>
#include <vector>

namespace tv::peer {

using LinkId = quint64;

struct VoiceRoutes {
  struct Member {
    LinkId link = 0;
    quint32 playerId = 0;
    friend bool operator==(const Member &, const Member &) = default;
  };
  std::vector<Member> members;  // voice members this PC hears, by link
  std::vector<LinkId> targets;  // links this PC's frames go to
  friend bool operator==(const VoiceRoutes &, const VoiceRoutes &) = default;
};

class VoiceRouter {
 public:
  void setRoutes(std::shared_ptr<const VoiceRoutes> routes) { routes_ = std::move(routes); }
  void attach(std::shared_ptr<audio::VoicePath> path) { path_ = std::move(path); }
  int readyFd() const { return path_ ? path_->readyFd() : -1; }

  // Sends every waiting outgoing frame with `send(link, bytes)`.
  void drainOutgoing(const std::function<void(const std::vector<LinkId> &, QByteArrayView)> &send);
  // True when `bytes` is a voice frame (then it has been routed or dropped here).
  bool takeIncoming(LinkId link, QByteArrayView bytes, int64_t arrivalNs);

 private:
  std::shared_ptr<const VoiceRoutes> routes_;
  std::shared_ptr<audio::VoicePath> path_;
  char buffer_[wire::kMaxVoiceFrameBytes];
};

}  // namespace tv::peer
