#include "platform/peer/JoinCoordinator.h"

#include "platform/peer/SessionPeer.h"

#include <QRandomGenerator>

namespace tv::peer {

namespace {
// Joins waiting for their turn; more are refused at once.
constexpr size_t kMaxQueued = 16;
}  // namespace

Result JoinCoordinator::check(const wire::JoinRequest &request) const {
  const ApplicationDesc &desc = peer_.state_.data().desc;
  if (request.version != wire::kProtocolVersion ||
      request.applicationGuid != desc.applicationGuid ||
      (!request.instanceGuid.isNull() && request.instanceGuid != desc.instanceGuid))
    return DPNERR_HOSTREJECTEDCONNECTION;
  if ((desc.flags & kSessionRequirePassword) && request.password != desc.password)
    return DPNERR_INVALIDPASSWORD;
  if (desc.maxPlayers != 0 && peer_.state_.memberCount() >= desc.maxPlayers)
    return DPNERR_SESSIONFULL;
  if (peer_.links_.size() >= peer_.config_.maxLinks) return DPNERR_SESSIONFULL;
  return kOk;
}

void JoinCoordinator::onRequest(LinkId link, const wire::JoinRequest &request) {
  if (involves(link)) return;
  if (const Result why = check(request)) {
    refuse(link, why);
    return;
  }
  if (!pending_) {
    start(link, request);
    return;
  }
  if (queue_.size() >= kMaxQueued) {
    refuse(link, DPNERR_HOSTREJECTEDCONNECTION);
    return;
  }
  peer_.links_[link].deadline = QDeadlineTimer(QDeadlineTimer::Forever);
  queue_.emplace_back(link, request);
}

void JoinCoordinator::start(LinkId link, const wire::JoinRequest &request) {
  SessionPeer::Link &l = peer_.links_[link];
  Pending p;
  p.link = link;
  p.id = peer_.state_.allocateId();
  p.name = request.name;
  p.deadline = peer_.limit(peer_.config_.joinTimeoutMs);
  const quint64 token = QRandomGenerator::system()->generate64();
  l.newcomer = true;
  l.playerId = p.id;
  peer_.transport_->trust(link);
  l.deadline = QDeadlineTimer(QDeadlineTimer::Forever);
  peer_.linkOfPlayer_.insert(p.id, link);

  wire::JoinAccepted accepted{p.id, token, SessionPeer::reachable(l.remote), peer_.state_.data()};
  accepted.snapshot.desc.password.clear();
  peer_.sendFrame(link, accepted);
  for (const quint32 m : peer_.state_.memberIds()) {
    if (m == peer_.selfId_) continue;
    p.waitingFor.insert(m);
    peer_.sendToPlayer(m, wire::PeerExpected{p.id, token});
  }
  pending_ = std::move(p);
  if (pending_->waitingFor.isEmpty()) commit();
}

void JoinCoordinator::onLinkReady(quint32 member, quint32 newcomer) {
  if (!pending_ || pending_->id != newcomer) return;
  pending_->waitingFor.remove(member);
  if (pending_->waitingFor.isEmpty()) commit();
}

void JoinCoordinator::onLinkFailed(LinkId link, quint32 member) {
  if (pending_ && pending_->link == link && peer_.state_.isMember(member))
    abort(DPNERR_NOCONNECTION);
}

void JoinCoordinator::onLinkDown(LinkId link) {
  std::erase_if(queue_, [link](const auto &q) { return q.first == link; });
  if (!pending_ || pending_->link != link) return;
  const quint32 id = pending_->id;
  pending_.reset();
  peer_.announce(wire::PeerExpectedCancel{id});
  startNext();
}

void JoinCoordinator::onMemberGone(quint32 member) {
  if (!pending_) return;
  pending_->waitingFor.remove(member);
  if (pending_->waitingFor.isEmpty()) commit();
}

void JoinCoordinator::tick() {
  if (pending_ && pending_->deadline.hasExpired()) abort(DPNERR_NOCONNECTION);
  for (auto it = expected_.begin(); it != expected_.end();)
    it = it->second.hasExpired() ? expected_.erase(it) : std::next(it);
}

void JoinCoordinator::reset() {
  expected_.clear();
  std::deque<std::pair<LinkId, wire::JoinRequest>> queued;
  queued.swap(queue_);
  for (const auto &q : queued) peer_.dropLink(q.first);
  if (pending_) {
    const LinkId link = pending_->link;
    pending_.reset();
    peer_.dropLink(link);
  }
}

bool JoinCoordinator::involves(LinkId link) const {
  if (pending_ && pending_->link == link) return true;
  for (const auto &q : queue_)
    if (q.first == link) return true;
  return false;
}

void JoinCoordinator::commit() {
  Pending p = std::move(*pending_);
  pending_.reset();
  const auto it = peer_.links_.find(p.link);
  if (it == peer_.links_.end()) {
    startNext();
    return;
  }
  const wire::MemberRecord member{p.id, peer_.state_.nextJoinOrder(), p.name,
                                  SessionPeer::reachable(it->remote)};
  it->newcomer = false;
  // Everyone else hears of the newcomer before the newcomer hears it is in.
  peer_.announce(wire::PlayerAdded{member}, p.id);
  peer_.sendFrame(p.link, wire::JoinComplete{member});
  peer_.applyPlayerAdded(member);
  startNext();
}

void JoinCoordinator::refuse(LinkId link, Result why) {
  peer_.sendFrame(link, wire::JoinRefused{why});
  peer_.dropLink(link);
}

void JoinCoordinator::abort(Result why) {
  const Pending p = std::move(*pending_);
  pending_.reset();
  peer_.linkOfPlayer_.remove(p.id);
  refuse(p.link, why);
  peer_.announce(wire::PeerExpectedCancel{p.id});
  startNext();
}

void JoinCoordinator::startNext() {
  while (!pending_ && !queue_.empty()) {
    auto [link, request] = std::move(queue_.front());
    queue_.pop_front();
    if (!peer_.links_.contains(link)) continue;
    if (const Result why = check(request))
      refuse(link, why);
    else
      start(link, request);
  }
}

void JoinCoordinator::onLinkHello(LinkId link, const wire::LinkHello &hello) {
  SessionPeer::Link &l = peer_.links_[link];
  if (hello.instanceGuid != peer_.state_.data().desc.instanceGuid || hello.id == 0 ||
      peer_.state_.isMember(hello.id) || peer_.linkOfPlayer_.contains(hello.id)) {
    peer_.dropLink(link);
    return;
  }
  const auto it = expected_.constFind(hello.id);
  if (it == expected_.cend()) {  // the host's word may still be on its way
    l.helloId = hello.id;
    l.helloToken = hello.token;
    return;
  }
  if (it->first == hello.token)
    acceptLink(link, hello.id);
  else
    peer_.dropLink(link);
}

void JoinCoordinator::onPeerExpected(const wire::PeerExpected &expected) {
  expected_.insert(expected.id, {expected.token, peer_.limit(peer_.config_.joinTimeoutMs)});
  for (const SessionPeer::Link &link : std::as_const(peer_.links_)) {
    if (link.playerId || link.helloId != expected.id) continue;
    if (link.helloToken == expected.token)
      acceptLink(link.id, expected.id);
    else
      peer_.dropLink(link.id);
    return;
  }
}

void JoinCoordinator::onPeerExpectedCancel(quint32 id) {
  expected_.remove(id);
  if (const SessionPeer::Link *link = peer_.linkOf(id); link && !link->committed)
    peer_.dropLink(link->id);
}

void JoinCoordinator::acceptLink(LinkId link, quint32 id) {
  SessionPeer::Link &l = peer_.links_[link];
  l.playerId = id;
  l.helloId = 0;
  l.deadline = QDeadlineTimer(QDeadlineTimer::Forever);
  peer_.linkOfPlayer_.insert(id, link);
  peer_.transport_->trust(link);
  peer_.sendToHost(wire::LinkReady{id});
}

}  // namespace tv::peer
