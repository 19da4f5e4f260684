#pragma once
// Shared by the session service tests: a recorder of callbacks and helpers that host
// and join sessions on any platform (the in-process fake or ENet on loopback).

#include "common/TvPeerProcess.h"
#include "platform/peer/Platform.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

namespace tv::peer::test {

inline const QUuid kAppGuid(QStringLiteral("{3F6A1C2E-8B47-4D19-A0E5-72C4B9D1E608}"));

// Records every callback of a peer (and optionally its voice client) as a line such
// as "CreatePlayer 3" or "Receive 2 5", in delivery order.
class Recorder : public QObject {
  Q_OBJECT
 public:
  explicit Recorder(Peer &peer);
  void watchVoice(VoiceClient &voice);

  QStringList events;
  QHash<quint32, QList<QByteArray>> received;  // by sender
  QHash<quint32, QString> namesAtDestroy;      // read inside destroyPlayer
  QList<EnumHostsResponse> responses;

  int count(const QString &event) const { return int(events.count(event)); }
  int countPrefix(const QString &prefix) const;
  qsizetype indexOf(const QString &event) const { return events.indexOf(event); }
  // Runs the event loop until the event was recorded (or `times` of it).
  bool waitFor(const QString &event, int timeoutMs = 5000, int times = 1);
  bool waitForPrefix(const QString &prefix, int timeoutMs = 5000);

 private:
  Peer &peer_;
};

struct Member {
  std::unique_ptr<Peer> peer;
  std::unique_ptr<Recorder> rec;
  quint32 id = 0;
  QString name;
};

// One running tvpeer of this build.
class TvPeer : public tv::test::TvPeerProcess {
 public:
  explicit TvPeer(const QStringList &arguments);
  // The player ID of this tvpeer (its own CreatePlayer line); 0 until known.
  quint32 selfId() const;
};

ApplicationDesc sessionDesc(quint32 maxPlayers = 8, bool migrate = true);
// Hosts on the port; the own CreatePlayer has been delivered on return.
Member host(Platform &platform, const QString &name, quint16 port,
            const ApplicationDesc &desc = sessionDesc());
// Joins the host at 127.0.0.1:port and waits for ConnectComplete; `result` is its code.
Member join(Platform &platform, const QString &name, quint16 port, Result *result = nullptr,
            const QUuid &app = kAppGuid, int timeoutMs = 10000);
// A UDP port nothing listens on right now.
quint16 freeUdpPort();

}  // namespace tv::peer::test
