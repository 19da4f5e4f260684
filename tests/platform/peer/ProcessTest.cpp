// Sessions between separate tvpeer processes: chat, renames, groups, kicks and the
// description; host migration after kill -9 of the host; a member's PC dying.
#include "PeerTestSupport.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

namespace tv::peer::test {
namespace {

struct ProcessSession {
  ProcessSession(int joiners, const QStringList &extra = {}, const QStringList &hostExtra = {})
      : port(freeUdpPort()) {
    const QString p = QString::number(port);
    peers.push_back(std::make_unique<TvPeer>(
        QStringList{QStringLiteral("host"), QStringLiteral("alice"), QStringLiteral("--port"), p} +
        extra + hostExtra));
    EXPECT_FALSE(peers[0]->waitLine(QStringLiteral("CreatePlayer \\d+ alice 6")).isEmpty());
    for (int i = 1; i <= joiners; ++i) {
      peers.push_back(std::make_unique<TvPeer>(
          QStringList{QStringLiteral("join"), QStringLiteral("m%1").arg(i),
                      QStringLiteral("127.0.0.1"), QStringLiteral("--port"), p} +
          extra));
      EXPECT_FALSE(peers.back()->waitLine(QStringLiteral("ConnectComplete 0x0")).isEmpty());
    }
    for (auto &peer : peers)
      EXPECT_TRUE(tv::test::waitFor(
          [&] { return peer->countLines(QStringLiteral("CreatePlayer .*")) == joiners + 1; }));
  }
  TvPeer &operator[](size_t i) { return *peers[i]; }
  quint16 port;
  std::vector<std::unique_ptr<TvPeer>> peers;
};

TEST(PeerProcesses, ChatRenameGroupsDescriptionAndKick) {
  ProcessSession s(2);
  const quint32 a = s[1].selfId(), b = s[2].selfId();
  s[1].send(QStringLiteral("say こんにちは 世界"));
  for (size_t i : {0, 2})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("Receive %1 こんにちは 世界").arg(a)).isEmpty());
  EXPECT_EQ(s[1].countLines(QStringLiteral("Receive .*")), 0);  // no loop-back

  s[2].send(QStringLiteral("name ぼぶ"));
  for (size_t i : {0, 1, 2})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("InfoNotify 0xFFFF0010 %1 ぼぶ").arg(b)).isEmpty());
  s[1].send(QStringLiteral("group Team1"));
  for (size_t i : {0, 1, 2})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("CreateGroup \\d+ %1 Team1").arg(a)).isEmpty());
  s[0].send(QStringLiteral("max 0"));
  for (size_t i : {0, 1, 2})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("AppDesc 3 0 .*")).isEmpty());

  s[0].send(QStringLiteral("kick %1").arg(b));
  EXPECT_FALSE(s[2].waitLine(QStringLiteral("DestroyPlayer %1 4 ぼぶ 2").arg(b)).isEmpty());
  EXPECT_TRUE(s[2].finished(5000));
  for (size_t i : {0, 1})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("DestroyPlayer %1 4 ぼぶ 0").arg(b)).isEmpty());
}

TEST(PeerProcesses, AFullSessionRefusesTheNextJoin) {
  ProcessSession s(1, {}, {QStringLiteral("--max"), QStringLiteral("2")});
  TvPeer late({QStringLiteral("join"), QStringLiteral("late"), QStringLiteral("127.0.0.1"),
               QStringLiteral("--port"), QString::number(s.port)});
  EXPECT_FALSE(late.waitLine(QStringLiteral("ConnectComplete 0x80158610")).isEmpty());
  EXPECT_TRUE(late.finished(5000));
  EXPECT_EQ(late.exitCode(), 1);
}

TEST(PeerProcesses, KilledHostIsReplacedByTheOldestMemberWithinTheLimit) {
  ProcessSession s(2);  // the default detection limit: 5 s
  const quint32 h = s[0].selfId(), a = s[1].selfId();
  QElapsedTimer clock;
  s[0].killHard();
  clock.start();
  for (size_t i : {1, 2}) {
    ASSERT_FALSE(s[i].waitLine(QStringLiteral("HostMigrate %1 m1 [46]").arg(a), 9000).isEmpty())
        << s[i].lines.join(u'\n').toStdString();
    EXPECT_EQ(s[i].countLines(QStringLiteral("DestroyPlayer %1 2 alice 4").arg(h)), 1);
  }
  // The limit is 5 s; a second more for a loaded machine.
  EXPECT_LT(clock.elapsed(), 6000);
  QTest::qWait(300);
  for (size_t i : {1, 2}) EXPECT_EQ(s[i].countLines(QStringLiteral("HostMigrate .*")), 1);
  // The session goes on under the new host.
  s[2].send(QStringLiteral("say still here"));
  EXPECT_FALSE(s[1].waitLine(QStringLiteral("Receive %1 still here").arg(s[2].selfId())).isEmpty());
}

TEST(PeerProcesses, AMembersDeadPcIsDroppedByEveryone) {
  ProcessSession s(2, {QStringLiteral("--detect"), QStringLiteral("2000")});
  const quint32 b = s[2].selfId();
  s[2].killHard();
  for (size_t i : {0, 1})
    EXPECT_FALSE(s[i].waitLine(QStringLiteral("DestroyPlayer %1 2 m2 0").arg(b), 6000).isEmpty());
  EXPECT_EQ(s[1].countLines(QStringLiteral("HostMigrate .*")), 0);
}

}  // namespace
}  // namespace tv::peer::test
