// The session logic on the in-process network: membership, joining, groups, messages,
// departures and host migration, with the orders and guarantees the layers above rely on.
#include "PeerTestSupport.h"
#include "common/TestSupport.h"
#include "platform/peer/FakeNetwork.h"
#include "platform/peer/FakeTransport.h"
#include "platform/peer/PeerWire.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

namespace tv::peer::test {
namespace {

constexpr quint16 kPort = 2302;

PeerConfig quickConfig(int detectMs = 300) {
  PeerConfig c;
  c.detectionLimitMs = detectMs;
  c.joinTimeoutMs = 2000;
  return c;
}

// A host and `joiners` members on one fake network.
struct Session {
  explicit Session(int joiners, PeerConfig config = quickConfig(),
                   ApplicationDesc desc = sessionDesc())
      : net(config) {
    members.push_back(host(net, QStringLiteral("host"), kPort, desc));
    for (int i = 1; i <= joiners; ++i) {
      members.push_back(join(net, QStringLiteral("m%1").arg(i), kPort));
      EXPECT_NE(members.back().id, 0u);
    }
    // Let every member hear of the last one.
    tv::test::waitFor([&] {
      for (auto &m : members)
        if (m.rec->countPrefix(QStringLiteral("CreatePlayer")) < int(members.size())) return false;
      return true;
    });
  }
  Member &operator[](size_t i) { return members[i]; }

  FakeNetwork net;
  std::vector<Member> members;
};

QStringList only(const QStringList &events, const QString &prefix) {
  QStringList out;
  for (const QString &e : events)
    if (e.startsWith(prefix)) out.append(e);
  return out;
}

TEST(FakeSession, NewcomerHearsOfEveryoneBeforeItsConnectCompleteAndEveryoneOfIt) {
  Session s(2);
  const quint32 h = s[0].id, a = s[1].id, b = s[2].id;
  EXPECT_EQ(s[0].rec->events, QStringList({QStringLiteral("CreatePlayer %1").arg(h),
                                           QStringLiteral("CreatePlayer %1").arg(a),
                                           QStringLiteral("CreatePlayer %1").arg(b)}));
  // The newcomer: itself first, then the members in join order, then ConnectComplete.
  EXPECT_EQ(s[2].rec->events,
            QStringList(
                {QStringLiteral("CreatePlayer %1").arg(b), QStringLiteral("CreatePlayer %1").arg(h),
                 QStringLiteral("CreatePlayer %1").arg(a), QStringLiteral("ConnectComplete 0x0")}));
  EXPECT_EQ(only(s[1].rec->events, "CreatePlayer").last(),
            QStringLiteral("CreatePlayer %1").arg(b));

  PlayerInfo info;
  ASSERT_EQ(s[1].peer->GetPeerInfo(h, info), kOk);
  EXPECT_EQ(info.name, QStringLiteral("host"));
  EXPECT_EQ(info.playerFlags, kPlayerHost);
  ASSERT_EQ(s[1].peer->GetPeerInfo(a, info), kOk);
  EXPECT_EQ(info.playerFlags, kPlayerLocal);
  ASSERT_EQ(s[0].peer->GetPeerInfo(h, info), kOk);
  EXPECT_EQ(info.playerFlags, kPlayerLocal | kPlayerHost);
  EXPECT_EQ(s[0].peer->GetPeerInfo(999, info), DPNERR_INVALIDPLAYER);

  // IDs are unique and non-zero; every member lists the same players in join order.
  EXPECT_TRUE(h && a && b && h != a && a != b && h != b);
  for (auto &m : s.members) {
    quint32 count = 0, id = 0;
    ASSERT_EQ(m.peer->GetCountPlayersAndGroups(kEnumPlayers, count), kOk);
    ASSERT_EQ(count, 3u);
    QList<quint32> ids;
    for (quint32 n = 1; n <= count; ++n) {
      ASSERT_EQ(m.peer->GetPlayerOrGroup(n, id), kOk);
      ids.append(id);
    }
    EXPECT_EQ(ids, QList<quint32>({h, a, b}));
    EXPECT_EQ(m.peer->GetPlayerOrGroup(4, id), DPNERR_INVALIDPARAM);
    ApplicationDesc d;
    ASSERT_EQ(m.peer->GetApplicationDesc(d), kOk);
    EXPECT_EQ(d.currentPlayers, 3u);
    EXPECT_EQ(d.maxPlayers, 8u);
  }
}

TEST(FakeSession, JoinsAreRefusedBeforeAnyPlayerExists) {
  struct Case {
    const char *what;
    quint32 maxPlayers;
    bool requirePassword;
    QUuid app;
    Result expected;
  } cases[] = {
      {"full", 1, false, kAppGuid, DPNERR_SESSIONFULL},
      {"other application", 8, false, QUuid::createUuid(), DPNERR_HOSTREJECTEDCONNECTION},
      {"wrong password", 8, true, kAppGuid, DPNERR_INVALIDPASSWORD},
  };
  for (const Case &c : cases) {
    FakeNetwork net(quickConfig());
    ApplicationDesc desc = sessionDesc(c.maxPlayers);
    if (c.requirePassword) {
      desc.flags |= kSessionRequirePassword;
      desc.password = QStringLiteral("secret");
    }
    Member h = host(net, QStringLiteral("host"), kPort, desc);
    Result r = kOk;
    Member j = join(net, QStringLiteral("late"), kPort, &r, c.app);
    EXPECT_EQ(r, c.expected) << c.what;
    EXPECT_EQ(j.rec->events,
              QStringList({QStringLiteral("ConnectComplete ") + formatResult(c.expected)}))
        << c.what;
    QCoreApplication::processEvents();
    EXPECT_EQ(h.rec->events.size(), 1) << c.what;  // only its own CreatePlayer
  }
  // Nobody hosts there at all.
  FakeNetwork net(quickConfig());
  Result r = kOk;
  join(net, QStringLiteral("lost"), 4000, &r);
  EXPECT_EQ(r, DPNERR_NOCONNECTION);
}

TEST(FakeSession, NobodyHearsFromAPlayerBeforeItsCreatePlayer) {
  FakeNetwork net(quickConfig());
  std::vector<Member> m;
  m.push_back(host(net, QStringLiteral("host"), kPort));
  m.push_back(join(net, QStringLiteral("a"), kPort));
  // Like the chat window: greet every new member the moment it appears, and talk as
  // soon as the own join completes.
  for (auto &member : m) {
    Peer *p = member.peer.get();
    QObject::connect(p, &Peer::createPlayer, p, [p](quint32 id) {
      PlayerInfo info;
      if (p->GetPeerInfo(id, info) == kOk && !(info.playerFlags & kPlayerLocal))
        p->SendTo(id, "hello newcomer", kSendGuaranteed);
    });
  }
  // The host's word about the newcomer reaches member a late: the newcomer's hello and
  // first line get there before it.
  net.setDelay(m[0].peer.get(), m[1].peer.get(), 200);
  Member late = join(net, QStringLiteral("late"), kPort);
  late.peer->SendTo(0, "first line", kSendGuaranteed | kSendNoLoopback);
  for (auto &member : m) {
    const QString created = QStringLiteral("CreatePlayer %1").arg(late.id);
    const QString got = QStringLiteral("Receive %1 10").arg(late.id);
    ASSERT_TRUE(member.rec->waitFor(got));
    ASSERT_TRUE(member.rec->waitFor(created));
    EXPECT_LT(member.rec->indexOf(created), member.rec->indexOf(got));
  }
  ASSERT_TRUE(late.rec->waitFor(QStringLiteral("Receive %1 14").arg(m[1].id)));
  for (auto &member : m) {
    const qsizetype created = late.rec->indexOf(QStringLiteral("CreatePlayer %1").arg(member.id));
    ASSERT_GE(created, 0);
    EXPECT_LT(created, late.rec->indexOf(QStringLiteral("Receive %1 14").arg(member.id)));
  }
}

TEST(FakeSession, SimultaneousJoinsAreAdmittedOneAtATimeInOneOrder) {
  Session s(1);
  std::vector<Member> late;
  for (int i = 0; i < 3; ++i) {
    Member m;
    m.peer = s.net.CreatePeer();
    m.rec = std::make_unique<Recorder>(*m.peer);
    m.peer->RegisterMessageHandler();
    m.peer->SetPeerInfo({QStringLiteral("late%1").arg(i), 0});
    Address at;
    at.BuildFromURL(QStringLiteral("x-directplay:/hostname=127.0.0.1;port=%1").arg(kPort));
    ApplicationDesc d;
    d.applicationGuid = kAppGuid;
    ASSERT_EQ(m.peer->Connect(d, at, Address()), kOk);
    late.push_back(std::move(m));
  }
  for (Member &m : late) ASSERT_TRUE(m.rec->waitFor(QStringLiteral("ConnectComplete 0x0")));
  ASSERT_TRUE(tv::test::waitFor([&] {
    for (auto *recs : {&s.members, &late})
      for (Member &m : *recs)
        if (m.rec->countPrefix(QStringLiteral("CreatePlayer")) != 5) return false;
    return true;
  }));
  // Both members saw the newcomers in the same order, and so did the earlier newcomers.
  const QStringList order = only(s[0].rec->events, "CreatePlayer").mid(2);
  EXPECT_EQ(only(s[1].rec->events, "CreatePlayer").mid(2), order);
  EXPECT_EQ(order.size(), 3);
}

TEST(FakeSession, ANewcomerThatCannotLinkWithEveryoneIsRefusedAndForgotten) {
  PeerConfig c = quickConfig();
  c.joinTimeoutMs = 500;
  Session s(1, c);
  // The host's word about the newcomer reaches the member only after the time-out.
  s.net.setDelay(s[0].peer.get(), s[1].peer.get(), 1500);
  Result r = kOk;
  Member late = join(s.net, QStringLiteral("late"), kPort, &r);
  EXPECT_EQ(r, DPNERR_NOCONNECTION);
  QTest::qWait(2000);
  for (auto &m : s.members) EXPECT_EQ(m.rec->countPrefix(QStringLiteral("CreatePlayer")), 2);
  // The session is unharmed.
  s.net.setDelay(s[0].peer.get(), s[1].peer.get(), 0);
  Member next = join(s.net, QStringLiteral("next"), kPort, &r);
  EXPECT_EQ(r, kOk);
}

TEST(FakeSession, MessagesArriveWholeInOrderAndOnlyWhereSent) {
  Session s(2);
  const quint32 h = s[0].id, a = s[1].id, b = s[2].id;
  quint32 group = 0;
  ASSERT_EQ(s[0].peer->CreateGroup({QStringLiteral("Team2"), 0}, group), kOk);
  ASSERT_EQ(s[0].peer->AddPlayerToGroup(group, b), kOk);
  ASSERT_TRUE(s[1].rec->waitFor(QStringLiteral("AddToGroup %1 %2").arg(group).arg(b)));

  struct Case {
    quint32 target;
    QByteArray data;
    quint32 flags;
    QList<quint32> receivers;
  } cases[] = {
      {0, "", kSendGuaranteed, {h, a, b}},                       // empty, loop-back
      {0, "to all", kSendGuaranteed | kSendNoLoopback, {a, b}},  // not back to sender
      {b, "whisper", kSendGuaranteed, {b}},                      // one player
      {group, "team", kSendGuaranteed | kSendNoLoopback, {b}},   // a group
      {0, "datagram", kSendNoLoopback, {a, b}},                  // not guaranteed
  };
  for (const Case &c : cases) {
    for (auto &m : s.members) m.rec->received.clear();
    ASSERT_EQ(s[0].peer->SendTo(c.target, c.data, c.flags), kOk);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    tv::test::waitFor([&] {
      for (auto &m : s.members)
        if (c.receivers.contains(m.id) && m.rec->received.value(h).isEmpty()) return false;
      return true;
    });
    for (auto &m : s.members) {
      const QList<QByteArray> got = m.rec->received.value(h);
      if (c.receivers.contains(m.id))
        EXPECT_EQ(got, QList<QByteArray>{c.data}) << c.data.data() << " at " << m.id;
      else
        EXPECT_TRUE(got.isEmpty()) << c.data.data() << " at " << m.id;
    }
  }
  // A burst keeps its order.
  for (int i = 0; i < 500; ++i) s[1].peer->SendTo(b, QByteArray::number(i), kSendGuaranteed);
  ASSERT_TRUE(tv::test::waitFor([&] { return s[2].rec->received.value(a).size() == 500; }));
  for (int i = 0; i < 500; ++i) ASSERT_EQ(s[2].rec->received.value(a).at(i), QByteArray::number(i));

  EXPECT_EQ(s[0].peer->SendTo(0, QByteArray(kMaxMessageBytes + 1, 'x'), kSendGuaranteed),
            DPNERR_SENDTOOLARGE);
  EXPECT_EQ(s[0].peer->SendTo(4242, "x", kSendGuaranteed), DPNERR_INVALIDPLAYER);
}

TEST(FakeSession, RenamesGroupsAndDescriptionReachEveryMemberThroughTheHost) {
  Session s(2);
  const quint32 h = s[0].id, a = s[1].id;
  ASSERT_EQ(s[1].peer->SetPeerInfo({QStringLiteral("あいこ"), 0}), kOk);
  for (auto &m : s.members) {
    ASSERT_TRUE(m.rec->waitFor(QStringLiteral("InfoNotify 0xFFFF0010 %1").arg(a)));
    PlayerInfo info;
    m.peer->GetPeerInfo(a, info);
    EXPECT_EQ(info.name, QStringLiteral("あいこ"));
  }

  // Groups made on the host and asked for by a member, in creation order everywhere.
  quint32 g1 = 0, g2 = 0;
  ASSERT_EQ(s[0].peer->CreateGroup({QStringLiteral("Team1"), 0}, g1), kOk);
  EXPECT_EQ(s[1].peer->CreateGroup({QStringLiteral("Team2"), 0}, g2), kPending);
  ASSERT_EQ(s[0].peer->AddPlayerToGroup(g1, a), kOk);
  EXPECT_EQ(s[0].peer->AddPlayerToGroup(g1, a), DPNERR_PLAYERALREADYINGROUP);
  EXPECT_EQ(s[0].peer->AddPlayerToGroup(9999, a), DPNERR_INVALIDGROUP);
  EXPECT_EQ(s[0].peer->RemovePlayerFromGroup(g1, h), DPNERR_PLAYERNOTINGROUP);
  for (auto &m : s.members) ASSERT_TRUE(m.rec->waitForPrefix(QStringLiteral("CreateGroup")));
  ASSERT_TRUE(s[2].rec->waitFor(QStringLiteral("AddToGroup %1 %2").arg(g1).arg(a)));
  const QStringList groups = only(s[2].rec->events, "CreateGroup");
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups[0], QStringLiteral("CreateGroup %1 %2").arg(g1).arg(h));
  g2 = groups[1].section(u' ', 1, 1).toUInt();
  EXPECT_EQ(groups[1], QStringLiteral("CreateGroup %1 %2").arg(g2).arg(a));
  GroupInfo gi;
  ASSERT_EQ(s[2].peer->GetGroupInfo(g2, gi), kOk);
  EXPECT_EQ(gi.name, QStringLiteral("Team2"));

  // A later member gets the groups in creation order, with their members.
  Member late = join(s.net, QStringLiteral("late"), kPort);
  const QStringList lateEvents = late.rec->events;
  const qsizetype first = lateEvents.indexOf(QStringLiteral("CreateGroup %1 %2").arg(g1).arg(h));
  EXPECT_GE(first, 0);
  EXPECT_EQ(lateEvents.value(first + 1), QStringLiteral("AddToGroup %1 %2").arg(g1).arg(a));
  EXPECT_EQ(lateEvents.value(first + 2), QStringLiteral("CreateGroup %1 %2").arg(g2).arg(a));
  EXPECT_EQ(lateEvents.last(), QStringLiteral("ConnectComplete 0x0"));

  // The description: the host only; every member hears of a change.
  ApplicationDesc d;
  ASSERT_EQ(s[1].peer->GetApplicationDesc(d), kOk);
  d.maxPlayers = 0;
  EXPECT_EQ(s[1].peer->SetApplicationDesc(d), DPNERR_NOTHOST);
  d.maxPlayers = kMaxPlayersLimit + 1;
  EXPECT_EQ(s[0].peer->SetApplicationDesc(d), DPNERR_INVALIDPARAM);
  d.maxPlayers = 0;
  ASSERT_EQ(s[0].peer->SetApplicationDesc(d), kOk);
  for (auto &m : s.members) {
    ASSERT_TRUE(m.rec->waitFor(QStringLiteral("AppDesc")));
    ApplicationDesc seen;
    m.peer->GetApplicationDesc(seen);
    EXPECT_EQ(seen.maxPlayers, 0u);
    EXPECT_EQ(seen.currentPlayers, 4u);
  }
}

TEST(FakeSession, KickIsTheHostsAndTheKickedMemberSeesItsOwnDestroyPlayer) {
  Session s(2);
  const quint32 a = s[1].id, b = s[2].id;
  EXPECT_EQ(s[1].peer->DestroyPeer(b), DPNERR_NOTHOST);
  EXPECT_EQ(s[0].peer->DestroyPeer(s[0].id), DPNERR_INVALIDPLAYER);
  EXPECT_EQ(s[0].peer->DestroyPeer(777), DPNERR_INVALIDPLAYER);
  ASSERT_EQ(s[0].peer->DestroyPeer(a), kOk);
  const QString kicked =
      QStringLiteral("DestroyPlayer %1 %2").arg(a).arg(kDestroyHostDestroyedPlayer);
  for (auto &m : s.members) {
    ASSERT_TRUE(m.rec->waitFor(kicked)) << m.id;
    EXPECT_EQ(m.rec->namesAtDestroy.value(a), QStringLiteral("m1"));  // still readable
  }
  PlayerInfo info;
  QCoreApplication::processEvents();
  EXPECT_EQ(s[2].peer->GetPeerInfo(a, info), DPNERR_INVALIDPLAYER);  // gone afterwards
  EXPECT_EQ(s[1].peer->SendTo(0, "x", kSendGuaranteed), DPNERR_NOCONNECTION);
}

TEST(FakeSession, CloseIsSeenAtOnceAndADeadPcWithinTheLimit) {
  // A detection limit far beyond the wait: only the goodbye can explain the news.
  Session s(3, quickConfig(60000));
  const quint32 a = s[1].id;
  s[1].peer->SendTo(0, "last words", kSendGuaranteed | kSendNoLoopback);
  s[1].peer->Close();
  for (size_t i : {0, 2, 3}) {
    ASSERT_TRUE(
        s[i].rec->waitFor(QStringLiteral("DestroyPlayer %1 %2").arg(a).arg(kDestroyNormal), 2000));
    // The last message arrived before the departure.
    EXPECT_LT(s[i].rec->indexOf(QStringLiteral("Receive %1 10").arg(a)),
              s[i].rec->indexOf(QStringLiteral("DestroyPlayer %1 1").arg(a)));
  }

  Session t(2, quickConfig(300));
  const quint32 b = t[2].id;
  t.net.crash(t[2].peer.get());
  for (size_t i : {0, 1})
    ASSERT_TRUE(t[i].rec->waitFor(
        QStringLiteral("DestroyPlayer %1 %2").arg(b).arg(kDestroyConnectionLost), 3000));
}

TEST(FakeSession, ABrokenLinkBetweenTwoMembersIsNotADeparture) {
  Session s(2, quickConfig(200));
  s.net.breakLink(s[1].peer.get(), s[2].peer.get());
  QTest::qWait(800);
  for (auto &m : s.members) {
    EXPECT_EQ(m.rec->countPrefix(QStringLiteral("DestroyPlayer")), 0) << m.id;
    quint32 count = 0;
    m.peer->GetCountPlayersAndGroups(kEnumPlayers, count);
    EXPECT_EQ(count, 3u);
  }
}

TEST(FakeSession, HostMigratesToTheOldestSurvivorWithIdsGroupsAndDescription) {
  Session s(3);
  const quint32 h = s[0].id, a = s[1].id;
  quint32 g = 0;
  ASSERT_EQ(s[0].peer->CreateGroup({QStringLiteral("Team1"), 0}, g), kOk);
  ApplicationDesc d;
  s[0].peer->GetApplicationDesc(d);
  d.maxPlayers = 5;
  s[0].peer->SetApplicationDesc(d);
  for (size_t i = 1; i < 4; ++i) ASSERT_TRUE(s[i].rec->waitFor(QStringLiteral("AppDesc")));

  s.net.crash(s[0].peer.get());
  for (size_t i = 1; i < 4; ++i) {
    ASSERT_TRUE(s[i].rec->waitForPrefix(QStringLiteral("HostMigrate"), 3000));
    QTest::qWait(50);
    EXPECT_EQ(only(s[i].rec->events, "HostMigrate"),
              QStringList{QStringLiteral("HostMigrate %1").arg(a)});
    EXPECT_LT(
        s[i].rec->indexOf(QStringLiteral("DestroyPlayer %1 %2").arg(h).arg(kDestroyConnectionLost)),
        s[i].rec->indexOf(QStringLiteral("HostMigrate %1").arg(a)));
    PlayerInfo info;
    s[i].peer->GetPeerInfo(a, info);
    EXPECT_TRUE(info.playerFlags & kPlayerHost);
    GroupInfo gi;
    EXPECT_EQ(s[i].peer->GetGroupInfo(g, gi), kOk);
    ApplicationDesc seen;
    s[i].peer->GetApplicationDesc(seen);
    EXPECT_EQ(seen.maxPlayers, 5u);
    EXPECT_EQ(seen.currentPlayers, 3u);
  }
  // The new host rules: it kicks, a member cannot.
  EXPECT_EQ(s[2].peer->DestroyPeer(s[3].id), DPNERR_NOTHOST);
  // New groups continue the IDs, never reusing one.
  quint32 g2 = 0;
  ASSERT_EQ(s[1].peer->CreateGroup({QStringLiteral("Team2"), 0}, g2), kOk);
  EXPECT_GT(g2, std::max({g, s[3].id}));
}

TEST(FakeSession, AHostLeavingEndsTheSessionOrHandsOverByItsMigrationFlag) {
  {
    Session s(2, quickConfig(60000), sessionDesc(8, false));
    s[0].peer->Close();
    for (size_t i : {1, 2})
      ASSERT_TRUE(s[i].rec->waitFor(QStringLiteral("TerminateSession 0x80158270"), 2000));
  }
  {
    Session s(2, quickConfig(60000));
    const quint32 h = s[0].id, a = s[1].id;
    s[0].peer->Close();
    for (size_t i : {1, 2}) {
      ASSERT_TRUE(s[i].rec->waitFor(QStringLiteral("HostMigrate %1").arg(a), 2000));
      EXPECT_EQ(s[i].rec->count(QStringLiteral("DestroyPlayer %1 %2").arg(h).arg(kDestroyNormal)),
                1);
    }
    // The session goes on: a newcomer joins the new host on its own address.
    Address where;
    ASSERT_EQ(s[1].peer->GetPeerAddress(a, where), kOk);
    Result r = kOk;
    Member late = join(s.net, QStringLiteral("late"), where.port(), &r);
    EXPECT_EQ(r, kOk);
    ASSERT_TRUE(s[2].rec->waitFor(QStringLiteral("CreatePlayer %1").arg(late.id)));
  }
}

TEST(FakeSession, HostSearchAnswersUntilCancelledAndNotAfter) {
  FakeNetwork net(quickConfig());
  Member h1 = host(net, QStringLiteral("one"), kPort);
  auto searcher = net.CreatePeer();
  Recorder rec(*searcher);
  searcher->RegisterMessageHandler();
  quint32 handle = 0;
  ApplicationDesc filter;
  filter.applicationGuid = kAppGuid;
  Address target;
  target.BuildFromURL(QStringLiteral("x-directplay:/hostname=127.0.0.1"));
  ASSERT_EQ(searcher->EnumHosts(filter, target, Address(), -1, 100, -1, handle), kOk);
  ASSERT_TRUE(rec.waitFor(QStringLiteral("EnumHostsResponse Talvora3.0.3.test"), 3000, 3));
  const EnumHostsResponse &r = rec.responses.first();
  EXPECT_EQ(r.handle, handle);
  EXPECT_EQ(r.desc.applicationGuid, kAppGuid);
  EXPECT_EQ(r.desc.currentPlayers, 1u);
  EXPECT_EQ(r.senderUrl.section(u';', 1), QStringLiteral("hostname=127.0.0.1;port=2302"));
  EXPECT_TRUE(r.desc.password.isEmpty());

  // Another application's search gets no answer from this session.
  ApplicationDesc stranger;
  stranger.applicationGuid = QUuid::createUuid();
  quint32 unanswered = 0;
  ASSERT_EQ(searcher->EnumHosts(stranger, target, Address(), -1, 20, -1, unanswered), kOk);

  QTest::qWait(100);
  ASSERT_EQ(searcher->CancelAsyncOperation(unanswered), kOk);
  for (const auto &resp : rec.responses) EXPECT_NE(resp.handle, unanswered);
  ASSERT_EQ(searcher->CancelAsyncOperation(handle), kOk);
  EXPECT_EQ(searcher->CancelAsyncOperation(handle), DPNERR_INVALIDHANDLE);
  EXPECT_TRUE(rec.waitFor(QStringLiteral("AsyncOpComplete %1 0x80158A0B").arg(handle)));

  // A search with a limit ends by itself.
  quint32 limited = 0;
  ASSERT_EQ(searcher->EnumHosts(filter, target, Address(), 2, 10, 50, limited), kOk);
  EXPECT_TRUE(rec.waitFor(QStringLiteral("AsyncOpComplete %1 0x0").arg(limited)));
}

TEST(FakeSession, CancellingASearchDropsAnswersAlreadyQueued) {
  FakeNetwork net(quickConfig());
  // A hand-made host that answers each query three times at once.
  FakeTransport fakeHost(net, nullptr);
  ASSERT_EQ(fakeHost.open(9000), kOk);
  QObject::connect(&fakeHost, &Transport::datagramReceived, &fakeHost,
                   [&](const Endpoint &from, const QByteArray &bytes) {
                     const auto q = wire::decodeDatagram(bytes);
                     ASSERT_TRUE(q && std::holds_alternative<wire::EnumQuery>(*q));
                     const auto &query = std::get<wire::EnumQuery>(*q);
                     ApplicationDesc d = sessionDesc();
                     for (int i = 0; i < 3; ++i)
                       fakeHost.sendDatagram(from, wire::encodeDatagram(wire::EnumAnswer{
                                                       query.handle, query.timestamp, d}));
                   });
  auto searcher = net.CreatePeer();
  Recorder rec(*searcher);
  searcher->RegisterMessageHandler();
  QObject::connect(searcher.get(), &Peer::enumHostsResponse, searcher.get(),
                   [&](const EnumHostsResponse &r) { searcher->CancelAsyncOperation(r.handle); });
  ApplicationDesc filter;
  filter.applicationGuid = kAppGuid;
  Address target;
  target.BuildFromURL(QStringLiteral("x-directplay:/hostname=127.0.0.1;port=9000"));
  quint32 handle = 0;
  ASSERT_EQ(searcher->EnumHosts(filter, target, Address(), -1, 1000, -1, handle), kOk);
  ASSERT_TRUE(rec.waitFor(QStringLiteral("AsyncOpComplete %1 0x80158A0B").arg(handle)));
  QTest::qWait(100);
  EXPECT_EQ(rec.responses.size(), 1);
}

TEST(FakeSession, UnregisteredHandlerGetsNothing) {
  Session s(1);
  s[1].peer->UnRegisterMessageHandler();
  s[1].rec->events.clear();
  s[0].peer->SendTo(0, "ignored", kSendGuaranteed | kSendNoLoopback);
  QTest::qWait(100);
  EXPECT_TRUE(s[1].rec->events.isEmpty());
}

}  // namespace
}  // namespace tv::peer::test
