#include "platform/peer/JoinClient.h"

#include "platform/peer/HostResolver.h"
#include "platform/peer/SessionPeer.h"

namespace tv::peer {

void JoinClient::start(const ApplicationDesc &desc, const Address &host) {
  desc_ = desc;
  deadline_ = peer_.limit(peer_.config_.joinTimeoutMs + peer_.config_.detectionLimitMs);
  const quint64 generation = peer_.generation_;
  resolveHost(
      &peer_, host.hostname(), host.portOrDefault(),
      [this, generation](std::optional<Endpoint> endpoint) {
        if (generation != peer_.generation_ || peer_.phase_ != SessionPeer::Phase::Connecting)
          return;
        if (endpoint)
          linkToHost(*endpoint);
        else
          finish(DPNERR_INVALIDHOSTADDRESS);
      });
}

void JoinClient::linkToHost(const Endpoint &host) {
  hostLink_ = peer_.transport_->connectTo(host);
  if (!hostLink_) {
    finish(DPNERR_NOCONNECTION);
    return;
  }
  SessionPeer::Link link;
  link.id = hostLink_;
  link.remote = host;
  peer_.links_.insert(hostLink_, std::move(link));
}

void JoinClient::onLinkUp(LinkId link) {
  if (link == hostLink_ && peer_.phase_ == SessionPeer::Phase::Connecting) {
    peer_.sendFrame(link, wire::JoinRequest{wire::kProtocolVersion, desc_.applicationGuid,
                                            desc_.instanceGuid, desc_.password, peer_.ownName_});
  } else if (peer_.phase_ == SessionPeer::Phase::Linking) {
    peer_.sendFrame(link,
                    wire::LinkHello{peer_.state_.data().desc.instanceGuid, peer_.selfId_, token_});
  }
}

void JoinClient::onLinkDown(LinkId link, quint32 playerId) {
  if (link == hostLink_)
    finish(DPNERR_NOCONNECTION);
  else if (peer_.phase_ == SessionPeer::Phase::Linking && playerId)
    peer_.sendFrame(hostLink_, wire::JoinLinkFailed{playerId});
}

void JoinClient::onHostFrame(const wire::Frame &frame) {
  if (const auto *refused = std::get_if<wire::JoinRefused>(&frame)) {
    finish(refused->result ? refused->result : DPNERR_GENERIC);
  } else if (peer_.phase_ == SessionPeer::Phase::Connecting) {
    if (const auto *accepted = std::get_if<wire::JoinAccepted>(&frame)) onAccepted(*accepted);
  } else if (const auto *complete = std::get_if<wire::JoinComplete>(&frame)) {
    onComplete(*complete);
  } else if (std::holds_alternative<wire::Leave>(frame)) {
    finish(DPNERR_NOCONNECTION);
  } else if (const auto *terminate = std::get_if<wire::Terminate>(&frame)) {
    finish(terminate->result);
  } else {
    // The host's announcements between acceptance and completion update what this
    // newcomer will report; nothing is raised yet.
    peer_.onHostFrame(frame);
  }
}

void JoinClient::onAccepted(const wire::JoinAccepted &accepted) {
  const auto listed = [&accepted](quint32 id) {
    for (const wire::MemberRecord &m : accepted.snapshot.members)
      if (m.id == id) return true;
    return false;
  };
  if (accepted.yourId == 0 || !listed(accepted.snapshot.hostId) || listed(accepted.yourId)) {
    finish(DPNERR_GENERIC);
    return;
  }
  peer_.selfId_ = accepted.yourId;
  peer_.selfEndpoint_ = accepted.yourEndpoint;
  peer_.state_.data() = accepted.snapshot;
  peer_.state_.noteId(accepted.yourId);
  peer_.hostId_ = accepted.snapshot.hostId;
  peer_.links_[hostLink_].playerId = peer_.hostId_;
  peer_.linkOfPlayer_.insert(peer_.hostId_, hostLink_);
  token_ = accepted.token;
  peer_.phase_ = SessionPeer::Phase::Linking;
  for (const wire::MemberRecord &m : accepted.snapshot.members) {
    if (m.id == peer_.hostId_) continue;
    const LinkId id = peer_.transport_->connectTo(m.endpoint);
    if (!id) {
      peer_.sendFrame(hostLink_, wire::JoinLinkFailed{m.id});
      continue;
    }
    SessionPeer::Link link;
    link.id = id;
    link.remote = m.endpoint;
    link.playerId = m.id;
    peer_.links_.insert(id, std::move(link));
    peer_.linkOfPlayer_.insert(m.id, id);
  }
}

void JoinClient::onComplete(const wire::JoinComplete &complete) {
  if (complete.you.id != peer_.selfId_) {
    finish(DPNERR_GENERIC);
    return;
  }
  SessionState &state = peer_.state_;
  state.addMember(complete.you);
  peer_.phase_ = SessionPeer::Phase::InSession;
  deadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
  for (SessionPeer::Link &link : peer_.links_)
    if (link.playerId && state.isMember(link.playerId)) link.committed = true;

  SessionPeer *p = &peer_;
  const quint32 self = peer_.selfId_;
  p->raise([p, self] { Q_EMIT p->createPlayer(self); });
  for (const quint32 id : state.memberIds())
    if (id != self) p->raise([p, id] { Q_EMIT p->createPlayer(id); });
  for (const wire::GroupRecord &g : state.data().groups) {
    const quint32 group = g.id, owner = g.ownerId;
    p->raise([p, group, owner] { Q_EMIT p->createGroup(group, owner); });
    for (const quint32 member : g.members)
      p->raise([p, group, member] {
        Q_EMIT p->addRemovePlayerGroup(kMsgAddPlayerToGroup, group, member);
      });
  }
  p->raise([p] { Q_EMIT p->connectComplete(kOk); });
  for (SessionPeer::Link &link : peer_.links_)
    if (link.committed) peer_.flushHeld(link);
  // A rename made while joining.
  if (complete.you.name != peer_.ownName_) peer_.sendToHost(wire::SetInfoRequest{peer_.ownName_});
}

void JoinClient::tick() {
  const auto phase = peer_.phase_;
  if ((phase == SessionPeer::Phase::Connecting || phase == SessionPeer::Phase::Linking) &&
      deadline_.hasExpired())
    finish(DPNERR_NOCONNECTION);
}

void JoinClient::reset() {
  hostLink_ = 0;
  token_ = 0;
  deadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
}

void JoinClient::finish(Result result) {
  peer_.resetSession();
  SessionPeer *p = &peer_;
  p->raise([p, result] { Q_EMIT p->connectComplete(result); });
}

}  // namespace tv::peer
