#include "platform/peer/HostSearch.h"

#include "platform/peer/HostResolver.h"
#include "platform/peer/SessionPeer.h"

namespace tv::peer {

namespace {
constexpr int kMaxAnswersPerSecond = 200;
constexpr quint32 kBroadcast = 0xFFFFFFFF;
}  // namespace

HostSearch::HostSearch(SessionPeer &peer) : peer_(peer) {
  clock_.start();
  answerWindow_.start();
}

HostSearch::~HostSearch() = default;

Result HostSearch::start(const ApplicationDesc &desc, const Address &host, qint32 retries,
                         qint32 intervalMs, qint32 timeoutMs, quint32 &handle) {
  handle = 0;
  if (retries < -1 || retries == 0 || intervalMs < 0 || timeoutMs < -1) return DPNERR_INVALIDPARAM;
  handle = ++lastHandle_;
  if (handle == 0) handle = ++lastHandle_;
  Search s;
  s.applicationGuid = desc.applicationGuid;
  s.queriesLeft = retries;
  s.timeoutMs = timeoutMs;
  s.timer = std::make_unique<QTimer>();
  s.timer->setInterval(intervalMs > 0 ? intervalMs : peer_.config().enumIntervalMs);
  const quint32 h = handle;
  QObject::connect(s.timer.get(), &QTimer::timeout, &peer_, [this, h] { query(h); });
  searches_.emplace(h, std::move(s));

  if (host.hostname().isEmpty()) {
    searches_.at(h).target = {kBroadcast, host.portOrDefault()};
    query(h);
  } else {
    resolveHost(&peer_, host.hostname(), host.portOrDefault(),
                [this, h](std::optional<Endpoint> endpoint) {
                  if (!isActive(h)) return;
                  if (!endpoint) {
                    finish(h, DPNERR_INVALIDHOSTADDRESS);
                    return;
                  }
                  searches_.at(h).target = *endpoint;
                  query(h);
                });
  }
  return kOk;
}

void HostSearch::query(quint32 handle) {
  const auto it = searches_.find(handle);
  if (it == searches_.end() || !peer_.transport_) return;
  Search &s = it->second;
  if (s.queriesLeft == 0) {
    finish(handle, kOk);  // the wait after the last query is over
    return;
  }
  peer_.transport_->sendDatagram(
      s.target, wire::encodeDatagram(
                    wire::EnumQuery{wire::kProtocolVersion, s.applicationGuid, handle, now()}));
  if (s.queriesLeft > 0 && --s.queriesLeft == 0) {
    if (s.timeoutMs < 0) {
      s.timer->stop();  // answers keep coming until cancelled
      return;
    }
    s.timer->setInterval(s.timeoutMs);
  }
  s.timer->start();
}

Result HostSearch::cancel(quint32 handle) {
  if (!isActive(handle)) return DPNERR_INVALIDHANDLE;
  finish(handle, DPNERR_USERCANCEL);
  return kOk;
}

void HostSearch::cancelAll() { searches_.clear(); }

void HostSearch::finish(quint32 handle, Result result) {
  searches_.erase(handle);
  peer_.raise([p = &peer_, handle, result] { Q_EMIT p->asyncOpComplete(handle, result); });
}

void HostSearch::onQuery(const Endpoint &from, const wire::EnumQuery &query) {
  if (!peer_.isHost() || query.version != wire::kProtocolVersion) return;
  ApplicationDesc desc = peer_.state_.data().desc;
  if (!query.applicationGuid.isNull() && query.applicationGuid != desc.applicationGuid) return;
  if (answerWindow_.elapsed() >= 1000) {
    answerWindow_.restart();
    answersInWindow_ = 0;
  }
  if (++answersInWindow_ > kMaxAnswersPerSecond) return;
  desc.password.clear();
  desc.currentPlayers = peer_.state_.memberCount();
  peer_.transport_->sendDatagram(
      from, wire::encodeDatagram(wire::EnumAnswer{query.handle, query.timestamp, desc}));
}

void HostSearch::onAnswer(const Endpoint &from, const wire::EnumAnswer &answer) {
  const auto it = searches_.find(answer.handle);
  if (it == searches_.end()) return;
  if (!it->second.applicationGuid.isNull() &&
      answer.desc.applicationGuid != it->second.applicationGuid)
    return;
  EnumHostsResponse response;
  response.handle = answer.handle;
  response.desc = answer.desc;
  response.senderUrl = Address::fromEndpoint(from).GetURL();
  response.roundTripMs = now() - answer.timestamp;
  peer_.raise([this, response] {
    if (isActive(response.handle)) Q_EMIT peer_.enumHostsResponse(response);
  });
}

}  // namespace tv::peer
