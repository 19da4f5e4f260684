// The IRC pane's figures, each beside a plain client's, one "name: value" per line:
//   lines_per_s / plain_lines_per_s: 20,000 Japanese channel lines from a scripted
//     server until the last is in the pane's log and the all-chat log / read by a plain
//     client (QTcpSocket, the same decoder, a QPlainTextEdit);
//   names_10000_ms / plain_names_10000_ms: a 10,000-member NAMES split as ngircd splits
//     it, from its first 353 on the socket to the full list and "10000人" / into a
//     QListWidget;
//   names_flood_stall_ms: the longest stall of a 10 ms heartbeat during a 100,000-name
//     NAMES (names_flood_ms: the whole of it; names_flood_bytes: memory it took);
//   join_to_first_line_ms / plain_join_ms: on ngircd, a JOIN handed to an idle queue
//     until the tab shows its first line and the list / JOIN to 366 for a plain client;
//   log_line_bytes: memory per channel line held by the pane's log and the all-chat log;
//   the commands' figures (CommandBench.h).
// The pane is offscreen with painting and talks to a real TvIRC on a private session
// bus, which the program starts by running itself again inside dbus-run-session.

#include "CommandBench.h"
#include "ScriptServer.h"
#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "irc/ClsIRCProxy.h"
#include "irc/CtlIRC.h"
#include "irc/NgircdServer.h"
#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/Iso2022JpEncoder.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/FrmMain.h"
#include "platform/richtext/RichTextView.h"
#include "platform/text/TextFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>
#include <cstdio>
#include <functional>

namespace {

constexpr int kLines = 20000;

void print(const char *name, double value) { std::printf("%s: %.1f\n", name, value); }

bool spin(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer wake;  // bounds each wait, so that done() is looked at often
  wake.start(1);
  while (!done()) {
    if (elapsed.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

qint64 residentBytes() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = f.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

QByteArray encode(const QStringList &lines) {
  QByteArray bytes;
  for (const QString &line : lines) bytes += tv::ircsock::encodeIso2022Jp(line) + "\r\n";
  return bytes;
}

QStringList chatLines(const QString &channel) {
  QStringList lines;
  for (int i = 0; i < kLines; ++i)
    lines << QStringLiteral(
                 ":user%1!u@host.example.jp PRIVMSG %2 :こんにちは、ＩＲＣの試験発言です。"
                 "ｶﾀｶﾅ～ http://example.jp/%3 %3")
                 .arg(i % 50)
                 .arg(channel)
                 .arg(i);
  return lines;
}

// NAMES as ngircd sends it: 353 lines of about 500 bytes, then 366.
QStringList namesLines(const QString &nick, const QString &channel, int count) {
  QStringList lines;
  const QString head = QStringLiteral(":irc.test 353 %1 = %2 :").arg(nick, channel);
  QString line = head;
  for (int i = 0; i < count; ++i) {
    const QString name = QStringLiteral("member%1").arg(i);
    if (line.size() + name.size() + 1 > 500) {
      lines << line.trimmed();
      line = head;
    }
    line += name + u' ';
  }
  lines << line.trimmed()
        << QStringLiteral(":irc.test 366 %1 %2 :End of NAMES list").arg(nick, channel);
  return lines;
}

// A plain IRC client: one socket, the same decoder, a callback per line.
class PlainClient {
 public:
  std::function<void(const QString &)> onLine;
  void connectTo(quint16 port) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
      decoder.feed(socket.readAll(), [this](QString &&line, qsizetype) {
        if (onLine) onLine(line);
        return true;
      });
    });
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.waitForConnected(5000);
  }
  void send(const QString &line) {
    socket.write(tv::ircsock::encodeIso2022Jp(line) + "\r\n");
    socket.flush();
  }
  QTcpSocket socket;
  tv::ircsock::Iso2022JpDecoder decoder;
};

int runBench() {
  tv::app::InstallFontSubstitutes();
  QTemporaryDir dir;
  tv::app::AppInfo info;
  info.appFolder = dir.path() + u'/';
  tv::text::writeCp932Lines(
      info.filePath(QStringLiteral("CHList.txt")),
      {QStringLiteral(":チェック状態,チャンネル名称"), QStringLiteral("True,#bench")});
  const tv::app::Settings settings(info.settingsPath());
  tv::app::FrmAllLOG allLog(info, settings);
  allLog.show();
  QDBusConnection bus = QDBusConnection::sessionBus();
  tv::irc::IrcPaneServices services;
  services.info = &info;
  services.settings = &settings;
  services.allLog = &allLog;
  services.makeLink = [&bus]() -> std::unique_ptr<tv::irc::IrcLink> {
    return std::make_unique<tv::irc::ClsIRCProxy>(bus, QCoreApplication::applicationDirPath());
  };
  tv::mainwindow::FrmMain::Services mainServices;
  mainServices.allLog = &allLog;
  mainServices.makeIrcPane = [&services] { return new tv::irc::CtlIRC(services); };
  tv::mainwindow::FrmMain w(info, settings, mainServices);
  w.resize(1000, 700);
  w.show();
  const auto pane = [&w](int n) { return qobject_cast<tv::irc::CtlIRC *>(w.ircPane(n)); };

  ScriptServer server;
  w.EvConnect(QStringLiteral("bench"), QStringLiteral("Bench"), QStringLiteral("127.0.0.1"),
              QString::number(server.port()));
  if (!spin([&] { return server.hasLine(0, "USER "); }, 20000)) {
    std::fprintf(stderr, "the pane did not register\n");
    return 1;
  }
  server.send(0, encode({":irc.test 001 bench :Welcome", ":irc.test 376 bench :End"}));
  spin([&] { return server.hasLine(0, "JOIN :#bench"); }, 10000);
  server.send(0, encode(QStringList{":bench!u@h JOIN :#bench"} + namesLines("bench", "#bench", 3)));
  if (!spin([&] { return w.HasTab(QStringLiteral("IRC0")); }, 10000)) return 1;
  tv::irc::CtlIRC *p = pane(0);

  // Channel lines.
  const QByteArray lines = encode(chatLines(QStringLiteral("#bench")));
  QTextDocument *log = p->txtLOG(0)->document();
  QTextDocument *all = allLog.txtLOG()->document();
  const int logBase = log->blockCount(), allBase = all->blockCount();
  const qint64 rssBefore = residentBytes();
  QElapsedTimer t;
  t.start();
  server.send(0, lines);
  const bool allIn = spin(
      [&] {
        return log->blockCount() >= logBase + kLines && all->blockCount() >= allBase + kLines;
      },
      300000);
  const double paneSeconds = t.nsecsElapsed() / 1e9;
  print("lines_per_s", allIn ? kLines / paneSeconds : 0);
  const qint64 rssAfter = residentBytes();

  QPlainTextEdit plainView;
  plainView.setReadOnly(true);
  plainView.resize(800, 600);
  plainView.show();
  PlainClient plain;
  int plainLines = 0;
  plain.onLine = [&](const QString &line) {
    plainView.appendPlainText(line);
    ++plainLines;
  };
  plain.connectTo(server.port());
  spin([&] { return server.connections() >= 2; }, 5000);
  t.restart();
  server.send(1, lines);
  spin([&] { return plainLines >= kLines; }, 300000);
  print("plain_lines_per_s", kLines / (t.nsecsElapsed() / 1e9));

  // 10,000 names.
  server.send(0, encode({":bench!u@h JOIN :#names"}));
  spin([&] { return p->handler().findSlot(QStringLiteral("#names")) >= 0; }, 10000);
  const QByteArray names = encode(namesLines("bench", "#names", 10000));
  t.restart();
  server.send(0, names);
  spin([&] { return p->lblUserNum()->accessibleDescription() == QStringLiteral("10000人"); },
       60000);
  print("names_10000_ms", t.nsecsElapsed() / 1e6);

  QListWidget plainList;
  plainList.show();
  bool plainNamesDone = false;
  plain.onLine = [&](const QString &line) {
    if (line.contains(QStringLiteral(" 353 ")))
      plainList.addItems(line.section(u':', 2).split(u' ', Qt::SkipEmptyParts));
    else if (line.contains(QStringLiteral(" 366 ")))
      plainNamesDone = true;
  };
  t.restart();
  server.send(1, names);
  spin([&] { return plainNamesDone; }, 60000);
  print("plain_names_10000_ms", plainList.count() == 10000 ? t.nsecsElapsed() / 1e6 : -1);

  // 100,000 names, with a heartbeat.
  server.send(0, encode({":bench!u@h JOIN :#flood"}));
  spin([&] { return p->handler().findSlot(QStringLiteral("#flood")) >= 0; }, 10000);
  const QByteArray flood = encode(namesLines("bench", "#flood", 100000));
  qint64 longestBeat = 0;
  QElapsedTimer beat;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout,
                   [&] { longestBeat = std::max(longestBeat, beat.restart()); });
  const qint64 floodRssBefore = residentBytes();
  beat.start();
  heartbeat.start(10);
  t.restart();
  server.send(0, flood);
  spin([&] { return p->lblUserNum()->accessibleDescription() == QStringLiteral("100000人"); },
       300000);
  const double floodMs = t.nsecsElapsed() / 1e6;
  heartbeat.stop();
  print("names_flood_stall_ms", std::max<qint64>(0, longestBeat - 10));
  print("names_flood_ms", floodMs);
  print("names_flood_bytes", double(residentBytes() - floodRssBefore));
  print("log_line_bytes", double(rssAfter - rssBefore) / kLines);

  // JOIN on a real server.
  tv::test::NgircdServer ngircd;
  if (!ngircd.isReady()) {
    std::fprintf(stderr, "ngircd did not start: %s\n", qPrintable(ngircd.output()));
    return 1;
  }
  w.EvConnect(QStringLiteral("joiner"), QStringLiteral("ngircd"), QStringLiteral("127.0.0.1"),
              ngircd.portText());
  spin(
      [&] {
        return pane(1) && pane(1)->handler().findSlot(QStringLiteral("#bench")) >= 0 &&
               pane(1)->handler().slot(pane(1)->handler().findSlot("#bench")).hasTab;
      },
      30000);
  spin([] { return false; }, 4500);  // TvIRC's queue idle again
  tv::irc::CtlIRC *joiner = pane(1);
  t.restart();
  joiner->SendLine(QStringLiteral("JOIN :#joinbench"));
  spin(
      [&] {
        const int slot = joiner->handler().findSlot(QStringLiteral("#joinbench"));
        return slot >= 0 && joiner->handler().slot(slot).hasTab &&
               !joiner->handler().slot(slot).users.isEmpty() &&
               joiner->txtLOG(slot)->toPlainText().contains(
                   QStringLiteral("チャンネルを開きました。"));
      },
      30000);
  print("join_to_first_line_ms", t.nsecsElapsed() / 1e6);

  PlainClient plainJoin;
  bool welcomed = false, joined = false;
  plainJoin.onLine = [&](const QString &line) {
    if (line.startsWith(u'P') && line.startsWith(QStringLiteral("PING")))
      plainJoin.send(QStringLiteral("PONG ") + line.mid(5));
    welcomed |= line.contains(QStringLiteral(" 376 ")) || line.contains(QStringLiteral(" 422 "));
    joined |= line.contains(QStringLiteral(" 366 "));
  };
  plainJoin.connectTo(ngircd.port());
  plainJoin.send(QStringLiteral("NICK plain"));
  plainJoin.send(QStringLiteral("USER plain 8 * :plain"));
  spin([&] { return welcomed; }, 20000);
  // Idle as long as the pane was: ngircd holds back a client that just sent commands.
  spin([] { return false; }, 4500);
  t.restart();
  plainJoin.send(QStringLiteral("JOIN :#plainjoin"));
  spin([&] { return joined; }, 20000);
  print("plain_join_ms", t.nsecsElapsed() / 1e6);
  std::fflush(stdout);
  return RunCommandBench(services, ngircd.port());
}

}  // namespace

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsSet("TV_BENCH_IRC_INNER")) {
    QApplication application(argc, argv);
    return runBench();
  }
  // A bus of its own, without the user's activation files: the pane's link starts the
  // TvIRC that lies next to this program.
  QCoreApplication application(argc, argv);
  QTemporaryDir noServices;
  QProcess inner;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TV_BENCH_IRC_INNER"), QStringLiteral("1"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), noServices.path());
  if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  inner.setProcessEnvironment(env);
  inner.setProcessChannelMode(QProcess::ForwardedChannels);
  inner.start(QStringLiteral("dbus-run-session"),
              {QStringLiteral("--"), QCoreApplication::applicationFilePath()});
  if (!inner.waitForFinished(900000)) return 1;
  return inner.exitCode();
}
