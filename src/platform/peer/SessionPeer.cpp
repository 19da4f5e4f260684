#include "platform/peer/SessionPeer.h"

#include "platform/peer/HostSearch.h"
#include "platform/peer/JoinClient.h"
#include "platform/peer/JoinCoordinator.h"
#include "platform/peer/Succession.h"
#include "platform/peer/VoicePlane.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace tv::peer {

namespace {

// Messages a member may send a newcomer before the host's word about it arrives here
// are held; beyond these limits the link is given up.
constexpr qsizetype kMaxHeldBytes = 2 * kMaxMessageBytes + 1024 * 1024;
constexpr size_t kMaxHeldMessages = 4096;
constexpr int kHousekeepingMs = 200;

bool textFits(const QString &text) { return text.toUtf8().size() <= kMaxNameBytes; }

quint32 localIpv4() {
  for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
    bool isV4 = false;
    const quint32 v4 = a.toIPv4Address(&isV4);
    if (isV4 && !a.isLoopback() && v4 != 0) return v4;
  }
  return QHostAddress(QHostAddress::LocalHost).toIPv4Address();
}

}  // namespace

SessionPeer::SessionPeer(const PeerConfig &config, TransportFactory makeTransport, QObject *parent)
    : Peer(parent),
      config_(config),
      makeTransport_(std::move(makeTransport)),
      search_(std::make_unique<HostSearch>(*this)),
      joins_(std::make_unique<JoinCoordinator>(*this)),
      joining_(std::make_unique<JoinClient>(*this)),
      succession_(std::make_unique<Succession>(*this)),
      voice_(std::make_unique<VoicePlane>(*this)) {
  housekeeping_.setInterval(kHousekeepingMs);
  connect(&housekeeping_, &QTimer::timeout, this, &SessionPeer::housekeeping);
}

SessionPeer::~SessionPeer() { Close(); }

// ---- Operations ------------------------------------------------------------------

Result SessionPeer::RegisterMessageHandler() {
  registered_ = true;
  return kOk;
}

Result SessionPeer::UnRegisterMessageHandler() {
  registered_ = false;
  callbacks_.clear();
  departed_.clear();
  return kOk;
}

Result SessionPeer::GetCountServiceProviders(quint32 &count) const {
  count = quint32(config_.providers.size());
  return kOk;
}

Result SessionPeer::GetServiceProvider(quint32 n, ServiceProviderInfo &out) const {
  if (n < 1 || n > quint32(config_.providers.size())) return DPNERR_INVALIDPARAM;
  out = config_.providers.at(n - 1);
  return kOk;
}

Result SessionPeer::SetPeerInfo(const PlayerInfo &info) {
  if (!textFits(info.name)) return DPNERR_INVALIDPARAM;
  ownName_ = info.name;
  if (inSession()) sendToHost(wire::SetInfoRequest{info.name});
  return kOk;
}

Result SessionPeer::GetPeerInfo(quint32 playerId, PlayerInfo &out) const {
  if (const wire::MemberRecord *m = state_.member(playerId); m && phase_ != Phase::Linking) {
    out = infoOf(*m);
    return kOk;
  }
  if (departed_.contains(playerId)) {
    out = departed_.value(playerId);
    return kOk;
  }
  return DPNERR_INVALIDPLAYER;
}

Result SessionPeer::Host(const ApplicationDesc &desc, const Address &device) {
  if (phase_ != Phase::Idle) return DPNERR_ALREADYCONNECTED;
  if (desc.applicationGuid.isNull() || desc.maxPlayers > kMaxPlayersLimit ||
      !textFits(desc.sessionName) || !textFits(desc.password))
    return DPNERR_INVALIDPARAM;
  const quint16 port = device.portOrDefault();
  if (transport_ && transport_->localEndpoint().port != port) releaseTransport(0);
  if (!transport_)
    if (const Result r = openTransport(port)) return r;
  resetSession();
  ApplicationDesc d = desc;
  d.instanceGuid = QUuid::createUuid();
  d.flags &= kSessionMigrateHost | kSessionRequirePassword;
  d.currentPlayers = 0;
  state_.data().desc = d;
  selfId_ = state_.allocateId();
  hostId_ = selfId_;
  state_.data().hostId = selfId_;
  state_.addMember({selfId_, 1, ownName_, selfEndpoint()});
  phase_ = Phase::InSession;
  const quint32 self = selfId_;
  raise([this, self] { Q_EMIT createPlayer(self); });
  return kOk;
}

Result SessionPeer::EnumHosts(const ApplicationDesc &desc, const Address &host,
                              const Address &device, qint32 retries, qint32 intervalMs,
                              qint32 timeoutMs, quint32 &handle) {
  if (!transport_)
    if (const Result r = openTransport(device.port())) return r;
  return search_->start(desc, host, retries, intervalMs, timeoutMs, handle);
}

Result SessionPeer::CancelAsyncOperation(quint32 handle) { return search_->cancel(handle); }

Result SessionPeer::Connect(const ApplicationDesc &desc, const Address &host,
                            const Address &device) {
  if (phase_ != Phase::Idle) return DPNERR_ALREADYCONNECTED;
  if (desc.applicationGuid.isNull() || !textFits(desc.password)) return DPNERR_INVALIDPARAM;
  if (host.hostname().isEmpty()) return DPNERR_INVALIDHOSTADDRESS;
  if (!transport_)
    if (const Result r = openTransport(device.port())) return r;
  resetSession();
  phase_ = Phase::Connecting;
  joining_->start(desc, host);
  return kOk;
}

Result SessionPeer::GetCountPlayersAndGroups(quint32 enumFlags, quint32 &count) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  listed_.clear();
  if (enumFlags & kEnumPlayers) listed_ = state_.memberIds();
  if (enumFlags & kEnumGroups)
    for (const auto &g : state_.data().groups) listed_.append(g.id);
  count = quint32(listed_.size());
  return kOk;
}

Result SessionPeer::GetPlayerOrGroup(quint32 n, quint32 &id) const {
  if (n < 1 || n > quint32(listed_.size())) return DPNERR_INVALIDPARAM;
  id = listed_.at(n - 1);
  return kOk;
}

Result SessionPeer::GetConnectionInfo(quint32 playerId, ConnectionInfo &out) const {
  if (!inSession()) return DPNERR_NOCONNECTION;
  if (playerId == selfId_ || !state_.isMember(playerId)) return DPNERR_INVALIDPLAYER;
  const LinkId link = linkOfPlayer_.value(playerId);
  if (!link || !links_.value(link).up) return DPNERR_NOCONNECTION;
  out.roundTripMs = transport_->roundTripMs(link);
  return kOk;
}

Result SessionPeer::GetPeerAddress(quint32 playerId, Address &out) const {
  if (phase_ == Phase::Idle) return DPNERR_UNINITIALIZED;
  if (playerId == selfId_ && selfId_ != 0) {
    out = Address::fromEndpoint(selfEndpoint());
    return kOk;
  }
  const wire::MemberRecord *m = state_.member(playerId);
  if (!m) return DPNERR_INVALIDPLAYER;
  const LinkId link = linkOfPlayer_.value(playerId);
  out = Address::fromEndpoint(link ? links_.value(link).remote : m->endpoint);
  return kOk;
}

Result SessionPeer::DestroyPeer(quint32 playerId) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  if (!isHost()) return DPNERR_NOTHOST;
  if (playerId == selfId_ || !state_.isMember(playerId)) return DPNERR_INVALIDPLAYER;
  // The member hears of it on its own link before that link is closed.
  announce(wire::PlayerRemoved{playerId, kDestroyHostDestroyedPlayer});
  removeMember(playerId, kDestroyHostDestroyedPlayer);
  return kOk;
}

Result SessionPeer::CreateGroup(const GroupInfo &info, quint32 &groupId) {
  groupId = 0;
  if (!inSession()) return DPNERR_NOCONNECTION;
  if (!textFits(info.name)) return DPNERR_INVALIDPARAM;
  if (!isHost()) {
    sendToHost(wire::CreateGroupRequest{info.name});
    return kPending;
  }
  const wire::GroupRecord group{state_.allocateId(), selfId_, info.name, {}};
  applyGroupCreated(group);
  announce(wire::GroupCreated{group});
  groupId = group.id;
  return kOk;
}

Result SessionPeer::GetGroupInfo(quint32 groupId, GroupInfo &out) const {
  const wire::GroupRecord *g = state_.group(groupId);
  if (!g) return DPNERR_INVALIDGROUP;
  out = {g->name, g->ownerId};
  return kOk;
}

Result SessionPeer::AddPlayerToGroup(quint32 groupId, quint32 playerId) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  const wire::GroupRecord *g = state_.group(groupId);
  if (!g) return DPNERR_INVALIDGROUP;
  if (!state_.isMember(playerId)) return DPNERR_INVALIDPLAYER;
  if (g->members.contains(playerId)) return DPNERR_PLAYERALREADYINGROUP;
  sendToHost(wire::GroupMemberRequest{groupId, playerId, true});
  return isHost() ? kOk : kPending;
}

Result SessionPeer::RemovePlayerFromGroup(quint32 groupId, quint32 playerId) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  const wire::GroupRecord *g = state_.group(groupId);
  if (!g) return DPNERR_INVALIDGROUP;
  if (!state_.isMember(playerId)) return DPNERR_INVALIDPLAYER;
  if (!g->members.contains(playerId)) return DPNERR_PLAYERNOTINGROUP;
  sendToHost(wire::GroupMemberRequest{groupId, playerId, false});
  return isHost() ? kOk : kPending;
}

Result SessionPeer::SendTo(quint32 target, const QByteArray &data, quint32 flags) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  if (data.size() > kMaxMessageBytes) return DPNERR_SENDTOOLARGE;
  const auto to = state_.recipients(target);
  if (!to) return DPNERR_INVALIDPLAYER;
  const bool reliable = flags & kSendGuaranteed;
  const QByteArray frame =
      reliable ? wire::encode(wire::AppMessage{{data}}) : wire::encode(wire::AppDatagram{{data}});
  for (const quint32 id : *to) {
    if (id == selfId_) continue;
    const Link *link = linkOf(id);
    if (link && link->up && link->committed)
      transport_->send(link->id, reliable ? wire::kReliableChannel : wire::kUnreliableChannel,
                       frame);
  }
  if (to->contains(selfId_) && !(flags & kSendNoLoopback)) {
    const quint32 self = selfId_;
    raise([this, self, data] { Q_EMIT receive(self, data); });
  }
  return kOk;
}

Result SessionPeer::GetApplicationDesc(ApplicationDesc &out) const {
  if (!inSession()) return DPNERR_NOCONNECTION;
  out = state_.data().desc;
  out.currentPlayers = state_.memberCount();
  if (!isHost()) out.password.clear();
  return kOk;
}

Result SessionPeer::SetApplicationDesc(const ApplicationDesc &desc) {
  if (!inSession()) return DPNERR_NOCONNECTION;
  if (!isHost()) return DPNERR_NOTHOST;
  if (desc.maxPlayers > kMaxPlayersLimit || !textFits(desc.sessionName) || !textFits(desc.password))
    return DPNERR_INVALIDPARAM;
  ApplicationDesc d = state_.data().desc;
  d.flags = desc.flags & (kSessionMigrateHost | kSessionRequirePassword);
  d.maxPlayers = desc.maxPlayers;
  d.sessionName = desc.sessionName;
  d.password = desc.password;
  applyAppDesc(d);
  d.password.clear();
  announce(wire::AppDescChanged{d});
  return kOk;
}

Result SessionPeer::Close() {
  search_->cancelAll();
  if (inSession() && transport_) {
    const bool ends = isHost() && !(state_.data().desc.flags & kSessionMigrateHost);
    const QByteArray goodbye = ends ? wire::encode(wire::Terminate{DPNERR_HOSTTERMINATEDSESSION})
                                    : wire::encode(wire::Leave{});
    for (const Link &link : std::as_const(links_))
      if (link.up && (link.committed || link.newcomer))
        transport_->send(link.id, wire::kReliableChannel, goodbye);
  }
  callbacks_.clear();
  resetSession();
  releaseTransport(config_.closeGraceMs);
  return kOk;
}

// ---- Transport events ------------------------------------------------------------

void SessionPeer::onLinkUp(LinkId id, const Endpoint &remote) {
  const TransportEvent inEvent(*this);
  auto it = links_.find(id);
  if (it == links_.end()) {
    // Only a member takes in links: from newcomers, and joins for the host.
    if (phase_ != Phase::InSession) {
      transport_->closeLink(id);
      return;
    }
    Link link;
    link.id = id;
    link.remote = remote;
    link.up = true;
    link.deadline = limit(config_.joinTimeoutMs);
    links_.insert(id, std::move(link));
    return;
  }
  it->up = true;
  it->remote = remote;
  if (phase_ == Phase::Connecting || phase_ == Phase::Linking) joining_->onLinkUp(id);
}

void SessionPeer::onLinkDown(LinkId id) {
  const TransportEvent inEvent(*this);
  const auto it = links_.find(id);
  if (it == links_.end()) return;
  const Link link = std::move(*it);
  links_.erase(it);
  if (link.playerId && linkOfPlayer_.value(link.playerId) == id)
    linkOfPlayer_.remove(link.playerId);
  voice_->refreshRoutes();

  if (phase_ == Phase::Connecting || phase_ == Phase::Linking) {
    joining_->onLinkDown(id, link.playerId);
    return;
  }
  if (phase_ != Phase::InSession) return;
  if (isHost() && joins_->involves(id)) {
    joins_->onLinkDown(id);
    return;
  }
  const quint32 p = link.playerId;
  if (!p || !state_.isMember(p)) return;
  if (p == hostId_) {
    succession_->hostGone(kDestroyConnectionLost);
  } else if (isHost()) {
    removeMember(p, kDestroyConnectionLost);
    announce(wire::PlayerRemoved{p, kDestroyConnectionLost});
  } else if (leaveAwaited_.contains(p)) {
    removeMember(p, kDestroyNormal);
  } else if (hostId_ == 0) {
    succession_->memberLost(p);
  } else {
    // Only the host removes members: it decides whether it can still reach this one.
    sendToHost(wire::LinkLost{p});
  }
}

void SessionPeer::onFrame(LinkId id, quint8 channel, const QByteArray &bytes) {
  const TransportEvent inEvent(*this);
  const auto it = links_.find(id);
  if (it == links_.end()) return;
  Link &link = *it;
  const std::optional<wire::Frame> frame = wire::decode(bytes);
  if (!frame) {
    if (!link.playerId) dropLink(id);
    return;
  }
  const wire::Kind kind = wire::kindOf(*frame);
  // Voice frames are the transport's (VoiceRouter); one on the reliable channel is noise.
  if (kind == wire::Kind::VoiceFrame) return;
  if (kind == wire::Kind::AppMessage || kind == wire::Kind::AppDatagram) {
    const QByteArray &payload = kind == wire::Kind::AppMessage
                                    ? std::get<wire::AppMessage>(*frame).payload.bytes
                                    : std::get<wire::AppDatagram>(*frame).payload.bytes;
    onPayload(link, quint8(kind), payload);
    return;
  }
  if (channel != wire::kReliableChannel) return;
  if (phase_ == Phase::Connecting || phase_ == Phase::Linking) {
    if (joining_->isHostLink(id)) joining_->onHostFrame(*frame);
    return;
  }
  if (phase_ != Phase::InSession) return;
  if (!link.playerId) {
    onUnknownLinkFrame(link, *frame);
  } else if (link.newcomer) {
    if (const auto *f = std::get_if<wire::JoinLinkFailed>(&*frame))
      joins_->onLinkFailed(id, f->memberId);
  } else if (link.committed) {
    onMemberFrame(link, *frame);
  }
}

void SessionPeer::onDatagram(const Endpoint &from, const QByteArray &bytes) {
  const TransportEvent inEvent(*this);
  const std::optional<wire::Datagram> datagram = wire::decodeDatagram(bytes);
  if (!datagram) return;
  if (const auto *q = std::get_if<wire::EnumQuery>(&*datagram))
    search_->onQuery(from, *q);
  else
    search_->onAnswer(from, std::get<wire::EnumAnswer>(*datagram));
}

void SessionPeer::onUnknownLinkFrame(Link &link, const wire::Frame &frame) {
  if (const auto *request = std::get_if<wire::JoinRequest>(&frame)) {
    if (isHost()) {
      joins_->onRequest(link.id, *request);
    } else {
      sendFrame(link.id, wire::JoinRefused{DPNERR_NOTHOST});
      dropLink(link.id);
    }
  } else if (const auto *hello = std::get_if<wire::LinkHello>(&frame)) {
    joins_->onLinkHello(link.id, *hello);
  } else {
    dropLink(link.id);
  }
}

void SessionPeer::onHostFrame(const wire::Frame &frame) {
  std::visit(
      [this](const auto &f) {
        using T = std::decay_t<decltype(f)>;
        if constexpr (std::is_same_v<T, wire::PeerExpected>) {
          joins_->onPeerExpected(f);
        } else if constexpr (std::is_same_v<T, wire::PeerExpectedCancel>) {
          joins_->onPeerExpectedCancel(f.id);
        } else if constexpr (std::is_same_v<T, wire::PlayerAdded>) {
          applyPlayerAdded(f.member);
        } else if constexpr (std::is_same_v<T, wire::PlayerRemoved>) {
          applyPlayerRemoved(f.id, f.reason);
        } else if constexpr (std::is_same_v<T, wire::Terminate>) {
          endSession(f.result);
        } else if constexpr (std::is_same_v<T, wire::InfoChanged>) {
          applyInfo(f.id, f.name);
        } else if constexpr (std::is_same_v<T, wire::GroupCreated>) {
          applyGroupCreated(f.group);
        } else if constexpr (std::is_same_v<T, wire::GroupMemberChanged>) {
          applyGroupMember(f.groupId, f.playerId, f.add);
        } else if constexpr (std::is_same_v<T, wire::AppDescChanged>) {
          applyAppDesc(f.desc);
        } else if constexpr (std::is_same_v<T, wire::VoiceSessionChanged> ||
                             std::is_same_v<T, wire::VoiceJoinRefused> ||
                             std::is_same_v<T, wire::VoiceMemberAdded> ||
                             std::is_same_v<T, wire::VoiceMemberRemoved>) {
          voice_->onAnnouncement(f);
        }
      },
      frame);
}

void SessionPeer::onMemberFrame(Link &link, const wire::Frame &frame) {
  const quint32 from = link.playerId;
  if (std::holds_alternative<wire::Leave>(frame)) {
    onLeave(from);
  } else if (const auto *migrated = std::get_if<wire::HostMigrated>(&frame)) {
    succession_->onHostMigrated(from, *migrated);
  } else if (from == hostId_) {
    onHostFrame(frame);
  } else if (isHost()) {
    handleRequest(from, frame);
  }
}

void SessionPeer::onPayload(Link &link, quint8 kind, const QByteArray &payload) {
  if (!link.playerId) {
    dropLink(link.id);  // strangers do not talk
    return;
  }
  const bool deliverable = link.committed && phase_ == Phase::InSession;
  if (deliverable) {
    const quint32 from = link.playerId;
    raise([this, from, payload] { Q_EMIT receive(from, payload); });
    return;
  }
  if (link.held.size() >= kMaxHeldMessages || link.heldBytes + payload.size() > kMaxHeldBytes) {
    dropLink(link.id);
    return;
  }
  link.held.emplace_back(kind, payload);
  link.heldBytes += payload.size();
}

void SessionPeer::housekeeping() {
  QList<LinkId> silent;
  for (const Link &link : std::as_const(links_))
    if (!link.playerId && link.deadline.hasExpired()) silent.append(link.id);
  for (const LinkId id : silent) dropLink(id);

  QList<quint32> gone;
  for (auto it = leaveAwaited_.cbegin(); it != leaveAwaited_.cend(); ++it)
    if (it.value().hasExpired()) gone.append(it.key());
  for (const quint32 id : gone) removeMember(id, kDestroyNormal);

  joining_->tick();
  succession_->tick();
  joins_->tick();
  voice_->tick();
  // Every change that matters republishes the voice routes at once; this only catches
  // what a future change might forget.
  voice_->refreshRoutes();
}

// ---- Shared state ----------------------------------------------------------------

void SessionPeer::handleRequest(quint32 from, const wire::Frame &frame) {
  if (const auto *ready = std::get_if<wire::LinkReady>(&frame)) {
    joins_->onLinkReady(from, ready->id);
  } else if (const auto *lost = std::get_if<wire::LinkLost>(&frame)) {
    if (lost->id != selfId_ && state_.isMember(lost->id) && !hasLiveLink(lost->id)) {
      removeMember(lost->id, kDestroyConnectionLost);
      announce(wire::PlayerRemoved{lost->id, kDestroyConnectionLost});
    }
  } else if (const auto *info = std::get_if<wire::SetInfoRequest>(&frame)) {
    applyInfo(from, info->name);
    announce(wire::InfoChanged{from, info->name});
  } else if (const auto *create = std::get_if<wire::CreateGroupRequest>(&frame)) {
    const wire::GroupRecord group{state_.allocateId(), from, create->name, {}};
    applyGroupCreated(group);
    announce(wire::GroupCreated{group});
  } else if (const auto *change = std::get_if<wire::GroupMemberRequest>(&frame)) {
    if (state_.group(change->groupId) && state_.isMember(change->playerId)) {
      applyGroupMember(change->groupId, change->playerId, change->add);
      announce(wire::GroupMemberChanged{change->groupId, change->playerId, change->add});
    }
  } else if (std::holds_alternative<wire::VoiceJoinRequest>(frame) ||
             std::holds_alternative<wire::VoiceLeaveRequest>(frame)) {
    voice_->onRequest(from, frame);
  }
}

void SessionPeer::applyPlayerAdded(const wire::MemberRecord &member) {
  if (member.id == 0 || state_.isMember(member.id) || state_.isGroup(member.id)) return;
  state_.addMember(member);
  joins_->forget(member.id);
  const quint32 id = member.id;
  raise([this, id] { Q_EMIT createPlayer(id); });
  if (Link *link = linkOf(id)) {
    link->committed = true;
    flushHeld(*link);
  }
  voice_->refreshRoutes();
}

void SessionPeer::applyPlayerRemoved(quint32 id, quint32 reason) {
  if (id == selfId_) {
    leftByHost(reason);
    return;
  }
  const Link *link = linkOf(id);
  if (reason == kDestroyNormal && link && link->up && link->committed && inSession()) {
    // Its goodbye on its own link follows its last messages: wait for it.
    leaveAwaited_.insert(id, limit(config_.detectionLimitMs));
    return;
  }
  removeMember(id, reason);
}

void SessionPeer::applyInfo(quint32 id, const QString &name) {
  wire::MemberRecord *m = state_.member(id);
  if (!m) return;
  m->name = name;
  raise([this, id] { Q_EMIT infoNotify(kMsgPeerInfoChanged, id); });
}

void SessionPeer::applyGroupCreated(const wire::GroupRecord &group) {
  if (group.id == 0 || state_.isGroup(group.id) || state_.isMember(group.id)) return;
  wire::GroupRecord g = group;
  g.members.clear();
  state_.addGroup(g);
  const quint32 id = g.id, owner = g.ownerId;
  raise([this, id, owner] { Q_EMIT createGroup(id, owner); });
}

void SessionPeer::applyGroupMember(quint32 groupId, quint32 playerId, bool add) {
  if (!state_.setGroupMember(groupId, playerId, add)) return;
  voice_->refreshRoutes();
  const quint32 message = add ? kMsgAddPlayerToGroup : kMsgRemovePlayerFromGroup;
  raise([this, message, groupId, playerId] {
    Q_EMIT addRemovePlayerGroup(message, groupId, playerId);
  });
}

void SessionPeer::applyAppDesc(const ApplicationDesc &desc) {
  ApplicationDesc &d = state_.data().desc;
  d.flags = desc.flags;
  d.maxPlayers = desc.maxPlayers;
  d.sessionName = desc.sessionName;
  if (isHost()) d.password = desc.password;
  raise([this] { Q_EMIT appDesc(); });
}

// ---- Departures and host migration -------------------------------------------------

void SessionPeer::removeMember(quint32 id, quint32 reason) {
  const wire::MemberRecord *m = state_.member(id);
  if (!m) return;
  const PlayerInfo info = infoOf(*m);
  voice_->memberLeaving(id);
  state_.removeMember(id);
  leaveAwaited_.remove(id);
  joins_->forget(id);
  if (const LinkId link = linkOfPlayer_.value(id)) dropLink(link);
  if (isHost()) joins_->onMemberGone(id);
  voice_->refreshRoutes();
  if (phase_ == Phase::Linking) return;
  // The player stays readable while its destroyPlayer is being handled.
  departed_.insert(id, info);
  callbacks_.push([this, id, reason] {
    if (registered_) Q_EMIT destroyPlayer(id, reason);
    departed_.remove(id);
  });
}

void SessionPeer::onLeave(quint32 from) {
  if (from == hostId_) {
    succession_->hostGone(kDestroyNormal);
    return;
  }
  removeMember(from, kDestroyNormal);
  if (isHost()) announce(wire::PlayerRemoved{from, kDestroyNormal});
  succession_->memberLost(from);
}

void SessionPeer::endSession(Result result) {
  raise([this, result] { Q_EMIT terminateSession(result); });
  voice_->sessionEnded();
  joins_->reset();
  for (const LinkId id : links_.keys()) dropLink(id);
  hostId_ = 0;
  phase_ = Phase::Ended;
}

void SessionPeer::leftByHost(quint32 reason) {
  const wire::MemberRecord *m = state_.member(selfId_);
  if (!m) return;
  const quint32 self = selfId_;
  departed_.insert(self, infoOf(*m));
  voice_->memberLeaving(self);
  callbacks_.push([this, self, reason] {
    if (registered_) Q_EMIT destroyPlayer(self, reason);
    departed_.remove(self);
  });
  voice_->sessionEnded();
  for (const LinkId id : links_.keys()) dropLink(id);
  phase_ = Phase::Ended;
}

// ---- Helpers ---------------------------------------------------------------------

bool SessionPeer::hasLiveLink(quint32 playerId) const {
  const LinkId id = linkOfPlayer_.value(playerId);
  return id && links_.value(id).up;
}

SessionPeer::Link *SessionPeer::linkOf(quint32 playerId) {
  const LinkId id = linkOfPlayer_.value(playerId);
  const auto it = links_.find(id);
  return id && it != links_.end() ? &*it : nullptr;
}

void SessionPeer::sendFrame(LinkId link, const wire::Frame &frame) {
  if (!transport_ || !link) return;
  const wire::Kind kind = wire::kindOf(frame);
  const quint8 channel = kind == wire::Kind::AppDatagram || kind == wire::Kind::VoiceFrame
                             ? wire::kUnreliableChannel
                             : wire::kReliableChannel;
  transport_->send(link, channel, wire::encode(frame));
}

void SessionPeer::sendToPlayer(quint32 playerId, const wire::Frame &frame) {
  if (const Link *link = linkOf(playerId); link && link->up) sendFrame(link->id, frame);
}

void SessionPeer::sendToHost(const wire::Frame &frame) {
  if (isHost())
    handleRequest(selfId_, frame);
  else if (hostId_ == 0 || !hasLiveLink(hostId_))
    hostRequests_.append(frame);
  else
    sendToPlayer(hostId_, frame);
}

void SessionPeer::announce(const wire::Frame &frame, quint32 except) {
  if (!transport_) return;
  const QByteArray bytes = wire::encode(frame);
  for (const Link &link : std::as_const(links_)) {
    if (!link.up || link.playerId == 0 || link.playerId == except) continue;
    if ((link.committed && state_.isMember(link.playerId)) || link.newcomer)
      transport_->send(link.id, wire::kReliableChannel, bytes);
  }
}

void SessionPeer::dropLink(LinkId id) {
  const auto it = links_.find(id);
  if (it == links_.end()) return;
  if (it->playerId && linkOfPlayer_.value(it->playerId) == id) linkOfPlayer_.remove(it->playerId);
  links_.erase(it);
  if (transport_) transport_->closeLink(id);
  voice_->refreshRoutes();
}

void SessionPeer::flushHeld(Link &link) {
  const quint32 from = link.playerId;
  while (!link.held.empty()) {
    const QByteArray payload = std::move(link.held.front().second);
    link.held.pop_front();
    raise([this, from, payload] { Q_EMIT receive(from, payload); });
  }
  link.heldBytes = 0;
}

PlayerInfo SessionPeer::infoOf(const wire::MemberRecord &member) const {
  PlayerInfo info;
  info.name = member.id == selfId_ ? ownName_ : member.name;
  if (member.id == selfId_) info.playerFlags |= kPlayerLocal;
  if (member.id == hostId_) info.playerFlags |= kPlayerHost;
  return info;
}

void SessionPeer::raise(std::function<void()> emitter) {
  // A newcomer still linking reports nothing: its callbacks start with its own join.
  if (phase_ == Phase::Linking) return;
  callbacks_.push([this, emitter = std::move(emitter)] {
    if (registered_) emitter();
  });
}

Result SessionPeer::openTransport(quint16 port) {
  std::unique_ptr<Transport> transport = makeTransport_();
  if (const Result r = transport->open(port)) return r;
  transport_ = std::move(transport);
  connect(transport_.get(), &Transport::linkUp, this, &SessionPeer::onLinkUp);
  connect(transport_.get(), &Transport::linkDown, this, &SessionPeer::onLinkDown);
  connect(transport_.get(), &Transport::frameReceived, this, &SessionPeer::onFrame);
  connect(transport_.get(), &Transport::datagramReceived, this, &SessionPeer::onDatagram);
  voice_->transportOpened();
  housekeeping_.start();
  return kOk;
}

void SessionPeer::releaseTransport(int graceMs) {
  housekeeping_.stop();
  if (!transport_) return;
  transport_->disconnect(this);
  transport_->shutdown(graceMs);
  if (inTransportEvent_ > 0)
    transport_.release()->deleteLater();  // not under its own signal
  else
    transport_.reset();
}

Endpoint SessionPeer::reachable(const Endpoint &seen) {
  // A member on the host's own PC is seen on the loopback address, which is not where
  // members on other PCs find it.
  if ((seen.ipv4 >> 24) == 127) return {localIpv4(), seen.port};
  return seen;
}

void SessionPeer::resetSession() {
  ++generation_;
  joins_->reset();
  joining_->reset();
  succession_->reset();
  voice_->reset();
  for (const LinkId id : links_.keys()) dropLink(id);
  links_.clear();
  linkOfPlayer_.clear();
  departed_.clear();
  listed_.clear();
  state_.reset();
  selfId_ = hostId_ = 0;
  selfEndpoint_ = {};
  leaveAwaited_.clear();
  hostRequests_.clear();
  phase_ = Phase::Idle;
}

Endpoint SessionPeer::selfEndpoint() const {
  if (!selfEndpoint_.isNull()) return selfEndpoint_;
  return {localIpv4(), transport_ ? transport_->localEndpoint().port : quint16(0)};
}

}  // namespace tv::peer
