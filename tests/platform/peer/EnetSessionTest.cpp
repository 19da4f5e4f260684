// The service over real UDP on loopback, several members in one process: search and
// join, the limits, whole messages up to 16 MiB, independence of senders, prompt
// departures, loss and delay, and strangers sending garbage.
#include "PeerTestSupport.h"
#include "common/ImpairmentRelay.h"
#include "common/TestSupport.h"
#include "platform/peer/EnetPlatform.h"
#include "platform/peer/EnetTransport.h"
#include "platform/peer/PeerWire.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace tv::peer::test {
namespace {

PeerConfig config(int detectMs = 5000) {
  PeerConfig c;
  c.detectionLimitMs = detectMs;
  return c;
}

QByteArray randomBytes(qsizetype n) {
  QByteArray b(n, Qt::Uninitialized);
  QRandomGenerator gen(n);
  for (qsizetype i = 0; i < n; i += 4) {
    const quint32 v = gen.generate();
    std::memcpy(b.data() + i, &v, size_t(std::min<qsizetype>(4, n - i)));
  }
  return b;
}

TEST(EnetSession, SearchJoinAndRefusals) {
  QTemporaryDir dir;
  EnetPlatform platform(config(), dir.filePath(QStringLiteral("platform.ini")));
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("ほすと"), port, sessionDesc(3));
  ASSERT_NE(h.id, 0u);

  auto searcher = platform.CreatePeer();
  Recorder rec(*searcher);
  searcher->RegisterMessageHandler();
  ApplicationDesc filter;
  filter.applicationGuid = kAppGuid;
  Address target;
  target.BuildFromURL(QStringLiteral("x-directplay:/hostname=localhost;port=%1").arg(port));
  quint32 handle = 0;
  ASSERT_EQ(searcher->EnumHosts(filter, target, Address(), -1, 0, -1, handle), kOk);
  ASSERT_TRUE(rec.waitForPrefix(QStringLiteral("EnumHostsResponse")));
  ASSERT_EQ(searcher->CancelAsyncOperation(handle), kOk);
  const EnumHostsResponse r = rec.responses.first();
  EXPECT_EQ(r.desc.sessionName, QStringLiteral("Talvora3.0.3.test"));
  EXPECT_EQ(r.desc.maxPlayers, 3u);
  EXPECT_EQ(r.desc.currentPlayers, 1u);
  EXPECT_LT(r.roundTripMs, 1000u);
  Address answered;
  ASSERT_EQ(answered.BuildFromURL(r.senderUrl), kOk);
  EXPECT_EQ(answered.hostname(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(answered.port(), port);

  Result result = DPNERR_GENERIC;
  Member a = join(platform, QStringLiteral("a"), port, &result);
  EXPECT_EQ(result, kOk);
  Member b = join(platform, QStringLiteral("b"), port, &result);
  EXPECT_EQ(result, kOk);
  join(platform, QStringLiteral("c"), port, &result);
  EXPECT_EQ(result, DPNERR_SESSIONFULL);
  join(platform, QStringLiteral("d"), port, &result, QUuid::createUuid());
  EXPECT_EQ(result, DPNERR_HOSTREJECTEDCONNECTION);
  ASSERT_TRUE(a.rec->waitFor(QStringLiteral("CreatePlayer %1").arg(b.id)));

  ConnectionInfo info;
  ASSERT_EQ(a.peer->GetConnectionInfo(b.id, info), kOk);
  EXPECT_LT(info.roundTripMs, 1000u);
  EXPECT_EQ(a.peer->GetConnectionInfo(a.id, info), DPNERR_INVALIDPLAYER);
  Address where;
  ASSERT_EQ(a.peer->GetPeerAddress(h.id, where), kOk);
  EXPECT_EQ(where.port(), port);
  Address own;
  ASSERT_EQ(a.peer->GetPeerAddress(a.id, own), kOk);
  ASSERT_EQ(b.peer->GetPeerAddress(a.id, where), kOk);
  EXPECT_EQ(where.port(), own.port());
  PlayerInfo pi;
  ASSERT_EQ(b.peer->GetPeerInfo(h.id, pi), kOk);
  EXPECT_EQ(pi.name, QStringLiteral("ほすと"));
}

TEST(EnetSession, EmptyAndLargestMessagesArriveWholeAndLargerOnesAreRefused) {
  QTemporaryDir dir;
  EnetPlatform platform(config(), dir.filePath(QStringLiteral("platform.ini")));
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);
  Member a = join(platform, QStringLiteral("a"), port);
  Member b = join(platform, QStringLiteral("b"), port);
  ASSERT_TRUE(a.rec->waitFor(QStringLiteral("CreatePlayer %1").arg(b.id)));

  const QByteArray big = randomBytes(kMaxMessageBytes);
  ASSERT_EQ(a.peer->SendTo(0, QByteArray(), kSendGuaranteed | kSendNoLoopback), kOk);
  ASSERT_EQ(a.peer->SendTo(0, big, kSendGuaranteed | kSendNoLoopback), kOk);
  ASSERT_EQ(a.peer->SendTo(0, "after", kSendGuaranteed | kSendNoLoopback), kOk);
  EXPECT_EQ(a.peer->SendTo(0, big + 'x', kSendGuaranteed), DPNERR_SENDTOOLARGE);
  for (Member *m : {&h, &b}) {
    ASSERT_TRUE(tv::test::waitFor([&] { return m->rec->received.value(a.id).size() == 3; },
                                  std::chrono::seconds(60)));
    const QList<QByteArray> got = m->rec->received.value(a.id);
    EXPECT_TRUE(got[0].isEmpty());
    EXPECT_TRUE(got[1] == big);
    EXPECT_EQ(got[2], QByteArray("after"));
  }
}

TEST(EnetSession, ALargeMessageDoesNotHoldBackOtherSenders) {
  EnetPlatform platform(config());
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);
  Member a = join(platform, QStringLiteral("a"), port);
  Member b = join(platform, QStringLiteral("b"), port);
  ASSERT_TRUE(a.rec->waitFor(QStringLiteral("CreatePlayer %1").arg(b.id)));

  // a sends b a picture; while it travels the host chats.
  ASSERT_EQ(a.peer->SendTo(b.id, randomBytes(kMaxMessageBytes), kSendGuaranteed), kOk);
  QTest::qWait(20);
  ASSERT_EQ(h.peer->SendTo(b.id, "small", kSendGuaranteed), kOk);
  const QString small = QStringLiteral("Receive %1 5").arg(h.id);
  const QString picture = QStringLiteral("Receive %1 %2").arg(a.id).arg(kMaxMessageBytes);
  ASSERT_TRUE(b.rec->waitFor(picture, 60000));
  ASSERT_GE(b.rec->indexOf(small), 0);
  EXPECT_LT(b.rec->indexOf(small), b.rec->indexOf(picture));
}

TEST(EnetSession, LeavingIsSeenAtOnce) {
  // Far beyond the wait: only the goodbye can explain the news.
  EnetPlatform platform(config(30000));
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);
  Member a = join(platform, QStringLiteral("a"), port);
  Member b = join(platform, QStringLiteral("b"), port);
  ASSERT_TRUE(a.rec->waitFor(QStringLiteral("CreatePlayer %1").arg(b.id)));
  b.peer->Close();
  for (Member *m : {&h, &a})
    EXPECT_TRUE(m->rec->waitFor(QStringLiteral("DestroyPlayer %1 1").arg(b.id), 3000));
  h.peer->Close();
  EXPECT_TRUE(a.rec->waitFor(QStringLiteral("HostMigrate %1").arg(a.id), 3000));
  EXPECT_EQ(a.rec->count(QStringLiteral("DestroyPlayer %1 1").arg(h.id)), 1);
}

TEST(EnetSession, ALinkIsGivenUpAfterTheLimitOfSilenceCountedFromWhenItCameUp) {
  // The other side answers the connect and is never heard from again. The link comes
  // up before anything of ours has been acknowledged; it must neither pass for long
  // silent at once (a join in progress would fail) nor stay up for ever.
  EnetTransport quiet(config(2000)), caller(config(2000));
  ASSERT_EQ(quiet.open(0), kOk);
  ASSERT_EQ(caller.open(0), kOk);
  tv::test::ImpairmentRelay relay(quiet.localEndpoint().port, {.serverLimit = 1});
  QElapsedTimer sinceUp;
  bool down = false;
  QObject::connect(&caller, &Transport::linkUp, &caller,
                   [&](LinkId, const Endpoint &) { sinceUp.start(); });
  QObject::connect(&caller, &Transport::linkDown, &caller, [&](LinkId) { down = true; });
  caller.connectTo({0x7F000001, relay.port()});
  ASSERT_TRUE(tv::test::waitFor([&] { return sinceUp.isValid(); }, std::chrono::seconds(5)));
  QTest::qWait(1000);  // ten silence checks, half the limit
  EXPECT_FALSE(down);
  EXPECT_TRUE(tv::test::waitFor([&] { return down; }, std::chrono::seconds(10)));
}

TEST(EnetSession, GuaranteedMessagesSurviveLossDelayAndDuplicatesInOrder) {
  // Loss must not pass for a dead peer here, nor a first acknowledgement that comes late.
  EnetPlatform platform(config(30000));
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);
  tv::test::ImpairmentRelay relay(port, {10, 0, 30, 5}, 1);
  Result result = DPNERR_GENERIC;
  Member a = join(platform, QStringLiteral("a"), relay.port(), &result, kAppGuid, 30000);
  ASSERT_EQ(result, kOk);
  constexpr int kCount = 300;
  auto message = [](int i) { return QByteArray::number(i) + QByteArray((i * 37) % 4000, 'z'); };
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(a.peer->SendTo(h.id, message(i), kSendGuaranteed), kOk);
    ASSERT_EQ(h.peer->SendTo(a.id, message(i), kSendGuaranteed), kOk);
  }
  ASSERT_TRUE(tv::test::waitFor(
      [&] {
        return h.rec->received.value(a.id).size() == kCount &&
               a.rec->received.value(h.id).size() == kCount;
      },
      std::chrono::seconds(60)));
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(h.rec->received.value(a.id).at(i), message(i)) << i;
    ASSERT_EQ(a.rec->received.value(h.id).at(i), message(i)) << i;
  }
  EXPECT_GT(relay.counts().dropped, 0);
}

TEST(EnetSession, LeavingNeverWaitsForGoodbyesAndTheNextHostGetsThePortAfterThem) {
  PeerConfig c = config(30000);
  c.closeGraceMs = 3000;
  EnetPlatform platform(c);
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);
  tv::test::ImpairmentRelay relay(port, {});
  Result result = DPNERR_GENERIC;
  Member a = join(platform, QStringLiteral("a"), relay.port(), &result, kAppGuid, 30000);
  ASSERT_EQ(result, kOk);
  relay.setImpairment(
      {.lossPercent = 100});  // the member's PC stops answering: the goodbye is never confirmed
  QElapsedTimer t;
  t.start();
  ASSERT_EQ(h.peer->Close(), kOk);
  EXPECT_LT(t.elapsed(), 1500);  // far below the grace the goodbye may take
  // A new session on the same port waits for the old one to let go of it.
  Member again = host(platform, QStringLiteral("h2"), port);
  EXPECT_NE(again.id, 0u);
}

TEST(EnetSession, StrangersAndGarbageAreTurnedAway) {
  EnetPlatform platform(config(2000));
  const quint16 port = freeUdpPort();
  Member h = host(platform, QStringLiteral("h"), port);

  // Search datagrams that do not decode, and plain junk, are ignored.
  QUdpSocket junk;
  const QByteArray magic("\xFF\x00TV", 4);
  for (const QByteArray &d : {magic + '\x01', magic + QByteArray(2000, '\x02'), magic + '\x07',
                              QByteArray("\x00\x00\x00", 3), QByteArray(1200, '\xAB')})
    junk.writeDatagram(d, QHostAddress::LocalHost, port);

  // Links that skip the joining handshake or send garbage are dropped.
  struct Case {
    const char *what;
    QByteArray frame;
  } cases[] = {
      {"undecodable", QByteArray("\xEE\x01\x02", 3)},
      {"message from a stranger", wire::encode(wire::AppMessage{{"hello"}})},
      {"large message from a stranger",
       wire::encode(wire::AppMessage{{QByteArray(4 * 1024 * 1024, 'x')}})},
      {"announcement from a stranger", wire::encode(wire::PlayerRemoved{h.id, 4})},
      {"hello with a made-up token", wire::encode(wire::LinkHello{QUuid::createUuid(), 99, 12345})},
  };
  for (const Case &c : cases) {
    EnetTransport stranger(config(2000));
    ASSERT_EQ(stranger.open(0), kOk);
    bool down = false;
    QObject::connect(&stranger, &Transport::linkUp, &stranger,
                     [&](LinkId id, const Endpoint &) { stranger.send(id, 0, c.frame); });
    QObject::connect(&stranger, &Transport::linkDown, &stranger, [&](LinkId) { down = true; });
    stranger.connectTo({0x7F000001, port});
    EXPECT_TRUE(tv::test::waitFor([&] { return down; }, std::chrono::seconds(5))) << c.what;
  }
  EXPECT_EQ(h.rec->events.size(), 1);  // nothing reached the application

  // The session still works.
  Result result = DPNERR_GENERIC;
  Member a = join(platform, QStringLiteral("a"), port, &result);
  EXPECT_EQ(result, kOk);
}

}  // namespace
}  // namespace tv::peer::test
