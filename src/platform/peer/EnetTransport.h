#pragma once
// The links over UDP with ENet. A service thread owns the ENet host: it blocks in
// poll() on the socket and a wake-up descriptor (waking at least every few
// milliseconds for ENet's timers), applies the commands the UI thread queued, and
// hands the events back to the UI thread in the order ENet produced them. Only bytes
// move here; what they mean is the session's business.
//
// ENet's limits are set from what the session needs: packets up to one application
// message and its header, data waiting per peer for two such messages, a bounded
// number of links in all and from one IP address, and time-outs and pings from the
// detection limit rather than ENet's defaults (up to 30 s). An incoming link that the
// session has not yet trusted is dropped as soon as it makes ENet hold more than a
// handshake's worth of data. Unreliable traffic is not
// thinned out when round-trip times rise, so voice keeps flowing beside a large
// transfer.

#include "platform/peer/Transport.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

struct _ENetHost;
struct _ENetPeer;
struct _ENetEvent;

namespace tv::peer {

class EnetTransport final : public Transport {
  Q_OBJECT
 public:
  explicit EnetTransport(const PeerConfig &config, QObject *parent = nullptr);
  ~EnetTransport() override;

  Result open(quint16 port) override;
  Endpoint localEndpoint() const override { return local_; }
  LinkId connectTo(const Endpoint &remote) override;
  void send(LinkId link, quint8 channel, const QByteArray &frame) override;
  void sendDatagram(const Endpoint &to, const QByteArray &datagram) override;
  void closeLink(LinkId link) override;
  void trust(LinkId link) override;
  quint32 roundTripMs(LinkId link) const override;
  void shutdown(int graceMs) override;

 private:
  struct Command {
    enum Kind { Connect, Send, Datagram, Disconnect, Trust } kind;
    LinkId link = 0;
    Endpoint endpoint;
    quint8 channel = 0;
    QByteArray bytes;
  };
  struct Event {
    enum Kind { Up, Down, Frame, Datagram } kind;
    LinkId link = 0;
    Endpoint endpoint;
    quint8 channel = 0;
    QByteArray bytes;
  };

  // UI thread.
  void post(Command command);
  void drainEvents();
  // Service thread.
  void run();
  void applyCommands();
  void serviceOnce();
  void handle(const _ENetEvent &event);
  void configurePeer(_ENetPeer *peer) const;
  void checkSilence();
  // Forgets a link that ENet no longer reports on.
  void forget(LinkId link);
  void checkStrangers();
  void dropNow(LinkId link);
  int detectionLimitMs() const { return std::max(config_.detectionLimitMs, 200); }
  void pushEvent(Event event);
  void updateRoundTrips();
  void endLink(LinkId link);
  void closeLinks(int graceMs);
  static int intercept(_ENetHost *host, _ENetEvent *event);

  const PeerConfig config_;
  _ENetHost *host_ = nullptr;
  Endpoint local_;
  std::thread thread_;
  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<int> graceMs_{0};
  std::atomic<LinkId> lastLink_{0};

  std::mutex mutex_;  // guards commands_, events_, drainScheduled_
  std::deque<Command> commands_;
  std::deque<Event> events_;
  bool drainScheduled_ = false;

  mutable std::mutex rttMutex_;
  std::unordered_map<LinkId, quint32> rtt_;

  // Service thread only.
  std::unordered_map<LinkId, _ENetPeer *> peers_;
  std::unordered_set<LinkId> strangers_;  // incoming links not yet trusted
  // ENet service time at which each link came up: the silence of a link the other side
  // has not yet acknowledged anything on counts from there.
  std::unordered_map<LinkId, quint32> upSince_;
};

}  // namespace tv::peer
