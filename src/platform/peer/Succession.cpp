#include "platform/peer/Succession.h"

#include "platform/peer/JoinCoordinator.h"
#include "platform/peer/SessionPeer.h"
#include "platform/peer/VoicePlane.h"

namespace tv::peer {

void Succession::hostGone(quint32 reason) {
  if (!(peer_.state_.data().desc.flags & kSessionMigrateHost)) {
    peer_.endSession(reason == kDestroyNormal ? DPNERR_HOSTTERMINATEDSESSION
                                              : DPNERR_CONNECTIONLOST);
    return;
  }
  lostHost_ = peer_.hostId_;
  peer_.removeMember(lostHost_, reason);
  peer_.hostId_ = 0;
  choose();
}

void Succession::memberLost(quint32 id) {
  if (peer_.hostId_ == 0 && id == awaited_) choose();
}

void Succession::choose() {
  const quint32 self = peer_.selfId_;
  const quint32 next = peer_.state_.oldestMember(
      [this, self](quint32 id) { return id == self || peer_.hasLiveLink(id); });
  if (next == self) {
    takeOver();
  } else {
    awaited_ = next;
    deadline_ = peer_.limit(2 * peer_.config_.detectionLimitMs);
  }
}

void Succession::takeOver() {
  SessionPeer *p = &peer_;
  const quint32 self = p->selfId_;
  p->hostId_ = self;
  p->state_.data().hostId = self;
  awaited_ = 0;
  p->raise([p, self] { Q_EMIT p->hostMigrate(self); });
  p->voice_->hostMigrated(self);
  p->announce(wire::HostMigrated{self, lostHost_});
  // Members this PC cannot reach are given up now that it decides.
  for (const quint32 id : p->state_.memberIds()) {
    if (id == self || p->hasLiveLink(id)) continue;
    p->removeMember(id, kDestroyConnectionLost);
    p->announce(wire::PlayerRemoved{id, kDestroyConnectionLost});
  }
  const QList<wire::Frame> requests = std::exchange(p->hostRequests_, {});
  for (const wire::Frame &request : requests) p->handleRequest(self, request);
}

void Succession::onHostMigrated(quint32 from, const wire::HostMigrated &migrated) {
  if (migrated.newHostId != from) return;
  if (migrated.oldHostId == peer_.selfId_) {
    // The others gave this PC up as their host while it still ran.
    peer_.endSession(DPNERR_CONNECTIONLOST);
    return;
  }
  if (peer_.hostId_ == from) return;
  if (peer_.hostId_ == peer_.selfId_) {
    // Both took over (their links disagreed): the older member keeps the role.
    const wire::MemberRecord *other = peer_.state_.member(from);
    const wire::MemberRecord *self = peer_.state_.member(peer_.selfId_);
    if (!other || !self || other->joinOrder > self->joinOrder) return;
    peer_.joins_->reset();
  } else if (peer_.hostId_ != 0) {
    // This PC still saw the old host; the announcement wins.
    peer_.removeMember(peer_.hostId_, kDestroyConnectionLost);  // still flagged as host
    peer_.hostId_ = 0;
  }
  if (migrated.oldHostId != from) peer_.removeMember(migrated.oldHostId, kDestroyConnectionLost);
  follow(from);
}

void Succession::follow(quint32 newHost) {
  SessionPeer *p = &peer_;
  p->hostId_ = newHost;
  p->state_.data().hostId = newHost;
  awaited_ = 0;
  p->raise([p, newHost] { Q_EMIT p->hostMigrate(newHost); });
  p->voice_->hostMigrated(newHost);
  const QList<wire::Frame> requests = std::exchange(p->hostRequests_, {});
  for (const wire::Frame &request : requests) p->sendToPlayer(newHost, request);
}

void Succession::tick() {
  // The expected successor never spoke although its link stayed up: this PC has lost
  // the session.
  if (peer_.inSession() && peer_.hostId_ == 0 && deadline_.hasExpired())
    peer_.endSession(DPNERR_CONNECTIONLOST);
}

void Succession::reset() {
  lostHost_ = awaited_ = 0;
  deadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
}

}  // namespace tv::peer
