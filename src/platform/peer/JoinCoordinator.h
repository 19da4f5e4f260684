#pragma once
// Joining as the host and the members see it. The host checks a request before any
// player state exists (application, instance, password, room) and admits newcomers one
// at a time: the newcomer gets an ID, a token and the session's state, every member is
// told to expect it, and only when every member reports the newcomer linked does the
// host make it a member and announce it. A newcomer that cannot link with everyone in
// time is refused and the members forget it. A member accepts a newcomer's link only
// with the token the host gave it (whichever of the two arrives first).

#include "platform/peer/PeerWire.h"
#include "platform/peer/Transport.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QSet>

#include <deque>
#include <optional>

namespace tv::peer {

class SessionPeer;

class JoinCoordinator {
 public:
  explicit JoinCoordinator(SessionPeer &peer) : peer_(peer) {}

  // Host.
  void onRequest(LinkId link, const wire::JoinRequest &request);
  void onLinkReady(quint32 member, quint32 newcomer);
  void onLinkFailed(LinkId link, quint32 member);
  void onLinkDown(LinkId link);
  void onMemberGone(quint32 member);
  void tick();
  // Abandons every join (their links are dropped, so the newcomers fail).
  void reset();
  bool involves(LinkId link) const;

  // Member.
  void onLinkHello(LinkId link, const wire::LinkHello &hello);
  void onPeerExpected(const wire::PeerExpected &expected);
  void onPeerExpectedCancel(quint32 id);
  void forget(quint32 id) { expected_.remove(id); }

 private:
  struct Pending {
    LinkId link = 0;
    quint32 id = 0;
    QString name;
    QSet<quint32> waitingFor;  // members that have not yet linked with the newcomer
    QDeadlineTimer deadline;
  };

  Result check(const wire::JoinRequest &request) const;
  void start(LinkId link, const wire::JoinRequest &request);
  void commit();
  void refuse(LinkId link, Result why);
  void abort(Result why);
  void startNext();
  void acceptLink(LinkId link, quint32 id);

  SessionPeer &peer_;
  std::optional<Pending> pending_;
  std::deque<std::pair<LinkId, wire::JoinRequest>> queue_;
  // Newcomers the host told this member to accept, with their tokens.
  QHash<quint32, std::pair<quint64, QDeadlineTimer>> expected_;
};

}  // namespace tv::peer
