#include "PeerTestSupport.h"

#include "common/TestSupport.h"

#include <QRegularExpression>
#include <QUdpSocket>

namespace tv::peer::test {

Recorder::Recorder(Peer &peer) : peer_(peer) {
  auto add = [this](const QString &line) { events.append(line); };
  connect(&peer, &Peer::connectComplete, this,
          [add](quint32 r) { add(QStringLiteral("ConnectComplete ") + formatResult(r)); });
  connect(&peer, &Peer::createPlayer, this,
          [add](quint32 id) { add(QStringLiteral("CreatePlayer %1").arg(id)); });
  connect(&peer, &Peer::destroyPlayer, this, [this, add](quint32 id, quint32 reason) {
    PlayerInfo info;
    if (peer_.GetPeerInfo(id, info) == kOk) namesAtDestroy.insert(id, info.name);
    add(QStringLiteral("DestroyPlayer %1 %2").arg(id).arg(reason));
  });
  connect(&peer, &Peer::hostMigrate, this,
          [add](quint32 id) { add(QStringLiteral("HostMigrate %1").arg(id)); });
  connect(&peer, &Peer::enumHostsResponse, this, [this, add](const EnumHostsResponse &r) {
    responses.append(r);
    add(QStringLiteral("EnumHostsResponse ") + r.desc.sessionName);
  });
  connect(&peer, &Peer::infoNotify, this, [add](quint32 message, quint32 id) {
    add(QStringLiteral("InfoNotify %1 %2").arg(formatResult(message)).arg(id));
  });
  connect(&peer, &Peer::receive, this, [this, add](quint32 from, const QByteArray &data) {
    received[from].append(data);
    add(QStringLiteral("Receive %1 %2").arg(from).arg(data.size()));
  });
  connect(&peer, &Peer::terminateSession, this,
          [add](quint32 r) { add(QStringLiteral("TerminateSession ") + formatResult(r)); });
  connect(&peer, &Peer::createGroup, this, [add](quint32 group, quint32 owner) {
    add(QStringLiteral("CreateGroup %1 %2").arg(group).arg(owner));
  });
  connect(&peer, &Peer::appDesc, this, [add] { add(QStringLiteral("AppDesc")); });
  connect(&peer, &Peer::addRemovePlayerGroup, this,
          [add](quint32 message, quint32 group, quint32 player) {
            add(QStringLiteral("%1 %2 %3")
                    .arg(message == kMsgAddPlayerToGroup ? u"AddToGroup" : u"RemoveFromGroup")
                    .arg(group)
                    .arg(player));
          });
  connect(&peer, &Peer::asyncOpComplete, this, [add](quint32 handle, quint32 r) {
    add(QStringLiteral("AsyncOpComplete %1 %2").arg(handle).arg(formatResult(r)));
  });
}

void Recorder::watchVoice(VoiceClient &voice) {
  auto add = [this](const QString &line) { events.append(line); };
  connect(&voice, &VoiceClient::connectResult, this,
          [add](quint32 r) { add(QStringLiteral("ConnectResult ") + formatResult(r)); });
  connect(&voice, &VoiceClient::disconnectResult, this,
          [add](quint32 r) { add(QStringLiteral("DisconnectResult ") + formatResult(r)); });
  connect(&voice, &VoiceClient::createVoicePlayer, this, [add](quint32 id, quint32 flags) {
    add(QStringLiteral("CreateVoicePlayer %1 %2").arg(id).arg(flags));
  });
  connect(&voice, &VoiceClient::deleteVoicePlayer, this,
          [add](quint32 id) { add(QStringLiteral("DeleteVoicePlayer %1").arg(id)); });
  connect(&voice, &VoiceClient::hostMigrated, this,
          [add](quint32 id) { add(QStringLiteral("VoiceHostMigrated %1").arg(id)); });
  connect(&voice, &VoiceClient::sessionLost, this,
          [add](quint32 r) { add(QStringLiteral("SessionLost ") + formatResult(r)); });
  connect(&voice, &VoiceClient::soundDeviceLost, this,
          [add](quint32 r) { add(QStringLiteral("SoundDeviceLost ") + formatResult(r)); });
  connect(&voice, &VoiceClient::soundDeviceRestored, this,
          [add] { add(QStringLiteral("SoundDeviceRestored")); });
}

int Recorder::countPrefix(const QString &prefix) const {
  int n = 0;
  for (const QString &e : events)
    if (e.startsWith(prefix)) ++n;
  return n;
}

bool Recorder::waitFor(const QString &event, int timeoutMs, int times) {
  return tv::test::waitFor([&] { return count(event) >= times; },
                           std::chrono::milliseconds(timeoutMs));
}

bool Recorder::waitForPrefix(const QString &prefix, int timeoutMs) {
  return tv::test::waitFor([&] { return countPrefix(prefix) > 0; },
                           std::chrono::milliseconds(timeoutMs));
}

TvPeer::TvPeer(const QStringList &arguments)
    : TvPeerProcess(tv::test::programFolder() + QStringLiteral("/tvpeer"), arguments) {}

quint32 TvPeer::selfId() const {
  static const QRegularExpression re(QStringLiteral("^CreatePlayer (\\d+) \\S+ [26]$"));
  for (const QString &l : lines)
    if (const auto m = re.match(l); m.hasMatch()) return m.captured(1).toUInt();
  return 0;
}

ApplicationDesc sessionDesc(quint32 maxPlayers, bool migrate) {
  ApplicationDesc d;
  d.applicationGuid = kAppGuid;
  d.maxPlayers = maxPlayers;
  d.flags = migrate ? kSessionMigrateHost : 0;
  d.sessionName = QStringLiteral("Talvora3.0.3.test");
  return d;
}

namespace {

// A peer with its recorder, registered and named.
Member newMember(Platform &platform, const QString &name) {
  Member m;
  m.name = name;
  m.peer = platform.CreatePeer();
  m.rec = std::make_unique<Recorder>(*m.peer);
  m.peer->RegisterMessageHandler();
  m.peer->SetPeerInfo({name, 0});
  return m;
}

}  // namespace

Member host(Platform &platform, const QString &name, quint16 port, const ApplicationDesc &desc) {
  Member m = newMember(platform, name);
  Address device;
  device.setPort(port);
  if (m.peer->Host(desc, device) != kOk) return m;
  if (!m.rec->waitForPrefix(QStringLiteral("CreatePlayer"))) return m;
  m.id = m.rec->events.first().section(u' ', 1).toUInt();
  return m;
}

Member join(Platform &platform, const QString &name, quint16 port, Result *result, const QUuid &app,
            int timeoutMs) {
  Member m = newMember(platform, name);
  ApplicationDesc desc;
  desc.applicationGuid = app;
  Address hostAddress;
  hostAddress.BuildFromURL(QStringLiteral("x-directplay:/hostname=127.0.0.1;port=%1").arg(port));
  Result r = m.peer->Connect(desc, hostAddress, Address());
  if (r == kOk) {
    if (!m.rec->waitForPrefix(QStringLiteral("ConnectComplete"), timeoutMs)) {
      r = DPNERR_GENERIC;
    } else {
      for (const QString &e : m.rec->events)
        if (e.startsWith(u"ConnectComplete")) r = e.section(u' ', 1).mid(2).toUInt(nullptr, 16);
    }
  }
  if (result) *result = r;
  if (r == kOk) {
    for (const QString &e : m.rec->events) {
      if (!e.startsWith(u"CreatePlayer")) continue;
      PlayerInfo info;
      const quint32 id = e.section(u' ', 1).toUInt();
      if (m.peer->GetPeerInfo(id, info) == kOk && (info.playerFlags & kPlayerLocal)) m.id = id;
    }
  }
  return m;
}

quint16 freeUdpPort() {
  QUdpSocket socket;
  socket.bind(QHostAddress::Any, 0);
  return socket.localPort();
}

}  // namespace tv::peer::test
