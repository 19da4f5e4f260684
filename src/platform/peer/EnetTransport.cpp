#include "platform/peer/EnetTransport.h"

#include "platform/peer/EnetClosings.h"
#include "platform/peer/EnetHostThread.h"

namespace tv::peer {

using Command = EnetHostThread::Command;
using Event = EnetHostThread::Event;

EnetTransport::EnetTransport(const PeerConfig &config, std::shared_ptr<EnetClosings> closings,
                             QObject *parent)
    : Transport(parent), config_(config), closings_(std::move(closings)) {}

EnetTransport::~EnetTransport() { shutdown(0); }

Result EnetTransport::open(quint16 port) {
  if (host_) return DPNERR_ALREADYCONNECTED;
  // A session that just ended here may still be saying goodbye on this port.
  if (closings_ && port != 0) closings_->waitForPort(port);
  auto host = std::make_shared<EnetHostThread>(config_);
  // Runs on the service thread: only schedules the collection here.
  const Result r = host->open(port, [this] {
    QMetaObject::invokeMethod(this, &EnetTransport::drainEvents, Qt::QueuedConnection);
  });
  if (r != kOk) return r;
  host_ = std::move(host);
  return kOk;
}

Endpoint EnetTransport::localEndpoint() const {
  return host_ ? host_->localEndpoint() : Endpoint{};
}

LinkId EnetTransport::connectTo(const Endpoint &remote) {
  if (!host_ || !host_->accepting()) return 0;
  const LinkId id = host_->newLinkId();
  host_->post({Command::Connect, id, remote, 0, {}});
  return id;
}

void EnetTransport::send(LinkId link, quint8 channel, const QByteArray &frame) {
  if (host_) host_->post({Command::Send, link, {}, channel, frame});
}

void EnetTransport::sendDatagram(const Endpoint &to, const QByteArray &datagram) {
  if (host_) host_->post({Command::Datagram, 0, to, 0, datagram});
}

void EnetTransport::closeLink(LinkId link) {
  if (host_) host_->post({Command::Disconnect, link, {}, 0, {}});
}

void EnetTransport::trust(LinkId link) {
  if (host_) host_->post({Command::Trust, link, {}, 0, {}});
}

quint32 EnetTransport::roundTripMs(LinkId link) const {
  return host_ ? host_->roundTripMs(link) : 0;
}

void EnetTransport::setVoiceRoutes(std::shared_ptr<const VoiceRoutes> routes) {
  if (!host_) return;
  Command c{Command::Routes, 0, {}, 0, {}};
  c.routes = std::move(routes);
  host_->post(std::move(c));
}

void EnetTransport::attachVoice(std::shared_ptr<audio::VoicePath> path) {
  if (!host_) return;
  Command c{Command::Voice, 0, {}, 0, {}};
  c.path = std::move(path);
  host_->post(std::move(c));
}

void EnetTransport::shutdown(int graceMs) {
  if (!host_) return;
  host_->stop(graceMs);
  if (closings_ && graceMs > 0)
    closings_->adopt(std::move(host_));
  else
    host_->join();
  host_.reset();
}

void EnetTransport::drainEvents() {
  if (!host_) return;
  // A handler may shut this transport down: the events are the host's no longer then.
  const std::shared_ptr<EnetHostThread> host = host_;
  for (Event &e : host->takeEvents()) {
    if (host_ != host) return;
    switch (e.kind) {
      case Event::Up:
        Q_EMIT linkUp(e.link, e.endpoint);
        break;
      case Event::Down:
        Q_EMIT linkDown(e.link);
        break;
      case Event::Frame:
        Q_EMIT frameReceived(e.link, e.channel, e.bytes);
        break;
      case Event::Datagram:
        Q_EMIT datagramReceived(e.endpoint, e.bytes);
        break;
    }
  }
}

}  // namespace tv::peer
