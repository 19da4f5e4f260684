#pragma once
// One fake PC's port on a FakeNetwork: links to the other fake PCs that deliver frames
// queued, in order and without loss. Voice frames travel the same links on the UI
// thread, routed as the real transport routes them.

#include "platform/peer/Transport.h"

#include <QHash>
#include <QPointer>
#include <QSocketNotifier>

#include <deque>
#include <functional>

namespace tv::peer {

class FakeNetwork;

class FakeTransport final : public Transport {
  Q_OBJECT
 public:
  FakeTransport(FakeNetwork &network, const QObject *owner);
  ~FakeTransport() override;

  Result open(quint16 port) override;
  Endpoint localEndpoint() const override { return local_; }
  LinkId connectTo(const Endpoint &remote) override;
  void send(LinkId link, quint8 channel, const QByteArray &frame) override;
  void sendDatagram(const Endpoint &to, const QByteArray &datagram) override;
  void closeLink(LinkId link) override;
  void trust(LinkId) override {}
  quint32 roundTripMs(LinkId link) const override { return links_.contains(link) ? 1 : 0; }
  void shutdown(int graceMs) override;
  void setVoiceRoutes(std::shared_ptr<const VoiceRoutes> routes) override {
    voice_.setRoutes(std::move(routes));
  }
  void attachVoice(std::shared_ptr<audio::VoicePath> path) override;

  // For the network.
  const QObject *owner() const { return owner_; }
  void crash();
  void breakLinkTo(FakeTransport *other);
  // Frames to that PC arrive this much later (still in order).
  void setDelayTo(FakeTransport *other, int ms) { delays_[other] = ms; }

 private:
  struct Remote {
    QPointer<FakeTransport> other;
    LinkId otherLink = 0;
    bool working = true;
  };
  struct Outgoing {
    qint64 due = 0;  // on clock_
    std::function<void()> what;
  };

  // Runs `what` on `target` on a later event-loop turn, unless the target is gone or
  // dead by then.
  static void deliver(FakeTransport *target, std::function<void()> what, int delayMs = 0);
  // Runs `what` on the other side of the link after this side's delay to it, after
  // everything sent on the link before.
  void sendOnLink(const Remote &remote, std::function<void()> what);
  void pumpDelayed(FakeTransport *target);
  void loseLinkLater(LinkId link);
  void sendVoice();
  void receive(LinkId link, quint8 channel, const QByteArray &frame);

  FakeNetwork &network_;
  const QObject *owner_;
  Endpoint local_;
  bool open_ = false;
  bool dead_ = false;
  QHash<LinkId, Remote> links_;
  QHash<FakeTransport *, int> delays_;
  QHash<FakeTransport *, std::deque<Outgoing>> delayed_;
  // Voice moves on the UI thread here, by the same routing as over ENet.
  VoiceRouter voice_;
  std::unique_ptr<QSocketNotifier> voiceReady_;
};

}  // namespace tv::peer
