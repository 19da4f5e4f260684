#pragma once
// The links over UDP with ENet. An EnetHostThread owns the ENet host on a service
// thread; this object queues the UI thread's commands to it and hands its events back
// on the UI thread, in the order ENet produced them. Only bytes move here; what they
// mean is the session's business.
//
// ENet's limits are set from what the session needs: packets up to one application
// message and its header, data waiting per peer for two such messages, a bounded
// number of links in all and from one IP address, and time-outs and pings from the
// detection limit rather than ENet's defaults (up to 30 s). An incoming link that the
// session has not yet trusted is dropped as soon as it makes ENet hold more than a
// handshake's worth of data. Unreliable traffic is not thinned out when round-trip
// times rise, so voice keeps flowing beside a large transfer.
//
// Shutting down never waits on the UI thread for goodbyes when the transport was given
// an EnetClosings: the host finishes them on its own thread, and a later transport
// that binds the same port waits for that port first.
//
// Voice frames never wait for the UI thread: the service thread also waits on the voice
// path's descriptor, sends what capture produced and hands what arrives from voice
// members to playback, by the routing table the UI thread last sent.

#include "platform/peer/Transport.h"

#include <memory>

namespace tv::peer {

class EnetClosings;
class EnetHostThread;

class EnetTransport final : public Transport {
  Q_OBJECT
 public:
  // Without `closings`, shutdown waits for the goodbyes itself.
  explicit EnetTransport(const PeerConfig &config, std::shared_ptr<EnetClosings> closings = {},
                         QObject *parent = nullptr);
  ~EnetTransport() override;

  Result open(quint16 port) override;
  Endpoint localEndpoint() const override;
  LinkId connectTo(const Endpoint &remote) override;
  void send(LinkId link, quint8 channel, const QByteArray &frame) override;
  void sendDatagram(const Endpoint &to, const QByteArray &datagram) override;
  void closeLink(LinkId link) override;
  void trust(LinkId link) override;
  quint32 roundTripMs(LinkId link) const override;
  void shutdown(int graceMs) override;
  void setVoiceRoutes(std::shared_ptr<const VoiceRoutes> routes) override;
  void attachVoice(std::shared_ptr<audio::VoicePath> path) override;

 private:
  void drainEvents();

  const PeerConfig config_;
  std::shared_ptr<EnetClosings> closings_;
  std::shared_ptr<EnetHostThread> host_;
};

}  // namespace tv::peer
