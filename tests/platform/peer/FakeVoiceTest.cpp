// The voice control plane on the in-process network: set-up flag, voice session,
// voice members, transmit targets and frames, and what happens as members come and go.
#include "PeerTestSupport.h"
#include "common/TestSupport.h"
#include "platform/peer/FakeNetwork.h"
#include "platform/peer/SessionPeer.h"
#include "platform/peer/VoicePlane.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

namespace tv::peer::test {
namespace {

constexpr quint16 kPort = 2302;

struct VoiceMember {
  Member m;
  std::unique_ptr<VoiceClient> client;
};

class FakeVoice : public ::testing::Test {
 protected:
  FakeVoice() : net(config(), dir.filePath(QStringLiteral("platform.ini"))) {
    AudioSetup(dir.filePath(QStringLiteral("platform.ini"))).markRun();
  }
  static PeerConfig config() {
    PeerConfig c;
    c.detectionLimitMs = 300;
    c.voiceJoinHoldMs = 300;
    return c;
  }
  VoiceMember add(Member m) {
    VoiceMember v{std::move(m), net.CreateVoiceClient()};
    v.m.rec->watchVoice(*v.client);
    EXPECT_EQ(v.client->Initialize(v.m.peer.get()), kOk);
    v.client->StartClientNotification();
    return v;
  }
  static Result connectVoice(VoiceMember &v) {
    VoiceClientConfig c;
    c.flags = kClientManualVoiceActivated;
    c.notifyPeriodMs = 20;
    return v.client->Connect({}, c);
  }
  // Host with a running voice session and `joiners` members, every one voice-connected.
  void start(int joiners) {
    members.push_back(add(host(net, QStringLiteral("host"), kPort)));
    server = net.CreateVoiceServer();
    ASSERT_EQ(server->Initialize(members[0].m.peer.get()), kOk);
    VoiceSessionDesc d;
    d.compressionGuid = compressionTypes().at(3).guid;
    ASSERT_EQ(server->StartSession(d), kOk);
    for (int i = 1; i <= joiners; ++i)
      members.push_back(add(join(net, QStringLiteral("m%1").arg(i), kPort)));
    for (VoiceMember &v : members) {
      ASSERT_EQ(connectVoice(v), kPending);
      ASSERT_TRUE(v.m.rec->waitFor(QStringLiteral("ConnectResult 0x0")));
    }
    for (VoiceMember &v : members)
      ASSERT_TRUE(tv::test::waitFor([&] {
        return v.m.rec->countPrefix(QStringLiteral("CreateVoicePlayer")) == int(members.size());
      }));
  }

  QTemporaryDir dir;
  FakeNetwork net;
  std::unique_ptr<VoiceServer> server;
  std::vector<VoiceMember> members;
};

TEST_F(FakeVoice, ConnectWaitsForTheAudioSetUpAndTheVoiceSession) {
  QTemporaryDir fresh;
  FakeNetwork bare(config(), fresh.filePath(QStringLiteral("platform.ini")));
  Member h = host(bare, QStringLiteral("host"), kPort);
  auto client = bare.CreateVoiceClient();
  VoiceMember v{std::move(h), std::move(client)};
  v.m.rec->watchVoice(*v.client);
  EXPECT_EQ(connectVoice(v), DVERR_NOTINITIALIZED);
  ASSERT_EQ(v.client->Initialize(v.m.peer.get()), kOk);
  v.client->StartClientNotification();
  EXPECT_EQ(connectVoice(v), DVERR_RUNSETUP);
  ASSERT_TRUE(AudioSetup(fresh.filePath(QStringLiteral("platform.ini"))).markRun());
  VoiceClientConfig loud;
  loud.recordVolume = 1;
  EXPECT_EQ(v.client->Connect({}, loud), DVERR_INVALIDPARAM);
  // No voice session yet: the host holds the request a while, then refuses it.
  EXPECT_EQ(connectVoice(v), kPending);
  QTest::qWait(100);
  EXPECT_EQ(v.m.rec->countPrefix(QStringLiteral("ConnectResult")), 0);
  EXPECT_TRUE(v.m.rec->waitFor(QStringLiteral("ConnectResult 0x80150A05")));
}

TEST_F(FakeVoice, AJoinBeforeTheVoiceSessionIsAnsweredWhenItStarts) {
  members.push_back(add(host(net, QStringLiteral("host"), kPort)));
  members.push_back(add(join(net, QStringLiteral("m1"), kPort)));
  VoiceMember &m1 = members[1];
  ASSERT_EQ(connectVoice(m1), kPending);
  QTest::qWait(100);  // the request has reached the host, which holds it
  server = net.CreateVoiceServer();
  ASSERT_EQ(server->Initialize(members[0].m.peer.get()), kOk);
  VoiceSessionDesc d;
  d.compressionGuid = compressionTypes().at(3).guid;
  ASSERT_EQ(server->StartSession(d), kOk);
  ASSERT_TRUE(m1.m.rec->waitFor(QStringLiteral("ConnectResult 0x0")));
  EXPECT_TRUE(m1.m.rec->waitFor(
      QStringLiteral("CreateVoicePlayer %1 %2").arg(m1.m.id).arg(kVoicePlayerLocal)));
  EXPECT_EQ(m1.m.rec->countPrefix(QStringLiteral("ConnectResult")), 1);
}

TEST_F(FakeVoice, ServerIsTheHostsAndOffersOpusCodecs) {
  start(1);
  auto other = net.CreateVoiceServer();
  EXPECT_EQ(other->Initialize(members[1].m.peer.get()), DVERR_NOTHOST);
  quint32 count = 0;
  ASSERT_EQ(server->GetCompressionTypeCount(count), kOk);
  EXPECT_GE(count, 4u);
  CompressionInfo info;
  ASSERT_EQ(server->GetCompressionType(4, info), kOk);
  EXPECT_EQ(info.name, QStringLiteral("Opus SC04 16kbps"));
  EXPECT_EQ(info.maxBitsPerSecond, 16000u);
  EXPECT_EQ(server->GetCompressionType(count + 1, info), DVERR_INVALIDPARAM);
  VoiceSessionDesc d;
  ASSERT_EQ(members[1].client->GetSessionDesc(d), kOk);
  EXPECT_EQ(d.compressionGuid, info.guid);
  d.compressionGuid = QUuid::createUuid();
  EXPECT_EQ(server->StopSession(), kOk);
  EXPECT_EQ(server->StartSession(d), DVERR_COMPRESSIONNOTSUPPORTED);
  for (VoiceMember &v : members)
    EXPECT_TRUE(v.m.rec->waitFor(QStringLiteral("SessionLost 0x80150A08")));
}

TEST_F(FakeVoice, EveryVoiceMemberIsAnnouncedToEveryOtherIncludingItself) {
  start(2);
  for (VoiceMember &v : members) {
    const QStringList &e = v.m.rec->events;
    const qsizetype result = e.indexOf(QStringLiteral("ConnectResult 0x0"));
    EXPECT_EQ(e.value(result + 1),
              QStringLiteral("CreateVoicePlayer %1 %2").arg(v.m.id).arg(kVoicePlayerLocal));
    for (VoiceMember &w : members) {
      if (w.m.id == v.m.id) continue;
      const qsizetype voice = e.indexOf(QStringLiteral("CreateVoicePlayer %1 0").arg(w.m.id));
      ASSERT_GE(voice, 0);
      EXPECT_LT(e.indexOf(QStringLiteral("CreatePlayer %1").arg(w.m.id)), voice);
    }
  }
  // A member that leaves loses its voice player before its player.
  const quint32 gone = members[2].m.id;
  members[2].m.peer->Close();
  for (size_t i : {0, 1}) {
    auto &rec = *members[i].m.rec;
    ASSERT_TRUE(rec.waitFor(QStringLiteral("DestroyPlayer %1 1").arg(gone)));
    EXPECT_EQ(rec.indexOf(QStringLiteral("DeleteVoicePlayer %1").arg(gone)) + 1,
              rec.indexOf(QStringLiteral("DestroyPlayer %1 1").arg(gone)));
  }
  // Leaving voice on purpose: own voice player gone, then the result.
  ASSERT_EQ(members[1].client->Disconnect(), kPending);
  ASSERT_TRUE(members[1].m.rec->waitFor(QStringLiteral("DisconnectResult 0x0")));
  EXPECT_EQ(members[1].m.rec->events.last(2).first(),
            QStringLiteral("DeleteVoicePlayer %1").arg(members[1].m.id));
  EXPECT_TRUE(
      members[0].m.rec->waitFor(QStringLiteral("DeleteVoicePlayer %1").arg(members[1].m.id)));
}

// The players whose links a member's frames go to, by the routing table it published.
QList<quint32> hearersOf(VoiceMember &v) {
  const VoiceRoutes routes = static_cast<SessionPeer &>(*v.m.peer).voicePlane().routes();
  QList<quint32> ids;
  for (const LinkId link : routes.targets)
    for (const VoiceRoutes::Member &m : routes.members)
      if (m.link == link) ids.append(m.playerId);
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST_F(FakeVoice, FramesGoToTheTransmitTargetsVoiceMembersOnly) {
  start(3);
  const quint32 h = members[0].m.id, b = members[2].m.id, c = members[3].m.id;
  quint32 team = 0;
  ASSERT_EQ(members[0].m.peer->CreateGroup({QStringLiteral("Team2"), 0}, team), kOk);
  members[0].m.peer->AddPlayerToGroup(team, b);
  members[0].m.peer->AddPlayerToGroup(team, c);
  ASSERT_TRUE(members[1].m.rec->waitFor(QStringLiteral("AddToGroup %1 %2").arg(team).arg(c)));

  VoiceClient &speaker = *members[1].client;
  EXPECT_EQ(speaker.SetTransmitTargets({4242}), DVERR_INVALIDTARGET);
  struct Case {
    QList<quint32> targets;
    QList<quint32> hearers;
  } cases[] = {{{0}, {h, b, c}}, {{team}, {b, c}}, {{c}, {c}}, {{}, {}}, {{team, c}, {b, c}}};
  for (const Case &k : cases) {
    ASSERT_EQ(speaker.SetTransmitTargets(k.targets), kOk);
    QList<quint32> want = k.hearers;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(hearersOf(members[1]), want) << "targets " << k.targets.size();
  }
  // A member that leaves voice is heard by nobody and hears nobody any more.
  ASSERT_EQ(speaker.SetTransmitTargets({0}), kOk);
  ASSERT_EQ(members[3].client->Disconnect(), kPending);
  ASSERT_TRUE(members[1].m.rec->waitFor(QStringLiteral("DeleteVoicePlayer %1").arg(c)));
  EXPECT_EQ(hearersOf(members[1]), (QList<quint32>{h, b}));
  EXPECT_TRUE(static_cast<SessionPeer &>(*members[3].m.peer).voicePlane().routes().members.empty());

  // Configuration is checked and kept.
  VoiceClientConfig cfg;
  ASSERT_EQ(speaker.GetClientConfig(cfg), kOk);
  cfg.recordVolume = -2500;
  cfg.flags |= kClientRecordMute;
  ASSERT_EQ(speaker.SetClientConfig(cfg), kOk);
  VoiceClientConfig back;
  speaker.GetClientConfig(back);
  EXPECT_EQ(back, cfg);
  cfg.playbackVolume = -10001;
  EXPECT_EQ(speaker.SetClientConfig(cfg), DVERR_INVALIDPARAM);
}

TEST_F(FakeVoice, VoiceSurvivesHostMigration) {
  start(2);
  net.crash(members[0].m.peer.get());
  const quint32 a = members[1].m.id;
  for (size_t i : {1, 2})
    ASSERT_TRUE(members[i].m.rec->waitFor(QStringLiteral("VoiceHostMigrated %1").arg(a), 3000));
  EXPECT_TRUE(tv::test::waitFor([&] { return hearersOf(members[2]) == QList<quint32>{a}; }));
  VoiceSessionDesc d;
  EXPECT_EQ(members[2].client->GetSessionDesc(d), kOk);
}

TEST_F(FakeVoice, DevicesThatFailToOpenRefuseTheConnectionAndAreNotAskedAgain) {
  start(0);
  VoiceMember late = add(join(net, QStringLiteral("late"), kPort));
  net.audio().setAvailable(false);
  EXPECT_EQ(connectVoice(late), DVERR_RECORDSYSTEMERROR);
  QTest::qWait(50);
  // The host was never asked.
  EXPECT_EQ(members[0].m.rec->countPrefix(QStringLiteral("CreateVoicePlayer")), 1);
  net.audio().setAvailable(true);
  ASSERT_EQ(connectVoice(late), kPending);
  EXPECT_TRUE(late.m.rec->waitFor(QStringLiteral("ConnectResult 0x0")));
}

}  // namespace
}  // namespace tv::peer::test
