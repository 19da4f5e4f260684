#pragma once
// An in-process network for tests of the layers above the session service. Peers made
// here run the same session logic as the real service over links that deliver queued
// on the UI thread, in order, without loss; so the layers above meet the same
// callbacks in the same order, with no sockets and no timing noise. A test can let a
// member's PC die or cut the link between two members; the others notice after the
// configured detection limit, as they would on the network. Voice clients get silent
// sound devices.

#include "platform/audio/SilentBackend.h"
#include "platform/peer/AudioSetup.h"
#include "platform/peer/Platform.h"

#include <QHash>
#include <QObject>
#include <QPointer>

namespace tv::peer {

class FakeTransport;

class FakeNetwork final : public QObject, public Platform {
  Q_OBJECT
 public:
  // Every fake PC answers on 127.0.0.1 (or any other address) and its own port.
  static constexpr quint32 kAddress = 0x7F000001;

  explicit FakeNetwork(const PeerConfig &config = {}, const QString &audioSetupPath = {},
                       QObject *parent = nullptr);
  ~FakeNetwork() override;

  std::unique_ptr<Peer> CreatePeer() override;
  std::unique_ptr<VoiceServer> CreateVoiceServer() override;
  std::unique_ptr<VoiceClient> CreateVoiceClient() override;

  // The PC of this peer stops dead: nothing more leaves or reaches it.
  void crash(Peer *peer);
  // The link between two members breaks in both directions.
  void breakLink(Peer *a, Peer *b);
  // Frames from one PC to another arrive this much later, still in order.
  void setDelay(Peer *from, Peer *to, int ms);
  // The sound devices of every fake PC: silent; a test may take them away.
  audio::SilentBackend &audio() { return audio_; }

  // For the fake transports.
  const PeerConfig &config() const { return config_; }
  Result bind(FakeTransport *transport, quint16 port, quint16 &bound);
  void unbind(FakeTransport *transport);
  FakeTransport *at(const Endpoint &endpoint) const;
  QList<FakeTransport *> boundOn(quint16 port) const;
  quint64 nextLinkId() { return ++lastLink_; }

 private:
  FakeTransport *transportOf(Peer *peer) const;

  PeerConfig config_;
  QString audioSetupPath_;
  audio::SilentBackend audio_;
  QHash<quint16, QPointer<FakeTransport>> bound_;
  quint16 nextPort_ = 50000;
  quint64 lastLink_ = 0;
};

}  // namespace tv::peer
