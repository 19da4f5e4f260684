// TvIRC figures, one "name: value" per line:
//   decode_mb_per_s   ISO-2022-JP decoder throughput on a large stream of server lines;
//   line_latency_ms   median time from writing a line on the server's socket to
//                     ircDataArrival at the client, on loopback through the bus;
//   idle_cpu_percent  CPU of a TvIRC holding ten idle connections, over 10 seconds.
// The program runs itself again inside a private session bus on which the bus cannot
// start TvIRC, so the client starts the TvIRC next to this program.

#include "irc/ClsIRCProxy.h"
#include "ircsock/Iso2022JpDecoder.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void print(const char *name, double value) { std::printf("%s: %.3f\n", name, value); }

// Runs the event loop, sleeping between events, until done() or the time is up.
void spin(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer wake;  // bounds each wait, so the time limit is seen
  wake.start(10);
  while (!done() && elapsed.elapsed() < timeoutMs)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double decodeMegabytesPerSecond() {
  QByteArray line = ":nick!user@host.example.jp PRIVMSG #channel :\x1b$B";
  for (int i = 0; i < 30; ++i) line += QByteArray(1, char(0x30 + i % 40)) + char(0x21 + i);
  line += "\x1b(B and some ASCII text to end it\r\n";
  QByteArray stream;
  while (stream.size() < 32 * 1024 * 1024) stream += line;

  double best = 0;
  for (int round = 0; round < 3; ++round) {
    tv::ircsock::Iso2022JpDecoder decoder;
    qsizetype lines = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    for (qsizetype at = 0; at < stream.size(); at += 64 * 1024)
      decoder.feed(
          QByteArrayView(stream).sliced(at, std::min<qsizetype>(64 * 1024, stream.size() - at)),
          [&lines](QString &&, qsizetype) {
            ++lines;
            return true;
          });
    const double seconds = elapsed.nsecsElapsed() / 1e9;
    if (lines == 0) return 0;
    best = std::max(best, stream.size() / 1e6 / seconds);
  }
  return best;
}

// CPU time of a process in seconds: the scheduler's nanosecond count of all its threads.
double cpuSeconds(uint pid) {
  double total = 0;
  QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  if (threads.isEmpty()) return -1;
  for (const QString &thread : threads) {
    QFile schedstat(tasks.filePath(thread + QStringLiteral("/schedstat")));
    if (!schedstat.open(QIODevice::ReadOnly)) return -1;
    total += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
  }
  return total;
}

struct Connection {
  std::unique_ptr<tv::irc::ClsIRCProxy> irc;
  QTcpSocket *server = nullptr;
  qint64 arrivedAt = -1;
  int received = 0;
};

int runOnPrivateBus(const QStringList &args) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return 1;
  print("decode_mb_per_s", decodeMegabytesPerSecond());

  QTcpServer listener;
  listener.listen(QHostAddress::LocalHost);
  QElapsedTimer clock;
  clock.start();
  std::vector<Connection> connections(10);
  for (Connection &c : connections) {
    c.irc = std::make_unique<tv::irc::ClsIRCProxy>(bus, QCoreApplication::applicationDirPath());
    if (!c.irc->create()) {
      std::fprintf(stderr, "no clsIRC object: %s\n", qPrintable(c.irc->failureDetail()));
      return 1;
    }
    tv::irc::ClsIRCProxy *irc = c.irc.get();
    Connection *self = &c;
    QObject::connect(irc, &tv::irc::ClsIRCProxy::ircPING, irc, [irc] { irc->ircPONG(); });
    QObject::connect(irc, &tv::irc::ClsIRCProxy::ircDataArrival, irc, [self, irc, &clock] {
      if (self->arrivedAt < 0) self->arrivedAt = clock.nsecsElapsed();
      while (irc->IsThereRxMessage().value_or(false)) {
        irc->ircGetData();
        ++self->received;
      }
    });
    irc->DoConnect(QStringLiteral("127.0.0.1"), QString::number(listener.serverPort()));
    spin([&] { return listener.hasPendingConnections(); }, 5000);
    c.server = listener.nextPendingConnection();
    if (!c.server) return 1;
  }

  // Latency on the first connection, one line at a time.
  Connection &probe = connections.front();
  std::vector<double> samples;
  for (int i = 0; i < 200; ++i) {
    probe.arrivedAt = -1;
    const int before = probe.received;
    // Stamped before the write: the figure includes the send call, never less than
    // the path from the socket to the client's handler.
    const QByteArray line = ":s NOTICE x :\x1b$B\x30\x21\x1b(B " + QByteArray::number(i) + "\r\n";
    const qint64 written = clock.nsecsElapsed();
    probe.server->write(line);
    probe.server->flush();
    spin([&] { return probe.received > before; }, 2000);
    if (probe.arrivedAt >= 0) samples.push_back((probe.arrivedAt - written) / 1e6);
  }
  std::sort(samples.begin(), samples.end());
  print("line_latency_ms", samples.empty() ? -1 : samples[samples.size() / 2]);
  if (!samples.empty())
    std::fprintf(stderr, "latency ms: min %.3f p90 %.3f max %.3f (%zu lines)\n", samples.front(),
                 samples[samples.size() * 9 / 10], samples.back(), samples.size());

  const uint pid = bus.interface()->servicePid(probe.irc->componentName()).value();
  spin([] { return false; }, 1000);
  const double cpuBefore = cpuSeconds(pid);
  QElapsedTimer idle;
  idle.start();
  spin([] { return false; }, args.contains(QStringLiteral("--quick")) ? 3000 : 10000);
  const double cpuAfter = cpuSeconds(pid);
  const bool measured = pid != 0 && cpuBefore >= 0 && cpuAfter >= 0;
  print("idle_cpu_percent",
        measured ? (cpuAfter - cpuBefore) / (idle.nsecsElapsed() / 1e9) * 100 : -1);
  std::fprintf(stderr, "TvIRC pid %u: %.2f s of CPU in all\n", pid, cpuAfter);
  return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QStringList args = QCoreApplication::arguments();
  if (qEnvironmentVariableIsSet("TV_BENCH_TVIRC_INNER")) return runOnPrivateBus(args);

  // A bus of its own, without the user's activation files: the client starts the TvIRC
  // that lies next to this program.
  QTemporaryDir noServices;
  QProcess inner;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TV_BENCH_TVIRC_INNER"), QStringLiteral("1"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), noServices.path());
  inner.setProcessEnvironment(env);
  inner.setProcessChannelMode(QProcess::ForwardedChannels);
  args.removeFirst();
  inner.start(QStringLiteral("dbus-run-session"),
              QStringList{QStringLiteral("--"), QCoreApplication::applicationFilePath()} + args);
  if (!inner.waitForFinished(120000)) return 1;
  return inner.exitCode();
}
