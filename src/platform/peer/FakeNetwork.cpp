#include "platform/peer/FakeNetwork.h"

#include "platform/peer/FakeTransport.h"
#include "platform/peer/SessionPeer.h"
#include "platform/peer/SessionVoiceClient.h"
#include "platform/peer/SessionVoiceServer.h"

namespace tv::peer {

FakeNetwork::FakeNetwork(const PeerConfig &config, const QString &audioSetupPath, QObject *parent)
    : QObject(parent), config_(config), audioSetupPath_(audioSetupPath) {}

FakeNetwork::~FakeNetwork() = default;

std::unique_ptr<Peer> FakeNetwork::CreatePeer() {
  // Each transport knows the PC it belongs to, so that a test can name the PC.
  auto owner = std::make_shared<const QObject *>(nullptr);
  auto peer = std::make_unique<SessionPeer>(
      config_, [this, owner] { return std::make_unique<FakeTransport>(*this, *owner); });
  *owner = peer.get();
  return peer;
}

std::unique_ptr<VoiceServer> FakeNetwork::CreateVoiceServer() {
  return std::make_unique<SessionVoiceServer>();
}

std::unique_ptr<VoiceClient> FakeNetwork::CreateVoiceClient() {
  return std::make_unique<SessionVoiceClient>(AudioSetup(audioSetupPath_), audio_, QString());
}

void FakeNetwork::crash(Peer *peer) {
  if (FakeTransport *t = transportOf(peer)) t->crash();
}

void FakeNetwork::breakLink(Peer *a, Peer *b) {
  FakeTransport *ta = transportOf(a);
  FakeTransport *tb = transportOf(b);
  if (ta && tb) ta->breakLinkTo(tb);
}

void FakeNetwork::setDelay(Peer *from, Peer *to, int ms) {
  FakeTransport *tf = transportOf(from);
  FakeTransport *tt = transportOf(to);
  if (tf && tt) tf->setDelayTo(tt, ms);
}

Result FakeNetwork::bind(FakeTransport *transport, quint16 port, quint16 &bound) {
  if (port == 0) {
    while (bound_.value(nextPort_)) ++nextPort_;
    port = nextPort_++;
  }
  if (bound_.value(port)) return DPNERR_INVALIDDEVICEADDRESS;
  bound_.insert(port, transport);
  bound = port;
  return kOk;
}

void FakeNetwork::unbind(FakeTransport *transport) {
  for (auto it = bound_.begin(); it != bound_.end();)
    it = it.value() == transport || !it.value() ? bound_.erase(it) : std::next(it);
}

FakeTransport *FakeNetwork::at(const Endpoint &endpoint) const {
  // One network where the port names the PC: whichever address a PC is known by (the
  // session may give a member's LAN address instead of the loopback one) reaches it.
  return bound_.value(endpoint.port).data();
}

QList<FakeTransport *> FakeNetwork::boundOn(quint16 port) const {
  QList<FakeTransport *> list;
  if (FakeTransport *t = bound_.value(port)) list.append(t);
  return list;
}

FakeTransport *FakeNetwork::transportOf(Peer *peer) const {
  for (const auto &t : bound_)
    if (t && t->owner() == peer) return t;
  return nullptr;
}

}  // namespace tv::peer
