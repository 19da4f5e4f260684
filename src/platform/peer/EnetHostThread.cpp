#include "platform/peer/EnetHostThread.h"

#include "platform/audio/AudioClock.h"
#include "platform/peer/PeerWire.h"

#include <enet/enet.h>
#include <enet/time.h>

#include <QtEndian>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace tv::peer {

namespace {

// How often the service thread looks at ENet while it has resends, acknowledgements or
// handshakes outstanding (they run off this tick). A quiet host sleeps until the next
// ping or round-trip refresh is due instead: a connected session with nobody talking
// then wakes a few times a second, not two hundred.
constexpr int kServiceTickMs = 5;
constexpr int kRoundTripRefreshMs = 100;
// What an incoming link may make this side hold before the session trusts it: far more
// than a join request or a member's introduction.
constexpr size_t kStrangerBytes = 64 * 1024;
// ENet numbers peers in 12 bits; slots from 0xF00 up are left unused so that no
// link-protocol packet addressed to this host can begin like a search datagram.
constexpr int kMaxEnetPeers = 0xF00 - 1;

thread_local EnetHostThread *tlsHost = nullptr;

ENetAddress toEnet(const Endpoint &e) {
  ENetAddress a;
  a.host = qToBigEndian(e.ipv4);
  a.port = e.port;
  return a;
}

Endpoint fromEnet(const ENetAddress &a) { return {qFromBigEndian(a.host), a.port}; }

LinkId linkOf(const ENetPeer *peer) { return LinkId(reinterpret_cast<quintptr>(peer->data)); }

void freeSharedBytes(ENetPacket *packet) { delete static_cast<QByteArray *>(packet->userData); }

void initializeEnetOnce() {
  static std::once_flag once;
  std::call_once(once, [] { enet_initialize(); });
}

}  // namespace

EnetHostThread::EnetHostThread(const PeerConfig &config) : config_(config) {}

EnetHostThread::~EnetHostThread() {
  stop(0);
  join();
  if (host_) enet_host_destroy(host_);  // opened, but the thread never ran
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

Result EnetHostThread::open(quint16 port, Notifier notifier) {
  if (host_ || thread_.joinable()) return DPNERR_ALREADYCONNECTED;
  initializeEnetOnce();
  ENetAddress address;
  address.host = ENET_HOST_ANY;
  address.port = port;
  const size_t peerCount = size_t(std::clamp(config_.maxLinks, 1, kMaxEnetPeers));
  host_ = enet_host_create(&address, peerCount, wire::kChannelCount, 0, 0);
  if (!host_) return DPNERR_INVALIDDEVICEADDRESS;
  // One message and its header; two of them waiting per peer; links from one address.
  host_->maximumPacketSize = size_t(wire::kMaxFrameBytes);
  host_->maximumWaitingData = size_t(2 * wire::kMaxFrameBytes + 1024 * 1024);
  host_->duplicatePeers = size_t(std::clamp(config_.linksPerAddress, 1, kMaxEnetPeers));
  host_->intercept = &EnetHostThread::intercept;
  local_ = {0, host_->address.port};
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    enet_host_destroy(host_);
    host_ = nullptr;
    return DPNERR_OUTOFMEMORY;
  }
  notifier_ = std::move(notifier);
  thread_ = std::thread([this] { run(); });
  return kOk;
}

void EnetHostThread::post(Command command) {
  if (!accepting()) return;
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(std::move(command));
  }
  wake();
}

std::deque<EnetHostThread::Event> EnetHostThread::takeEvents() {
  std::deque<Event> events;
  std::lock_guard lock(mutex_);
  events.swap(events_);
  notified_ = false;
  return events;
}

quint32 EnetHostThread::roundTripMs(LinkId link) const {
  std::lock_guard lock(rttMutex_);
  const auto it = rtt_.find(link);
  return it == rtt_.end() ? 0 : it->second;
}

void EnetHostThread::stop(int graceMs) {
  if (!thread_.joinable() || stopping_) return;
  {
    // After this no notification reaches the owner, which may then go away.
    std::lock_guard lock(mutex_);
    notifier_ = nullptr;
    events_.clear();
  }
  graceMs_ = graceMs;
  stopping_ = true;
  wake();
}

void EnetHostThread::join() {
  if (thread_.joinable()) thread_.join();
}

void EnetHostThread::wake() {
  const quint64 one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

int EnetHostThread::detectionLimitMs() const { return std::max(config_.detectionLimitMs, 200); }

// ---- Service thread --------------------------------------------------------------

void EnetHostThread::run() {
  tlsHost = this;
  auto lastRefresh = std::chrono::steady_clock::now();
  while (!stopping_) {
    pollfd fds[3] = {
        {host_->socket, POLLIN, 0}, {wakeFd_, POLLIN, 0}, {voice_.readyFd(), POLLIN, 0}};
    const auto sinceRefresh = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - lastRefresh);
    ::poll(fds, 3, sleepMs(kRoundTripRefreshMs - int(sinceRefresh.count())));
    if (fds[1].revents & POLLIN) {
      quint64 count = 0;
      [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    applyCommands();
    sendVoice();
    serviceOnce();
    checkStrangers();
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRefresh >= std::chrono::milliseconds(kRoundTripRefreshMs)) {
      updateRoundTrips();
      checkSilence();
      lastRefresh = now;
    }
  }
  applyCommands();  // goodbyes queued before the stop still leave
  // The owner has let go: no voice moves while the goodbyes finish.
  voice_.attach(nullptr);
  voice_.setRoutes(nullptr);
  closeLinks(graceMs_);
  tlsHost = nullptr;
  // The port is free from here on.
  enet_host_destroy(host_);
  host_ = nullptr;
  finished_ = true;
}

void EnetHostThread::applyCommands() {
  std::deque<Command> commands;
  {
    std::lock_guard lock(mutex_);
    commands.swap(commands_);
  }
  // A message to several links is one ENet packet sharing the caller's bytes.
  ENetPacket *shared = nullptr;
  const char *sharedSource = nullptr;
  quint8 sharedChannel = 0;
  const auto releaseShared = [&] {
    if (shared && shared->referenceCount == 0) enet_packet_destroy(shared);
    shared = nullptr;
    sharedSource = nullptr;
  };
  for (Command &c : commands) {
    switch (c.kind) {
      case Command::Connect: {
        const ENetAddress address = toEnet(c.endpoint);
        ENetPeer *peer = enet_host_connect(host_, &address, wire::kChannelCount, 0);
        if (!peer) {
          pushEvent({Event::Down, c.link, {}, 0, {}});
          break;
        }
        peer->data = reinterpret_cast<void *>(quintptr(c.link));
        configurePeer(peer);
        peers_[c.link] = peer;
        break;
      }
      case Command::Send: {
        const auto it = peers_.find(c.link);
        if (it == peers_.end() || it->second->state != ENET_PEER_STATE_CONNECTED) break;
        if (!shared || sharedSource != c.bytes.constData() || sharedChannel != c.channel) {
          releaseShared();
          const enet_uint32 flags =
              (c.channel == wire::kReliableChannel ? ENET_PACKET_FLAG_RELIABLE
                                                   : ENET_PACKET_FLAG_UNRELIABLE_FRAGMENT) |
              ENET_PACKET_FLAG_NO_ALLOCATE;
          auto *bytes = new QByteArray(c.bytes);
          shared = enet_packet_create(bytes->constData(), size_t(bytes->size()), flags);
          if (!shared) {
            delete bytes;
            break;
          }
          shared->userData = bytes;
          shared->freeCallback = &freeSharedBytes;
          sharedSource = c.bytes.constData();
          sharedChannel = c.channel;
        }
        enet_peer_send(it->second, c.channel, shared);
        break;
      }
      case Command::Datagram: {
        const ENetAddress address = toEnet(c.endpoint);
        ENetBuffer buffer;
        buffer.data = c.bytes.data();
        buffer.dataLength = size_t(c.bytes.size());
        enet_socket_send(host_->socket, &address, &buffer, 1);
        break;
      }
      case Command::Disconnect:
        endLink(c.link);
        break;
      case Command::Trust:
        strangers_.erase(c.link);
        break;
      case Command::Routes:
        voice_.setRoutes(std::move(c.routes));
        break;
      case Command::Voice:
        voice_.attach(std::move(c.path));
        break;
    }
  }
  releaseShared();
}

void EnetHostThread::sendVoice() {
  voice_.drainOutgoing([this](const std::vector<LinkId> &links, QByteArrayView bytes) {
    // Unsequenced: ENet neither drops a reordered frame nor holds one back.
    ENetPacket *packet =
        enet_packet_create(bytes.data(), size_t(bytes.size()), ENET_PACKET_FLAG_UNSEQUENCED);
    if (!packet) return;
    for (const LinkId link : links)
      if (const auto it = peers_.find(link);
          it != peers_.end() && it->second->state == ENET_PEER_STATE_CONNECTED)
        enet_peer_send(it->second, wire::kUnreliableChannel, packet);
    if (packet->referenceCount == 0) enet_packet_destroy(packet);
  });
}

int EnetHostThread::sleepMs(int untilRefreshMs) const {
  int wait = std::max(untilRefreshMs, kServiceTickMs);
  const enet_uint32 now = enet_time_get();
  for (const ENetPeer *peer = host_->peers; peer < host_->peers + host_->peerCount; ++peer) {
    if (peer->state == ENET_PEER_STATE_DISCONNECTED) continue;
    // Anything ENet may have to resend, acknowledge or finish needs the short tick.
    if (peer->state != ENET_PEER_STATE_CONNECTED || !enet_list_empty(&peer->sentReliableCommands) ||
        !enet_list_empty(&peer->outgoingCommands) || !enet_list_empty(&peer->acknowledgements))
      return kServiceTickMs;
    // ENet pings a peer it has not heard from for its ping interval.
    const enet_uint32 quiet = ENET_TIME_DIFFERENCE(now, peer->lastReceiveTime);
    if (quiet >= peer->pingInterval) return kServiceTickMs;
    wait = std::min(wait, int(peer->pingInterval - quiet));
  }
  return std::max(wait, kServiceTickMs);
}

void EnetHostThread::serviceOnce() {
  ENetEvent event;
  while (enet_host_service(host_, &event, 0) > 0) handle(event);
}

void EnetHostThread::handle(const ENetEvent &event) {
  switch (event.type) {
    case ENET_EVENT_TYPE_CONNECT: {
      LinkId link = linkOf(event.peer);
      if (link == 0) {  // someone else's connect: a new incoming link
        link = ++lastLink_;
        event.peer->data = reinterpret_cast<void *>(quintptr(link));
        configurePeer(event.peer);
        peers_[link] = event.peer;
        strangers_.insert(link);
      }
      // Only once connected: the handshake checks that both sides still agree on the
      // throttle they announced. Both sides then stop slowing unreliable traffic.
      enet_peer_throttle_configure(event.peer, ENET_PEER_PACKET_THROTTLE_INTERVAL,
                                   ENET_PEER_PACKET_THROTTLE_ACCELERATION, 0);
      upSince_[link] = host_->serviceTime;
      pushEvent({Event::Up, link, fromEnet(event.peer->address), 0, {}});
      break;
    }
    case ENET_EVENT_TYPE_DISCONNECT: {
      const LinkId link = linkOf(event.peer);
      event.peer->data = nullptr;
      if (link == 0) break;
      forget(link);
      pushEvent({Event::Down, link, {}, 0, {}});
      break;
    }
    case ENET_EVENT_TYPE_RECEIVE: {
      const LinkId link = linkOf(event.peer);
      // Voice frames go straight to playback, never through the owner's thread.
      const QByteArrayView bytes(reinterpret_cast<const char *>(event.packet->data),
                                 qsizetype(event.packet->dataLength));
      if (link != 0 && event.channelID == wire::kUnreliableChannel &&
          voice_.takeIncoming(link, bytes, audio::monotonicNs())) {
        enet_packet_destroy(event.packet);
        break;
      }
      if (link != 0)
        pushEvent({Event::Frame,
                   link,
                   {},
                   event.channelID,
                   QByteArray(reinterpret_cast<const char *>(event.packet->data),
                              qsizetype(event.packet->dataLength))});
      enet_packet_destroy(event.packet);
      break;
    }
    case ENET_EVENT_TYPE_NONE:
      break;
  }
}

void EnetHostThread::configurePeer(ENetPeer *peer) const {
  // A ping goes out after a fifth of the detection limit without an acknowledgement,
  // so a live peer is heard from well within it. ENet's own time-outs only check at
  // its (doubling) resend times and serve as a backstop; checkSilence() keeps the
  // limit.
  const auto limit = enet_uint32(detectionLimitMs());
  enet_peer_ping_interval(peer, limit / 5);
  enet_peer_timeout(peer, ENET_PEER_TIMEOUT_LIMIT, limit, limit);
}

void EnetHostThread::checkSilence() {
  // A connected peer that has acknowledged nothing for most of the detection limit
  // (while pings kept going to it) is given up. A link this side started is up as soon
  // as the other side's answer to the connect arrives, before the other side has
  // acknowledged anything: ENet keeps its last-heard time at 0 until then, which is not
  // "silent since long ago", so such a link is measured from when it came up.
  const auto limit = enet_uint32(detectionLimitMs());
  const enet_uint32 silence = limit - limit / 10;
  std::vector<LinkId> silent;
  for (const auto &[link, peer] : peers_) {
    if (peer->state != ENET_PEER_STATE_CONNECTED) continue;
    const auto up = upSince_.find(link);
    const enet_uint32 heard = peer->lastReceiveTime != 0 ? peer->lastReceiveTime
                              : up != upSince_.end()     ? up->second
                                                         : host_->serviceTime;
    if (ENET_TIME_DIFFERENCE(host_->serviceTime, heard) > silence) silent.push_back(link);
  }
  for (const LinkId link : silent) dropNow(link);
}

void EnetHostThread::checkStrangers() {
  std::vector<LinkId> greedy;
  for (const LinkId link : strangers_) {
    const auto it = peers_.find(link);
    if (it != peers_.end() && it->second->totalWaitingData > kStrangerBytes) greedy.push_back(link);
  }
  for (const LinkId link : greedy) dropNow(link);
}

void EnetHostThread::dropNow(LinkId link) {
  ENetPeer *peer = peers_.at(link);
  peer->data = nullptr;
  enet_peer_disconnect_now(peer, 0);
  forget(link);
  pushEvent({Event::Down, link, {}, 0, {}});
}

void EnetHostThread::pushEvent(Event event) {
  std::lock_guard lock(mutex_);
  // Under the lock, so that stop() never returns while the owner is being told.
  if (!notifier_) return;
  events_.push_back(std::move(event));
  if (!notified_) {
    notified_ = true;
    notifier_();
  }
}

void EnetHostThread::updateRoundTrips() {
  std::lock_guard lock(rttMutex_);
  for (const auto &[link, peer] : peers_)
    if (peer->state == ENET_PEER_STATE_CONNECTED) rtt_[link] = peer->roundTripTime;
}

void EnetHostThread::endLink(LinkId link) {
  const auto it = peers_.find(link);
  if (it == peers_.end()) return;
  ENetPeer *peer = it->second;
  enet_peer_disconnect_later(peer, 0);
  // A link still being set up is dropped at once and reports nothing more; its slot
  // may be reused, so it must not stay known under this link.
  if (peer->state == ENET_PEER_STATE_DISCONNECTED || peer->state == ENET_PEER_STATE_ZOMBIE) {
    peer->data = nullptr;
    forget(link);
  }
}

void EnetHostThread::forget(LinkId link) {
  peers_.erase(link);
  strangers_.erase(link);
  upSince_.erase(link);
  std::lock_guard lock(rttMutex_);
  rtt_.erase(link);
}

void EnetHostThread::closeLinks(int graceMs) {
  std::vector<LinkId> links;
  for (const auto &[link, peer] : peers_) links.push_back(link);
  for (const LinkId link : links) endLink(link);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  while (!peers_.empty() && std::chrono::steady_clock::now() < deadline) {
    pollfd fd{host_->socket, POLLIN, 0};
    ::poll(&fd, 1, kServiceTickMs);
    serviceOnce();
  }
  enet_host_flush(host_);
}

int EnetHostThread::intercept(ENetHost *host, ENetEvent *) {
  // Host search datagrams share the port; everything else is ENet's.
  if (!wire::isDatagram(host->receivedData, host->receivedDataLength)) return 0;
  if (EnetHostThread *self = tlsHost)
    self->pushEvent({Event::Datagram, 0, fromEnet(host->receivedAddress), 0,
                     QByteArray(reinterpret_cast<const char *>(host->receivedData),
                                qsizetype(host->receivedDataLength))});
  return 1;
}

}  // namespace tv::peer
