#pragma once
// The newcomer's side of joining. It links to the host and asks to join; once accepted
// it knows the session's state, its ID and a token, links to every member and shows
// each the token; when the host reports everyone linked, the join is complete and the
// newcomer raises createPlayer for itself and every member, createGroup for the
// groups, then connectComplete(0). Until then it raises nothing and sends nothing
// but the handshake. Any failure ends in one connectComplete with the reason.

#include "platform/peer/PeerAddress.h"
#include "platform/peer/PeerWire.h"
#include "platform/peer/Transport.h"

#include <QDeadlineTimer>

namespace tv::peer {

class SessionPeer;

class JoinClient {
 public:
  explicit JoinClient(SessionPeer &peer) : peer_(peer) {}

  // The session is in its connecting phase with a transport; resolves the host.
  void start(const ApplicationDesc &desc, const Address &host);
  bool isHostLink(LinkId link) const { return link != 0 && link == hostLink_; }
  void onLinkUp(LinkId link);
  // A link of the newcomer went down (already forgotten by the session).
  void onLinkDown(LinkId link, quint32 playerId);
  void onHostFrame(const wire::Frame &frame);
  void tick();
  void reset();

 private:
  void linkToHost(const Endpoint &host);
  void onAccepted(const wire::JoinAccepted &accepted);
  void onComplete(const wire::JoinComplete &complete);
  void finish(Result result);

  SessionPeer &peer_;
  ApplicationDesc desc_;
  LinkId hostLink_ = 0;
  quint64 token_ = 0;
  QDeadlineTimer deadline_{QDeadlineTimer::Forever};
};

}  // namespace tv::peer
