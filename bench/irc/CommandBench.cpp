#include "CommandBench.h"

#include "ScriptServer.h"
#include "irc/CtlIRC.h"
#include "irc/IrcPaneCommands.h"
#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/Iso2022JpEncoder.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using tv::irc::CtlIRC;

// TvIRC sends one line per 2 s tick; a queue this long without a line is idle.
constexpr int kIdleQueueMs = 4500;

bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer wake;  // each wait is short, so that done() is looked at often
  wake.start(1);
  while (!done()) {
    if (elapsed.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void idle(int ms) {
  waitUntil([] { return false; }, ms);
}

double median(QList<double> values) {
  std::sort(values.begin(), values.end());
  return values.isEmpty() ? -1 : values[values.size() / 2];
}

bool fail(const char *what) {
  std::fprintf(stderr, "command bench: %s\n", what);
  return false;
}

// A registered plain client in one channel: the lines it receives, as text.
class PlainClient {
 public:
  bool start(quint16 port, const QString &nick, const QString &channel) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
      decoder_.feed(socket_.readAll(), [this](QString &&line, qsizetype) {
        if (line.startsWith(QStringLiteral("PING "))) send(QStringLiteral("PONG ") + line.mid(5));
        lines.append(line);
        return true;
      });
    });
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket_.waitForConnected(5000)) return false;
    send(QStringLiteral("NICK ") + nick);
    send(QStringLiteral("USER ") + nick + QStringLiteral(" 8 * :plain"));
    if (!waitUntil([&] { return has(QStringLiteral(" 376 ")) || has(QStringLiteral(" 422 ")); },
                   20000))
      return false;
    send(QStringLiteral("JOIN :") + channel);
    return waitUntil([&] { return has(QStringLiteral(" 366 ")); }, 20000);
  }
  void send(const QString &line) {
    socket_.write(tv::ircsock::encodeIso2022Jp(line) + "\r\n");
    socket_.flush();
  }
  bool has(const QString &part) const {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString &l) { return l.contains(part); });
  }
  QStringList lines;

 private:
  QTcpSocket socket_;
  tv::ircsock::Iso2022JpDecoder decoder_;
};

// A pane in its own window, connected and in its first channel.
CtlIRC *startPane(const tv::irc::IrcPaneServices &services, QWidget &host, const QString &nick,
                  quint16 port) {
  auto *pane = new CtlIRC(services, &host);
  pane->resize(800, 500);
  host.resize(800, 500);
  host.show();
  pane->IrcConnect(nick, QStringLiteral("127.0.0.1"), QString::number(port));
  if (!waitUntil([&] { return pane->handler().currentSlot() >= 0; }, 30000)) return nullptr;
  return pane;
}

bool commandToWire(const tv::irc::IrcPaneServices &services) {
  ScriptServer server;
  QWidget host;
  auto *pane = new CtlIRC(services, &host);
  host.show();
  pane->IrcConnect(QStringLiteral("cmd"), QStringLiteral("127.0.0.1"),
                   QString::number(server.port()));
  if (!waitUntil([&] { return server.hasLine(0, "USER "); }, 20000))
    return fail("the pane did not register");
  server.send(0,
              ":irc.test 001 cmd :Welcome\r\n:irc.test 376 cmd :End\r\n"
              ":cmd!u@h JOIN :#cmd\r\n:irc.test 353 cmd = #cmd :@cmd other\r\n"
              ":irc.test 366 cmd #cmd :End\r\n");
  if (!waitUntil([&] { return pane->handler().currentSlot() >= 0; }, 20000))
    return fail("no channel");
  QList<double> samples;
  const struct {
    const char *entry;
    QByteArray line;
  } commands[] = {{"btnMenuSecretPlus", "MODE #cmd +s"},
                  {"btnMenuTopicPlus", "MODE #cmd +t"},
                  {"btnMenuNoMessagePlus", "MODE #cmd +n"}};
  for (const auto &c : commands) {
    idle(kIdleQueueMs);
    QElapsedTimer t;
    t.start();
    pane->commands()->entry(QString::fromLatin1(c.entry))->trigger();
    if (!waitUntil([&] { return server.hasLine(0, c.line); }, 10000))
      return fail("a mode line did not arrive");
    samples.append(t.nsecsElapsed() / 1e6);
  }
  std::printf("command_to_wire_ms: %.1f\n", median(samples));
  return true;
}

bool announceToMark(const tv::irc::IrcPaneServices &services, quint16 port) {
  QWidget hostWindow, viewerWindow;
  CtlIRC *host = startPane(services, hostWindow, QStringLiteral("recHost"), port);
  CtlIRC *viewer = startPane(services, viewerWindow, QStringLiteral("recView"), port);
  if (!host || !viewer) return fail("the panes did not reach their channel");
  const int hostSlot = host->handler().currentSlot();
  const QString channel = host->handler().slot(hostSlot).name;
  const int viewSlot = viewer->handler().findSlot(channel);
  const auto hostRow = [&] { return viewer->handler().findUser(viewSlot, u"recHost"); };
  if (viewSlot < 0 || !waitUntil([&] { return hostRow() >= 0; }, 20000))
    return fail("the viewer does not list the host");
  host->SetBtnVisible(2);
  QList<double> samples;
  for (int i = 0; i < 3; ++i) {
    viewer->handler().setUserAddress(viewSlot, hostRow(), QString());
    idle(kIdleQueueMs);
    QElapsedTimer t;
    t.start();
    host->commands()->entry(QStringLiteral("btnMenuRECRUITMENT"))->trigger();
    if (!waitUntil(
            [&] {
              const int row = hostRow();
              return row >= 0 && !viewer->handler().slot(viewSlot).users[row].address.isEmpty();
            },
            10000))
      return fail("the announcement marked nobody");
    samples.append(t.nsecsElapsed() / 1e6);
  }
  std::printf("announce_to_mark_ms: %.1f\n", median(samples));
  return true;
}

bool plainRelay(quint16 port) {
  PlainClient from, to;
  if (!from.start(port, QStringLiteral("relayA"), QStringLiteral("#relay")) ||
      !to.start(port, QStringLiteral("relayB"), QStringLiteral("#relay")))
    return fail("the plain clients did not join");
  QList<double> samples;
  for (int i = 0; i < 3; ++i) {
    const QString text = QStringLiteral("relay%1").arg(i);
    // Idle as long as the pane's queue was: ngircd holds back a client that has just
    // sent commands.
    idle(kIdleQueueMs);
    QElapsedTimer t;
    t.start();
    from.send(QStringLiteral("PRIVMSG #relay :") + text);
    if (!waitUntil([&] { return to.has(QStringLiteral(" :") + text); }, 10000))
      return fail("a relayed line did not arrive");
    samples.append(t.nsecsElapsed() / 1e6);
  }
  std::printf("plain_relay_ms: %.1f\n", median(samples));
  return true;
}

}  // namespace

int RunCommandBench(const tv::irc::IrcPaneServices &services, quint16 ngircdPort) {
  const bool ok =
      commandToWire(services) && announceToMark(services, ngircdPort) && plainRelay(ngircdPort);
  std::fflush(stdout);
  return ok ? 0 : 1;
}
