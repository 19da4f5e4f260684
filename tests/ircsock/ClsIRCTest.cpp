// The connection logic against a plain TCP server on loopback, with short intervals:
// receive path, pacing, quick send, limits, reconnect, watchdog. Close and time-out
// events are checked through the bus (contract_check.py, tests/irc).

#include "common/TestSupport.h"
#include "ircsock/ClsIRC.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

using tv::ircsock::ClsIRC;
using tv::test::waitFor;
using namespace std::chrono_literals;

namespace {

constexpr ClsIRC::Timings kFast{300, 500, 400};

// The server end: accepts one client at a time and records what it receives, line by
// line, with the time each line arrived.
class Server : public QObject {
 public:
  Server() {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      peer_ = server_.nextPendingConnection();
      connect(peer_, &QTcpSocket::readyRead, this, [this] {
        buffer_ += peer_->readAll();
        for (qsizetype end; (end = buffer_.indexOf("\r\n")) >= 0; buffer_.remove(0, end + 2)) {
          lines_.append(buffer_.left(end));
          times_.append(clock_.elapsed());
        }
      });
    });
    clock_.start();
  }
  QString port() const { return QString::number(server_.serverPort()); }
  quint16 portNumber() const { return server_.serverPort(); }
  QTcpSocket *peer() { return peer_; }
  bool waitForPeer() {
    return waitFor([this] { return peer_ != nullptr; });
  }
  bool waitForLines(int n, std::chrono::milliseconds timeout = 5s) {
    return waitFor([this, n] { return lines_.size() >= n; }, timeout);
  }
  const QList<QByteArray> &lines() const { return lines_; }
  const QList<qint64> &times() const { return times_; }
  qint64 now() const { return clock_.elapsed(); }

 private:
  QTcpServer server_;
  QTcpSocket *peer_ = nullptr;
  QByteArray buffer_;
  QList<QByteArray> lines_;
  QList<qint64> times_;
  QElapsedTimer clock_;
};

void settle(std::chrono::milliseconds ms) {
  waitFor([] { return false; }, ms);
}

struct Connected {
  Server server;
  ClsIRC irc{kFast};
  Connected() {
    QSignalSpy connected(&irc, &ClsIRC::ircConnected);
    irc.DoConnect(QStringLiteral("127.0.0.1"), server.portNumber());
    EXPECT_TRUE(server.waitForPeer());
    EXPECT_TRUE(waitFor([&] { return connected.size() == 1; }));
  }
  // Waits until the pacing timer has found the queue empty once.
  void idle() { settle(std::chrono::milliseconds(kFast.sendMs + 100)); }
};

TEST(ClsIRC, ConnectReportsBothAddresses) {
  Server server;
  ClsIRC irc(kFast);
  QSignalSpy connected(&irc, &ClsIRC::ircConnected);
  EXPECT_FALSE(irc.IsActive());
  irc.DoConnect(QStringLiteral("127.0.0.1"), server.portNumber());
  EXPECT_TRUE(irc.IsActive());  // connecting counts as active
  ASSERT_TRUE(waitFor([&] { return connected.size() == 1; }));
  EXPECT_EQ(connected[0][0].toString(), "127.0.0.1");
  EXPECT_EQ(connected[0][1].toString(), "127.0.0.1");
  EXPECT_EQ(irc.GetLocalIP(), "127.0.0.1");
}

// Bytes arriving in pieces, split inside ESC $ B and inside a character, make one line;
// each complete line raises ircDataArrival once and the ring hands lines out in order.
TEST(ClsIRC, AssemblesLinesFromPieces) {
  Connected c;
  QSignalSpy arrival(&c.irc, &ClsIRC::ircDataArrival);
  const QList<QByteArray> pieces = {":n PRIVMSG #a :\x1b$", "B\x46", "\x7c\x4b\x5c\x1b(B\r",
                                    "\n\r\n:n PING :x\r\n"};
  for (const QByteArray &piece : pieces) {
    c.server.peer()->write(piece);
    c.server.peer()->flush();
    settle(30ms);
  }
  ASSERT_TRUE(waitFor([&] { return arrival.size() == 2; }));
  EXPECT_TRUE(c.irc.IsThereRxMessage());
  EXPECT_EQ(c.irc.ircGetData(), ":n PRIVMSG #a :" + QString::fromUtf16(u"日本"));
  EXPECT_EQ(c.irc.ircGetData(), ":n PING :x");
  EXPECT_FALSE(c.irc.IsThereRxMessage());
  EXPECT_EQ(c.irc.ircGetData(), "");
}

// With a 1 s tick, a line that waited for the next tick would arrive 0.5 s late on
// average; on an idle queue it must leave at once.
TEST(ClsIRC, PacesOneLinePerTickAndSendsAtOnceWhenIdle) {
  constexpr ClsIRC::Timings kPacing{1000, 5000, 10000};
  Server server;
  ClsIRC irc(kPacing);
  irc.DoConnect(QStringLiteral("127.0.0.1"), server.portNumber());
  ASSERT_TRUE(server.waitForPeer());
  settle(std::chrono::milliseconds(kPacing.sendMs + 200));  // the first tick finds it idle
  const qint64 queued = server.now();
  irc.ircSendData(QStringLiteral("PRIVMSG #a :") + QString::fromUtf16(u"一"));
  irc.ircSendData(QStringLiteral("PRIVMSG #a :two"));
  irc.ircSendData(QStringLiteral("PRIVMSG #a :three"));
  ASSERT_TRUE(server.waitForLines(3));
  EXPECT_EQ(server.lines()[0], "PRIVMSG #a :\x1b$B\x30\x6c\x1b(B");
  EXPECT_EQ(server.lines()[2], "PRIVMSG #a :three");
  EXPECT_LT(server.times()[0] - queued, 200);
  EXPECT_GE(server.times()[1] - server.times()[0], kPacing.sendMs * 9 / 10);
  EXPECT_GE(server.times()[2] - server.times()[1], kPacing.sendMs * 9 / 10);
}

// The sending flag starts set: lines queued right after creation wait for the first tick.
TEST(ClsIRC, FirstLinesWaitForTheFirstTick) {
  Server server;
  QElapsedTimer sinceCreation;
  sinceCreation.start();
  ClsIRC irc(kFast);
  irc.DoConnect(QStringLiteral("127.0.0.1"), server.portNumber());
  irc.ircSendData(QStringLiteral("NICK a"));
  ASSERT_TRUE(server.waitForLines(1));
  EXPECT_GE(sinceCreation.elapsed(), kFast.sendMs * 8 / 10);
}

TEST(ClsIRC, QuickSendDiscardsQueuedLines) {
  Connected c;
  c.idle();
  c.irc.ircSendData(QStringLiteral("first"));  // leaves at once; the queue is busy now
  for (int i = 0; i < 10; ++i) c.irc.ircSendData(QStringLiteral("queued %1").arg(i));
  c.irc.ircQuickSend(QStringLiteral("QUIT :bye"));
  ASSERT_TRUE(c.server.waitForLines(2));
  settle(std::chrono::milliseconds(kFast.sendMs * 3));
  EXPECT_EQ(c.server.lines(), (QList<QByteArray>{"first", "QUIT :bye"}));
}

// Too long for 2048 bytes: that line alone is dropped with a notice; the connection
// stays and the next line goes out.
TEST(ClsIRC, OverlongLineIsDroppedWithANotice) {
  Connected c;
  QSignalSpy notices(&c.irc, &ClsIRC::ircSysMsg);
  c.idle();
  c.irc.ircSendData(QString(3000, u'x'));   // refused when queued
  c.irc.ircSendData(QString(1500, u'亜'));  // fits as text, not as bytes
  c.irc.ircSendData(QStringLiteral("after"));
  ASSERT_TRUE(c.server.waitForLines(1));
  EXPECT_EQ(c.server.lines()[0], "after");
  EXPECT_EQ(notices.size(), 2);
  EXPECT_TRUE(notices[0][0].toString().contains(u"2048"));
  EXPECT_TRUE(c.irc.IsActive());
}

TEST(ClsIRC, SendRingOverflowDropsOldestWithNotice) {
  Connected c;
  QSignalSpy notices(&c.irc, &ClsIRC::ircSysMsg);
  c.irc.ircSendData(QStringLiteral("busy"));  // before the first tick: the queue is busy
  for (int i = 0; i < 1029; ++i) c.irc.ircSendData(QStringLiteral("L%1").arg(i));
  EXPECT_EQ(notices.size(), 7);
  ASSERT_TRUE(c.server.waitForLines(1));
  EXPECT_EQ(c.server.lines()[0], "L6");
}

// A client that does not fetch stops the reading at 1023 waiting lines; nothing is lost,
// and the server's close is reported only after the last line was handed out.
TEST(ClsIRC, FullReceiveRingHoldsBackInsteadOfDropping) {
  Connected c;
  QSignalSpy arrival(&c.irc, &ClsIRC::ircDataArrival);
  QSignalSpy closed(&c.irc, &ClsIRC::ircClosed);
  constexpr int kLines = 5000;
  QByteArray burst;
  for (int i = 0; i < kLines; ++i) burst += ":s NOTICE x :line " + QByteArray::number(i) + "\r\n";
  c.server.peer()->write(burst);
  c.server.peer()->disconnectFromHost();
  ASSERT_TRUE(waitFor([&] { return arrival.size() >= 1023; }));
  settle(200ms);
  EXPECT_EQ(arrival.size(), 1023);
  EXPECT_EQ(closed.size(), 0);

  QStringList got;
  ASSERT_TRUE(waitFor(
      [&] {
        while (c.irc.IsThereRxMessage()) got.append(c.irc.ircGetData());
        return got.size() == kLines;
      },
      10s));
  for (int i = 0; i < kLines; ++i) ASSERT_EQ(got[i], ":s NOTICE x :line " + QString::number(i));
  ASSERT_TRUE(waitFor([&] { return closed.size() == 1; }));
  EXPECT_EQ(arrival.size(), kLines);
  EXPECT_FALSE(c.irc.IsActive());
}

// DoConnect on a connected object closes the old socket without an event, and the
// decoder's mode carries over to the new connection.
TEST(ClsIRC, ReconnectClosesQuietlyAndKeepsDecoderMode) {
  Connected c;
  QSignalSpy closed(&c.irc, &ClsIRC::ircClosed);
  c.server.peer()->write("\x1b$B");
  c.server.peer()->flush();
  settle(100ms);
  Server second;
  QSignalSpy connected(&c.irc, &ClsIRC::ircConnected);
  c.irc.DoConnect(QStringLiteral("127.0.0.1"), second.portNumber());
  ASSERT_TRUE(second.waitForPeer());
  ASSERT_TRUE(waitFor([&] { return connected.size() == 1; }));
  second.peer()->write("\x30\x21\x1b(B\r\n");
  ASSERT_TRUE(waitFor([&] { return c.irc.IsThereRxMessage(); }));
  EXPECT_EQ(c.irc.ircGetData(), QString::fromUtf16(u"亜"));
  EXPECT_EQ(closed.size(), 0);
}

TEST(ClsIRC, WatchdogFiresOnlyWhenAPingGoesUnanswered) {
  ClsIRC irc(kFast);
  QSignalSpy expired(&irc, &ClsIRC::watchdogExpired);
  int pings = 0;
  bool answer = true;
  QObject::connect(&irc, &ClsIRC::ircPING, [&] {
    ++pings;
    if (answer) irc.ircPONG();
  });
  ASSERT_TRUE(waitFor([&] { return pings == 3; }));
  EXPECT_EQ(expired.size(), 0);
  answer = false;
  QElapsedTimer elapsed;
  elapsed.start();
  ASSERT_TRUE(waitFor([&] { return expired.size() == 1; }));
  EXPECT_LE(elapsed.elapsed(), kFast.pingMs * 2 + 300);
  EXPECT_EQ(pings, 4);  // one unanswered ping, then the end
}

TEST(ClsIRC, ArgumentsOfDoConnect) {
  EXPECT_EQ(ClsIRC::portFromText(u"6667"), 6667);
  EXPECT_EQ(ClsIRC::portFromText(u" 6667 "), 6667);
  EXPECT_EQ(ClsIRC::portFromText(u"65535"), 65535);
  for (const char16_t *bad : {u"", u"0", u"65536", u"-1", u"66x", u"0x1A0B", u"4294973963"})
    EXPECT_FALSE(ClsIRC::portFromText(bad).has_value()) << QString::fromUtf16(bad).toStdString();
  for (const char16_t *good :
       {u"irc.example.jp", u"127.0.0.1", u"::1", u"[fe80::1%eth0]", u"日本.jp"})
    EXPECT_TRUE(ClsIRC::isAcceptableHost(good)) << QString::fromUtf16(good).toStdString();
  for (const char16_t *bad : {u"", u"a b", u"host\n", u"-e/x", u"a;b", u"a\u3000b"})
    EXPECT_FALSE(ClsIRC::isAcceptableHost(bad)) << QString::fromUtf16(bad).toStdString();
  EXPECT_FALSE(ClsIRC::isAcceptableHost(QString(256, u'a')));
}

}  // namespace
