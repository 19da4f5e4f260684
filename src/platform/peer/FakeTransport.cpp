#include "platform/peer/FakeTransport.h"

#include "platform/audio/AudioClock.h"
#include "platform/peer/FakeNetwork.h"

#include <QDateTime>
#include <QTimer>

namespace tv::peer {

namespace {
constexpr quint32 kBroadcast = 0xFFFFFFFF;
}  // namespace

FakeTransport::FakeTransport(FakeNetwork &network, const QObject *owner)
    : network_(network), owner_(owner) {}

FakeTransport::~FakeTransport() { shutdown(0); }

Result FakeTransport::open(quint16 port) {
  if (open_) return DPNERR_ALREADYCONNECTED;
  quint16 bound = 0;
  if (const Result r = network_.bind(this, port, bound)) return r;
  local_ = {FakeNetwork::kAddress, bound};
  open_ = true;
  return kOk;
}

void FakeTransport::deliver(FakeTransport *target, std::function<void()> what, int delayMs) {
  QTimer::singleShot(delayMs, target, [target, what = std::move(what)] {
    if (!target->dead_) what();
  });
}

LinkId FakeTransport::connectTo(const Endpoint &remote) {
  if (!open_ || dead_) return 0;
  const LinkId id = network_.nextLinkId();
  FakeTransport *target = network_.at(remote);
  if (!target || target == this || target->dead_) {
    // Nobody answers: the attempt gives up after the detection limit, like a real one.
    links_.insert(id, {nullptr, 0, false});
    loseLinkLater(id);
    return id;
  }
  const LinkId otherId = network_.nextLinkId();
  links_.insert(id, {target, otherId, true});
  target->links_.insert(otherId, {this, id, true});
  const Endpoint me = local_;
  deliver(target, [target, otherId, me] {
    if (target->links_.contains(otherId)) Q_EMIT target->linkUp(otherId, me);
  });
  deliver(this, [this, id, remote] {
    if (links_.contains(id)) Q_EMIT linkUp(id, remote);
  });
  return id;
}

void FakeTransport::send(LinkId link, quint8 channel, const QByteArray &frame) {
  const Remote r = links_.value(link);
  if (dead_ || !r.working || !r.other) return;
  FakeTransport *target = r.other;
  const LinkId otherLink = r.otherLink;
  sendOnLink(r, [target, otherLink, channel, frame] {
    if (target->links_.value(otherLink).working) target->receive(otherLink, channel, frame);
  });
}

void FakeTransport::receive(LinkId link, quint8 channel, const QByteArray &frame) {
  if (channel == wire::kUnreliableChannel && voice_.takeIncoming(link, frame, audio::monotonicNs()))
    return;
  Q_EMIT frameReceived(link, channel, frame);
}

void FakeTransport::attachVoice(std::shared_ptr<audio::VoicePath> path) {
  voiceReady_.reset();
  voice_.attach(std::move(path));
  if (voice_.readyFd() < 0) return;
  voiceReady_ = std::make_unique<QSocketNotifier>(voice_.readyFd(), QSocketNotifier::Read);
  connect(voiceReady_.get(), &QSocketNotifier::activated, this, &FakeTransport::sendVoice);
}

void FakeTransport::sendVoice() {
  voice_.drainOutgoing([this](const std::vector<LinkId> &links, QByteArrayView bytes) {
    const QByteArray frame = bytes.toByteArray();
    for (const LinkId link : links) send(link, wire::kUnreliableChannel, frame);
  });
}

void FakeTransport::sendOnLink(const Remote &remote, std::function<void()> what) {
  FakeTransport *target = remote.other;
  const int delay = delays_.value(target);
  std::deque<Outgoing> &queue = delayed_[target];
  if (delay == 0 && queue.empty()) {
    deliver(target, std::move(what));
    return;
  }
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  queue.push_back({now + delay, std::move(what)});
  if (queue.size() == 1) QTimer::singleShot(delay, this, [this, target] { pumpDelayed(target); });
}

void FakeTransport::pumpDelayed(FakeTransport *target) {
  std::deque<Outgoing> &queue = delayed_[target];
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  while (!queue.empty() && queue.front().due <= now) {
    deliver(target, std::move(queue.front().what));
    queue.pop_front();
  }
  if (!queue.empty())
    QTimer::singleShot(int(queue.front().due - now), this, [this, target] { pumpDelayed(target); });
}

void FakeTransport::sendDatagram(const Endpoint &to, const QByteArray &datagram) {
  if (dead_ || !open_) return;
  QList<FakeTransport *> targets;
  if (to.ipv4 == kBroadcast)
    targets = network_.boundOn(to.port);
  else if (FakeTransport *t = network_.at(to))
    targets.append(t);
  const Endpoint me = local_;
  for (FakeTransport *target : targets)
    if (target != this)
      deliver(target, [target, me, datagram] { Q_EMIT target->datagramReceived(me, datagram); });
}

void FakeTransport::closeLink(LinkId link) {
  const auto it = links_.find(link);
  if (it == links_.end()) return;
  const Remote r = *it;
  links_.erase(it);
  if (r.working && r.other) {
    FakeTransport *target = r.other;
    const LinkId otherLink = r.otherLink;
    // After everything already sent on the link.
    sendOnLink(r, [target, otherLink] {
      if (target->links_.remove(otherLink)) Q_EMIT target->linkDown(otherLink);
    });
  }
  deliver(this, [this, link] { Q_EMIT linkDown(link); });
}

void FakeTransport::shutdown(int) {
  voiceReady_.reset();
  voice_.attach(nullptr);
  if (!open_) return;
  for (const LinkId id : links_.keys()) closeLink(id);
  network_.unbind(this);
  open_ = false;
}

void FakeTransport::crash() {
  dead_ = true;
  network_.unbind(this);
  open_ = false;
  for (auto it = links_.cbegin(); it != links_.cend(); ++it)
    if (FakeTransport *other = it->other) {
      other->links_[it->otherLink].working = false;
      other->loseLinkLater(it->otherLink);
    }
  links_.clear();
}

void FakeTransport::breakLinkTo(FakeTransport *other) {
  for (auto it = links_.begin(); it != links_.end(); ++it) {
    if (it->other != other) continue;
    it->working = false;
    loseLinkLater(it.key());
    other->links_[it->otherLink].working = false;
    other->loseLinkLater(it->otherLink);
  }
}

void FakeTransport::loseLinkLater(LinkId link) {
  deliver(
      this,
      [this, link] {
        if (links_.remove(link)) Q_EMIT linkDown(link);
      },
      network_.config().detectionLimitMs);
}

}  // namespace tv::peer
