// The main program's side of TvIRC: real TvIRC processes on a private session bus
// (started by the bus from this build's activation file), a real ngircd on loopback,
// and two clsIRC objects talking Japanese to each other through it.

#include "NgircdServer.h"
#include "SilentPort.h"
#include "common/TestSupport.h"
#include "irc/ClsIRCProxy.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>

using tv::irc::ClsIRCProxy;
using tv::test::waitFor;
using namespace std::chrono_literals;

namespace {

// Handles the object's events the way an IRC pane does: drains the ring on every
// arrival and answers every ping, calling back into TvIRC from inside the handlers.
class Client {
 public:
  explicit Client(bool answerPings = true)
      : irc(QDBusConnection::sessionBus(), tv::test::programFolder()) {
    clock.start();
    QObject::connect(&irc, &ClsIRCProxy::ircDataArrival, [this] {
      offUiThread |= QThread::currentThread() != qApp->thread();
      while (irc.IsThereRxMessage().value_or(false)) {
        lines.append(irc.ircGetData().value_or(QString()));
        times.append(clock.elapsed());
      }
    });
    QObject::connect(&irc, &ClsIRCProxy::ircPING, [this, answerPings] {
      ++pings;
      if (answerPings) irc.ircPONG();
    });
    QObject::connect(&irc, &ClsIRCProxy::ircConnected,
                     [this](const QString &lip, const QString &sip) {
                       connected = {lip, sip};
                     });
    QObject::connect(&irc, &ClsIRCProxy::ircClosed, [this] { ++closed; });
    QObject::connect(&irc, &ClsIRCProxy::ircConnectTimeOut, [this] { ++timedOut; });
    QObject::connect(&irc, &ClsIRCProxy::linkBroken, [this] { ++broken; });
  }

  // Index of the first received line containing `text` at or after `from`, or -1.
  int find(const QString &text, int from = 0) const {
    for (int i = from; i < lines.size(); ++i)
      if (lines[i].contains(text)) return i;
    return -1;
  }
  bool waitForLine(const QString &text, std::chrono::milliseconds timeout = 10s) {
    return waitFor([&] { return find(text) >= 0; }, timeout);
  }
  void registerAndJoin(const QString &nick) {
    irc.ircSendData(QStringLiteral("NICK ") + nick);
    irc.ircSendData(QStringLiteral("USER %1 0 * :Talvora test").arg(nick));
    irc.ircSendData(QStringLiteral("JOIN #talvora"));
  }

  ClsIRCProxy irc;
  QElapsedTimer clock;
  QStringList lines;
  QList<qint64> times;
  QStringList connected;
  int pings = 0, closed = 0, timedOut = 0, broken = 0;
  bool offUiThread = false;
};

class IrcOverBus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
  }
};

TEST_F(IrcOverBus, TwoObjectsTalkJapaneseThroughARealServer) {
  tv::test::NgircdServer server;
  ASSERT_TRUE(server.isReady()) << server.output().toStdString();
  Client alice, bob;
  ASSERT_TRUE(alice.irc.create()) << alice.irc.failureDetail().toStdString();
  ASSERT_TRUE(bob.irc.create()) << bob.irc.failureDetail().toStdString();
  EXPECT_EQ(alice.irc.componentName(), bob.irc.componentName());  // one TvIRC serves both
  EXPECT_NE(alice.irc.objectPath(), bob.irc.objectPath());

  ASSERT_TRUE(alice.irc.DoConnect(QStringLiteral("127.0.0.1"), server.portText()));
  ASSERT_TRUE(bob.irc.DoConnect(QStringLiteral("127.0.0.1"), server.portText()));
  ASSERT_TRUE(waitFor([&] { return !alice.connected.isEmpty() && !bob.connected.isEmpty(); }));
  EXPECT_EQ(alice.connected, (QStringList{"127.0.0.1", "127.0.0.1"}));
  EXPECT_EQ(alice.irc.GetLocalIP().value_or(QString()), "127.0.0.1");
  EXPECT_TRUE(alice.irc.IsActive().value_or(false));
  alice.registerAndJoin(QStringLiteral("alice"));
  bob.registerAndJoin(QStringLiteral("bob"));
  // 366: end of the channel's name list, the last reply to JOIN.
  ASSERT_TRUE(alice.waitForLine(QStringLiteral(" 366 "), 20s))
      << alice.lines.join('\n').toStdString();
  ASSERT_TRUE(bob.waitForLine(QStringLiteral(" 366 "), 20s)) << bob.lines.join('\n').toStdString();
  EXPECT_NE(alice.find(QStringLiteral(" 001 alice ")), -1);

  // Japanese both ways: kanji, kana, a NEC special, half-width katakana; from bob also
  // the forms Linux input gives, which arrive as their full-width twins.
  const QString fromAlice = QString::fromUtf16(u"こんにちは、世界！①ｱｲｳ 漢字テスト");
  const QString fromBob = QString::fromUtf16(u"ボブです。～∥－￢纊");
  const QString fromBobOnLinux =
      QString::fromUtf16(u"ボブです。\u301C\u2016\u2212\u00AC纊\u00A2\u00A3");
  const QString bobArrives = fromBob + QString::fromUtf16(u"￠￡");
  waitFor([] { return false; }, 2500ms);  // both queues idle: lines leave at once
  ASSERT_TRUE(alice.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :") + fromAlice));
  ASSERT_TRUE(bob.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :") + fromBobOnLinux));
  ASSERT_TRUE(bob.waitForLine(QStringLiteral("PRIVMSG #talvora :") + fromAlice));
  ASSERT_TRUE(alice.waitForLine(QStringLiteral("PRIVMSG #talvora :") + bobArrives))
      << alice.lines.join('\n').toStdString();
  EXPECT_TRUE(bob.lines[bob.find(fromAlice)].startsWith(QStringLiteral(":alice!")));

  // Pacing: on an idle queue the first line leaves at once, the second a tick later.
  waitFor([] { return false; }, 2500ms);
  const qint64 sent = bob.clock.elapsed();
  alice.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :pace one"));
  alice.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :pace two"));
  ASSERT_TRUE(bob.waitForLine(QStringLiteral("pace two")));
  const qint64 first = bob.times[bob.find(QStringLiteral("pace one"))];
  const qint64 second = bob.times[bob.find(QStringLiteral("pace two"))];
  EXPECT_LT(first - sent, 500);  // a line waiting for a tick would be 1 s late on average
  EXPECT_GE(second - first, 1700);
  EXPECT_LE(second - first, 3500);

  // ircQuickSend discards ten queued lines.
  waitFor([] { return false; }, 2500ms);
  alice.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :busy"));
  for (int i = 0; i < 10; ++i)
    alice.irc.ircSendData(QStringLiteral("PRIVMSG #talvora :queued %1").arg(i));
  alice.irc.ircQuickSend(QStringLiteral("PRIVMSG #talvora :quick"));
  ASSERT_TRUE(bob.waitForLine(QStringLiteral(":quick")));
  waitFor([] { return false; }, 4500ms);
  EXPECT_NE(bob.find(QStringLiteral(":busy")), -1);
  EXPECT_EQ(bob.find(QStringLiteral(":queued")), -1);

  // QUIT: the server closes the connection, which is the event ircClose.
  alice.irc.ircQuickSend(QStringLiteral("QUIT :") + QString::fromUtf16(u"さようなら"));
  ASSERT_TRUE(waitFor([&] { return alice.closed == 1; }, 10s));
  EXPECT_EQ(alice.irc.IsActive(), false);
  // The server quotes the reason.
  ASSERT_TRUE(bob.waitForLine(QString::fromUtf16(u"さようなら")));
  EXPECT_TRUE(bob.lines[bob.find(QString::fromUtf16(u"さようなら"))].startsWith(":alice!"));
  EXPECT_TRUE(bob.lines[bob.find(QString::fromUtf16(u"さようなら"))].contains(" QUIT :"));

  EXPECT_FALSE(alice.offUiThread || bob.offUiThread);
  EXPECT_GE(alice.pings, 1);  // answered from inside the handler, so TvIRC lived on
  EXPECT_EQ(alice.broken + bob.broken, 0);
  EXPECT_FALSE(alice.irc.failed() || bob.irc.failed());
}

TEST_F(IrcOverBus, ConnectTimesOutAgainstAPortThatNeverAnswers) {
  tv::test::SilentPort silent;
  ASSERT_TRUE(silent.isValid());
  Client client;
  ASSERT_TRUE(client.irc.create()) << client.irc.failureDetail().toStdString();
  QElapsedTimer elapsed;
  elapsed.start();
  ASSERT_TRUE(client.irc.DoConnect(QStringLiteral("127.0.0.1"), QString::number(silent.port())));
  EXPECT_TRUE(client.irc.IsActive().value_or(false));
  ASSERT_TRUE(waitFor([&] { return client.timedOut == 1; }, 10s));
  EXPECT_GE(elapsed.elapsed(), 4500);
  EXPECT_TRUE(client.connected.isEmpty());
  EXPECT_EQ(client.irc.IsActive(), false);
}

// A refused call is a broken link: the call says so and every later call fails too.
TEST_F(IrcOverBus, RefusedCallBreaksTheLink) {
  Client client;
  ASSERT_TRUE(client.irc.create());
  EXPECT_FALSE(client.irc.DoConnect(QStringLiteral("127.0.0.1"), QStringLiteral("0")));
  EXPECT_TRUE(client.irc.failed());
  EXPECT_TRUE(client.irc.failureDetail().contains(u"InvalidArgs"));
  EXPECT_FALSE(client.irc.ircGetData().has_value());
  EXPECT_FALSE(client.irc.ircPONG());
  EXPECT_EQ(client.broken, 0);  // reported through the call, not the signal
}

// TvIRC going away between calls raises linkBroken once; calls then fail at once.
TEST_F(IrcOverBus, ComponentEndingBreaksTheLink) {
  Client client;
  ASSERT_TRUE(client.irc.create());
  auto *bus = QDBusConnection::sessionBus().interface();
  const uint pid = bus->servicePid(client.irc.componentName()).value();
  ASSERT_GT(pid, 0u);
  ::kill(pid_t(pid), SIGKILL);
  ASSERT_TRUE(waitFor([&] { return client.broken == 1; }));
  EXPECT_TRUE(client.irc.failed());
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_FALSE(client.irc.ircSendData(QStringLiteral("PRIVMSG #x :lost")));
  EXPECT_FALSE(client.irc.IsThereRxMessage().has_value());
  EXPECT_LT(elapsed.elapsed(), 100);
  EXPECT_EQ(client.broken, 1);
}

// Run on a bus without an activation file for TvIRC (see CMakeLists.txt): the proxy
// starts the program from its folder itself.
TEST(Fallback, StartsTvIRCFromTheProgramFolder) {
  Client client;
  ASSERT_TRUE(client.irc.create()) << client.irc.failureDetail().toStdString();
  EXPECT_TRUE(client.irc.IsActive().has_value());
}

TEST(Fallback, MissingProgramFailsWithinTheWait) {
  // The TvIRC of the test before ends with its last object.
  ASSERT_TRUE(waitFor([] {
    return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("TvIRC.clsIRC"));
  }));
  QTemporaryDir empty;
  ClsIRCProxy irc(QDBusConnection::sessionBus(), empty.path());
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_FALSE(irc.create());
  EXPECT_TRUE(irc.failed());
  EXPECT_TRUE(irc.failureDetail().contains(u"TvIRC"));
  EXPECT_LT(elapsed.elapsed(), ClsIRCProxy::kStartWaitMs + 1000);
}

// A client that stops answering pings sees TvIRC end within 10 to 20 seconds of the
// unanswered ping being due.
TEST(Fallback, WatchdogEndsTvIRCWhenPingsGoUnanswered) {
  Client client(/*answerPings=*/false);
  ASSERT_TRUE(client.irc.create());
  QElapsedTimer sinceCreation;
  sinceCreation.start();
  ASSERT_TRUE(waitFor([&] { return client.pings == 1; }, 15s));
  const qint64 pinged = sinceCreation.elapsed();
  EXPECT_GE(pinged, 8000);
  ASSERT_TRUE(waitFor([&] { return client.broken == 1; }, 15s));
  const qint64 ended = sinceCreation.elapsed();
  EXPECT_GE(ended - pinged, 9000);
  EXPECT_LE(ended - pinged, 12000);
}

}  // namespace
