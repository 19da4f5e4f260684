#pragma once
// Who hosts next when the host leaves or its PC dies. Every survivor picks the same
// member without a vote: the oldest one it still has a link to. That member takes over
// and announces it; the others wait for its word (a survivor that still sees the old
// host follows the announcement). Each survivor raises destroyPlayer for the old host
// and one hostMigrate. Without host migration the session ends instead.

#include "platform/peer/PeerWire.h"

#include <QDeadlineTimer>

namespace tv::peer {

class SessionPeer;

class Succession {
 public:
  explicit Succession(SessionPeer &peer) : peer_(peer) {}

  // The host left (kDestroyNormal) or stopped answering.
  void hostGone(quint32 reason);
  // A member this PC can no longer count on while no host is known.
  void memberLost(quint32 id);
  void onHostMigrated(quint32 from, const wire::HostMigrated &migrated);
  void tick();
  void reset();

 private:
  void choose();
  void takeOver();
  void follow(quint32 newHost);

  SessionPeer &peer_;
  quint32 lostHost_ = 0;  // the host that left, until its successor is known
  quint32 awaited_ = 0;   // the successor this PC expects to hear from
  QDeadlineTimer deadline_{QDeadlineTimer::Forever};
};

}  // namespace tv::peer
