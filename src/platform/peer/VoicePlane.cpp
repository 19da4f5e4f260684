#include "platform/peer/VoicePlane.h"

#include "platform/peer/SessionPeer.h"
#include "platform/peer/SessionVoiceClient.h"

#include <QSet>

#include <utility>

namespace tv::peer {

namespace {
constexpr qsizetype kMaxTargets = 64;
}  // namespace

bool VoicePlane::canServe() const { return peer_.isHost(); }

bool VoicePlane::canConnect() const { return peer_.inSession(); }

Result VoicePlane::startSession(const VoiceSessionDesc &desc) {
  if (!peer_.isHost()) return DVERR_NOTHOST;
  if (!findCompressionType(desc.compressionGuid)) return DVERR_COMPRESSIONNOTSUPPORTED;
  if (desc.sessionType != kVoiceSessionPeer) return DVERR_INVALIDPARAM;
  if (peer_.state_.data().voiceActive) return DVERR_ALREADYCONNECTED;
  const wire::VoiceSessionChanged changed{true, desc};
  onAnnouncement(changed);
  peer_.announce(changed);
  const QList<HeldJoin> held = std::exchange(heldJoins_, {});
  for (const HeldJoin &join : held)
    if (peer_.state_.isMember(join.from)) admit(join.from);
  return kOk;
}

Result VoicePlane::stopSession() {
  if (!peer_.isHost()) return DVERR_NOTHOST;
  if (!peer_.state_.data().voiceActive) return DVERR_NOVOICESESSION;
  const wire::VoiceSessionChanged changed{false, {}};
  onAnnouncement(changed);
  peer_.announce(changed);
  return kOk;
}

Result VoicePlane::sessionDesc(VoiceSessionDesc &out) const {
  if (!peer_.inSession() || !peer_.state_.data().voiceActive) return DVERR_NOVOICESESSION;
  out = peer_.state_.data().voiceDesc;
  return kOk;
}

Result VoicePlane::connectClient(SessionVoiceClient *client,
                                 std::shared_ptr<audio::VoicePath> path) {
  if (!peer_.inSession()) return DVERR_NOTCONNECTED;
  if (clientState_ != ClientState::Idle) return DVERR_ALREADYCONNECTED;
  client_ = client;
  clientState_ = ClientState::Connecting;
  path_ = std::move(path);
  if (peer_.transport_) peer_.transport_->attachVoice(path_);
  peer_.sendToHost(wire::VoiceJoinRequest{});
  return kPending;
}

Result VoicePlane::disconnectClient(SessionVoiceClient *client) {
  if (client_ != client || clientState_ == ClientState::Idle) return DVERR_NOTCONNECTED;
  const bool wasConnected = clientState_ == ClientState::Connected;
  clientState_ = ClientState::Idle;
  endClient();
  if (peer_.inSession()) peer_.sendToHost(wire::VoiceLeaveRequest{});
  const quint32 self = peer_.selfId_;
  if (wasConnected)
    raiseClient([self](SessionVoiceClient &c) { Q_EMIT c.deleteVoicePlayer(self); });
  raiseClient([](SessionVoiceClient &c) { Q_EMIT c.disconnectResult(kOk); });
  return kPending;
}

void VoicePlane::detachClient(SessionVoiceClient *client) {
  if (client_ != client) return;
  if (clientState_ != ClientState::Idle && peer_.inSession())
    peer_.sendToHost(wire::VoiceLeaveRequest{});
  clientState_ = ClientState::Idle;
  client_ = nullptr;
  endClient();
}

void VoicePlane::endClient() {
  if (client_) client_->stopAudio();
  path_.reset();
  if (peer_.transport_) peer_.transport_->attachVoice(nullptr);
  refreshRoutes();
}

void VoicePlane::reset() {
  clientState_ = ClientState::Idle;
  heldJoins_.clear();
  endClient();
}

Result VoicePlane::checkTargets(const QList<quint32> &targets) const {
  if (targets.size() > kMaxTargets) return DVERR_INVALIDPARAM;
  for (const quint32 t : targets)
    if (t != 0 && !peer_.state_.isMember(t) && !peer_.state_.isGroup(t)) return DVERR_INVALIDTARGET;
  return kOk;
}

void VoicePlane::setTargets(const QList<quint32> &targets) {
  targets_ = targets;
  refreshRoutes();
}

void VoicePlane::refreshRoutes() {
  auto routes = std::make_shared<VoiceRoutes>();
  if (clientState_ == ClientState::Connected && peer_.inSession()) {
    const SessionState &state = peer_.state_;
    const quint32 self = peer_.selfId_;
    const auto linkOf = [this](quint32 id) -> LinkId {
      const SessionPeer::Link *link = peer_.linkOf(id);
      return link && link->up && link->committed ? link->id : 0;
    };
    for (const quint32 id : state.data().voiceMembers)
      if (const LinkId link = id != self ? linkOf(id) : 0) routes->members.push_back({link, id});
    QList<quint32> to;
    for (const quint32 t : std::as_const(targets_))
      if (const auto ids = state.recipients(t))
        for (const quint32 id : *ids)
          if (id != self && state.isVoiceMember(id) && !to.contains(id)) to.append(id);
    for (const quint32 id : std::as_const(to))
      if (const LinkId link = linkOf(id)) routes->targets.push_back(link);
  }
  if (routes_ && *routes_ == *routes) return;
  routes_ = std::move(routes);
  if (peer_.transport_) peer_.transport_->setVoiceRoutes(routes_);
}

void VoicePlane::transportOpened() {
  routes_.reset();
  if (peer_.transport_ && path_) peer_.transport_->attachVoice(path_);
  refreshRoutes();
}

void VoicePlane::onAnnouncement(const wire::VoiceSessionChanged &changed) {
  wire::Snapshot &s = peer_.state_.data();
  s.voiceActive = changed.active;
  s.voiceDesc = changed.active ? changed.desc : VoiceSessionDesc{};
  s.voiceMembers.clear();
  if (changed.active || clientState_ == ClientState::Idle) return refreshRoutes();
  const bool wasConnecting = clientState_ == ClientState::Connecting;
  clientState_ = ClientState::Idle;
  endClient();
  if (wasConnecting)
    raiseClient([](SessionVoiceClient &c) { Q_EMIT c.connectResult(DVERR_NOVOICESESSION); });
  else
    raiseClient([](SessionVoiceClient &c) { Q_EMIT c.sessionLost(DVERR_SESSIONLOST); });
}

void VoicePlane::onAnnouncement(const wire::VoiceJoinRefused &refused) {
  if (clientState_ != ClientState::Connecting) return;
  clientState_ = ClientState::Idle;
  endClient();
  const Result result = refused.result ? refused.result : DPNERR_GENERIC;
  raiseClient([result](SessionVoiceClient &c) { Q_EMIT c.connectResult(result); });
}

void VoicePlane::onAnnouncement(const wire::VoiceMemberAdded &added) { memberAdded(added.id); }

void VoicePlane::onAnnouncement(const wire::VoiceMemberRemoved &removed) {
  memberRemoved(removed.id);
}

void VoicePlane::onRequest(quint32 from, const wire::Frame &request) {
  if (std::holds_alternative<wire::VoiceJoinRequest>(request)) {
    if (!peer_.state_.data().voiceActive) {
      for (const HeldJoin &join : std::as_const(heldJoins_))
        if (join.from == from) return;
      heldJoins_.append({from, QDeadlineTimer(peer_.config_.voiceJoinHoldMs)});
      return;
    }
    admit(from);
  } else if (peer_.state_.isVoiceMember(from)) {
    memberRemoved(from);
    peer_.announce(wire::VoiceMemberRemoved{from});
  }
}

void VoicePlane::admit(quint32 id) {
  memberAdded(id);
  peer_.announce(wire::VoiceMemberAdded{id});
}

void VoicePlane::refuseJoin(quint32 id) {
  const wire::VoiceJoinRefused refused{DVERR_NOVOICESESSION};
  if (id == peer_.selfId_)
    onAnnouncement(refused);
  else
    peer_.sendToPlayer(id, refused);
}

void VoicePlane::tick() {
  QList<quint32> expired;
  heldJoins_.removeIf([&expired](const HeldJoin &join) {
    if (!join.until.hasExpired()) return false;
    expired.append(join.from);
    return true;
  });
  for (const quint32 id : std::as_const(expired)) refuseJoin(id);
}

void VoicePlane::memberAdded(quint32 id) {
  const bool added = peer_.state_.addVoiceMember(id);
  const quint32 self = peer_.selfId_;
  if (id == self && clientState_ == ClientState::Connecting) {
    clientState_ = ClientState::Connected;
    refreshRoutes();
    raiseClient([](SessionVoiceClient &c) { Q_EMIT c.connectResult(kOk); });
    raiseClient(
        [self](SessionVoiceClient &c) { Q_EMIT c.createVoicePlayer(self, kVoicePlayerLocal); });
    for (const quint32 other : peer_.state_.data().voiceMembers)
      if (other != self)
        raiseClient([other](SessionVoiceClient &c) { Q_EMIT c.createVoicePlayer(other, 0); });
  } else if (added && id != self && clientState_ == ClientState::Connected) {
    // The table goes to the transport before this member can hear of it.
    refreshRoutes();
    raiseClient([id](SessionVoiceClient &c) { Q_EMIT c.createVoicePlayer(id, 0); });
  } else {
    refreshRoutes();
  }
}

void VoicePlane::memberRemoved(quint32 id) {
  if (!peer_.state_.removeVoiceMember(id)) return;
  refreshRoutes();
  if (id != peer_.selfId_ && clientState_ == ClientState::Connected)
    raiseClient([id](SessionVoiceClient &c) { Q_EMIT c.deleteVoicePlayer(id); });
}

void VoicePlane::memberLeaving(quint32 id) {
  heldJoins_.removeIf([id](const HeldJoin &join) { return join.from == id; });
  if (clientState_ == ClientState::Connected && peer_.state_.isVoiceMember(id))
    raiseClient([id](SessionVoiceClient &c) { Q_EMIT c.deleteVoicePlayer(id); });
  if (id == peer_.selfId_) {
    clientState_ = ClientState::Idle;
    endClient();
  }
}

void VoicePlane::hostMigrated(quint32 newHost) {
  if (clientState_ == ClientState::Idle) return;
  raiseClient([newHost](SessionVoiceClient &c) { Q_EMIT c.hostMigrated(newHost); });
  // A join the old host never answered is asked again.
  if (clientState_ == ClientState::Connecting) peer_.sendToHost(wire::VoiceJoinRequest{});
}

void VoicePlane::sessionEnded() {
  heldJoins_.clear();
  if (clientState_ == ClientState::Connected)
    raiseClient([](SessionVoiceClient &c) { Q_EMIT c.sessionLost(DVERR_SESSIONLOST); });
  clientState_ = ClientState::Idle;
  endClient();
}

void VoicePlane::raiseClient(std::function<void(SessionVoiceClient &)> emitter, bool fromTimer) {
  if (peer_.phase_ == SessionPeer::Phase::Linking) return;
  auto item = [client = client_, emitter = std::move(emitter)] {
    if (client && client->notifying()) emitter(*client);
  };
  fromTimer ? peer_.callbacks_.deliverOrPush(std::move(item))
            : peer_.callbacks_.push(std::move(item));
}

}  // namespace tv::peer
