// Direct file transfer figures, one "name: value" per line, medians of three rounds:
//   throughput_mb_s         TvDcc's windows, file to file over loopback (MB = 10^6 bytes);
//   nc_mb_s                 netcat (netcat-openbsd) on the same file;
//   throughput_ratio_vs_nc  the two, round by round;
//   bound_ratio_vs_nc       a bare loop of the sender's pacing (write 4096 bytes, wait
//                           until the socket is writable, next) to the same receiver as nc;
//   sha256_match            1 when every round's copy is the file itself;
//   cpu_percent             CPU of the sending and receiving TvDcc over the transfer's wall
//                           time, x 100.
// The windows are the classes TvDcc's main() builds, offscreen, in two child processes
// of this program; the offer travels through a real Talvora.Dde endpoint this program
// serves on a private session bus. Usage: bench_dcc [--bytes N] (default 1 GiB).

#include "dcc/DdeEndpoint.h"
#include "dcc/FileReceiver.h"
#include "dcc/FileSender.h"
#include "dcc/FrmRec.h"
#include "dcc/FrmSend.h"
#include "dcc/OfferLine.h"
#include "dcc/TvDccStart.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 3;

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void writeIni(const QString &folder, const QString &lines) {
  QFile ini(folder + u'/' + tv::dcc::kSettingsName);
  if (ini.open(QIODevice::WriteOnly)) ini.write(lines.toUtf8());
}

QByteArray sha256(const QString &path) {
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (file.open(QIODevice::ReadOnly)) hash.addData(&file);
  return hash.result();
}

void makeRandomFile(const QString &path, qint64 bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  std::vector<quint64> block(1 << 17);
  quint64 x = 0x9E3779B97F4A7C15ull;
  for (qint64 done = 0; done < bytes;) {
    for (quint64 &v : block) {  // xorshift: random enough that nothing compresses it
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      v = x;
    }
    const qint64 n = std::min<qint64>(bytes - done, qint64(block.size() * sizeof(quint64)));
    file.write(reinterpret_cast<const char *>(block.data()), n);
    done += n;
  }
}

// ---- the child processes: one TvDcc window each ------------------------------------

// Prints "cpu_s" and "wall_s" for the transfer alone, from its connection to its end.
int runChild(const QStringList &args) {
  const bool send = args.value(2) == QStringLiteral("send");
  const QString folder = args.value(3) + u'/';
  const QStringList words =
      send ? QStringList{QStringLiteral("VSEND"), QStringLiteral("1"), QStringLiteral("bench")}
           : QStringList{QStringLiteral("VREC"),
                         QStringLiteral("1"),
                         QStringLiteral("bench"),
                         QStringLiteral("dst.bin"),
                         QStringLiteral("2130706433"),
                         args.value(4),
                         args.value(5)};
  tv::dcc::TvDccStart start(tv::dcc::ParseStartCommand(words), folder,
                            QDBusConnection::sessionBus());
  start.window()->show();
  double cpuStart = 0, cpuEnd = 0;
  QElapsedTimer wall;
  qint64 wallMs = 0;
  const auto begin = [&] {
    cpuStart = cpuSeconds();
    wall.start();
  };
  const auto end = [&] {
    cpuEnd = cpuSeconds();
    wallMs = wall.elapsed();
  };
  if (send) {
    tv::dcc::FileSender &sender = start.frmSend()->sender();
    QObject::connect(&sender, &tv::dcc::FileSender::accepted, begin);
    QObject::connect(&sender, &tv::dcc::FileSender::finished, end);
    start.frmSend()->btnTx_Click();
  } else {
    tv::dcc::FileReceiver &receiver = start.frmRec()->receiver();
    QObject::connect(&receiver, &tv::dcc::FileReceiver::connected, begin);
    QObject::connect(&receiver, &tv::dcc::FileReceiver::completed, end);
    start.frmRec()->btnRx_Click();
  }
  const int code = QApplication::exec();
  start.finish();
  std::printf("cpu_s %.6f\nwall_s %.6f\n", cpuEnd - cpuStart, wallMs / 1000.0);
  return code;
}

struct ChildFigures {
  double cpu = 0, wall = 0;
};

ChildFigures figuresOf(QProcess &child) {
  ChildFigures f;
  for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 2) continue;
    if (parts[0] == "cpu_s") f.cpu = parts[1].toDouble();
    if (parts[0] == "wall_s") f.wall = parts[1].toDouble();
  }
  return f;
}

// ---- the rounds ----------------------------------------------------------------------

struct Round {
  double mbs = 0, cpuPercent = 0;
  bool match = false;
};

Round tvDccRound(const QString &work, const QString &source, qint64 bytes,
                 const QByteArray &sourceHash) {
  Round round;
  const QString sendFolder = work + QStringLiteral("/send");
  const QString recFolder = work + QStringLiteral("/rec");
  QDir().mkpath(sendFolder);
  QDir().mkpath(recFolder);
  writeIni(sendFolder,
           QStringLiteral("[DCC]\r\nPath=%1\r\nchkNAT=0\r\nchkClose=1\r\n").arg(source));
  writeIni(recFolder, QStringLiteral("[DCC]\r\nFolder=%1/\r\nchkClose=1\r\n")
                          .arg(QFileInfo(source).absolutePath()));
  const QString target = QFileInfo(source).absolutePath() + QStringLiteral("/dst.bin");
  QFile::remove(target);

  // The main window's end of the hand-off, as Talvora serves it.
  QString offer;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.interface()->registerService(QString::fromLatin1(tv::dcc::kDdeService));
  tv::dcc::DdeEndpoint endpoint(bus, 1, QStringLiteral("VOICE"), &tv::dcc::IsVoiceOfferLine,
                                [&offer](const QString &line) {
                                  offer = line;
                                  return true;
                                });
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess sender, receiver;
  sender.setProcessEnvironment(env);
  receiver.setProcessEnvironment(env);
  sender.setProcessChannelMode(QProcess::SeparateChannels);
  sender.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--child"), QStringLiteral("send"), sendFolder});
  QElapsedTimer waited;
  waited.start();
  while (offer.isEmpty() && waited.elapsed() < 30000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const QStringList w = offer.split(u' ');
  if (w.size() != 8) return round;
  receiver.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--child"), QStringLiteral("rec"), recFolder, w[6], w[7]});
  receiver.waitForFinished(-1);
  sender.waitForFinished(60000);
  const ChildFigures s = figuresOf(sender), r = figuresOf(receiver);
  bus.interface()->unregisterService(QString::fromLatin1(tv::dcc::kDdeService));
  if (r.wall <= 0) return round;
  round.mbs = bytes / 1e6 / r.wall;
  round.cpuPercent = (s.cpu + r.cpu) / r.wall * 100;
  round.match = QFileInfo(target).size() == bytes && sha256(target) == sourceHash;
  QFile::remove(target);
  return round;
}

quint16 freePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

// nc listening into a file; true once it accepts connections.
bool startNcReceiver(QProcess &nc, quint16 port, const QString &target) {
  nc.setStandardOutputFile(target);
  nc.start(QStringLiteral("nc"), {QStringLiteral("-d"), QStringLiteral("-l"),
                                  QStringLiteral("127.0.0.1"), QString::number(port)});
  if (!nc.waitForStarted(5000)) return false;
  for (int i = 0; i < 200; ++i) {  // until its socket listens
    QFile tcp(QStringLiteral("/proc/net/tcp"));
    if (tcp.open(QIODevice::ReadOnly) &&
        tcp.readAll().contains(QStringLiteral(":%1 00000000:0000 0A")
                                   .arg(port, 4, 16, QLatin1Char('0'))
                                   .toUpper()
                                   .toLatin1()))
      return true;
    QThread::msleep(10);
  }
  return false;
}

double ncRound(const QString &source, qint64 bytes, const QString &target) {
  const quint16 port = freePort();
  QProcess receiver, sender;
  if (!startNcReceiver(receiver, port, target)) return 0;
  QElapsedTimer wall;
  wall.start();
  sender.setStandardInputFile(source);
  sender.start(QStringLiteral("nc"),
               {QStringLiteral("-N"), QStringLiteral("127.0.0.1"), QString::number(port)});
  receiver.waitForFinished(-1);
  const double seconds = wall.nsecsElapsed() / 1e9;
  sender.waitForFinished(10000);
  const bool whole = QFileInfo(target).size() == bytes;
  QFile::remove(target);
  return whole ? bytes / 1e6 / seconds : 0;
}

// The sender's pacing without anything else: 4096 bytes, wait until writable, next.
double boundRound(const QString &source, qint64 bytes, const QString &target) {
  const quint16 port = freePort();
  QProcess receiver;
  if (!startNcReceiver(receiver, port, target)) return 0;
  const int file = ::open(QFile::encodeName(source).constData(), O_RDONLY);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  QElapsedTimer wall;
  wall.start();
  if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) return 0;
  ::fcntl(fd, F_SETFL, O_NONBLOCK);
  char block[4096];
  for (qint64 sent = 0; sent < bytes;) {
    const ssize_t n = ::pread(file, block, sizeof block, sent);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, -1);
      const ssize_t w = ::write(fd, block + at, size_t(n - at));
      if (w > 0) at += w;
    }
    sent += n;
  }
  ::shutdown(fd, SHUT_WR);
  receiver.waitForFinished(-1);
  const double seconds = wall.nsecsElapsed() / 1e9;
  ::close(fd);
  ::close(file);
  const bool whole = QFileInfo(target).size() == bytes;
  QFile::remove(target);
  return whole ? bytes / 1e6 / seconds : 0;
}

int runOnPrivateBus(const QStringList &args) {
  qint64 bytes = qint64(1) << 30;
  if (const qsizetype at = args.indexOf(QStringLiteral("--bytes")); at >= 0)
    bytes = args.value(at + 1).toLongLong();
  QTemporaryDir work;
  const QString source = work.filePath(QStringLiteral("src.bin"));
  makeRandomFile(source, bytes);
  const QByteArray sourceHash = sha256(source);
  const QString ncTarget = work.filePath(QStringLiteral("nc.bin"));

  std::vector<double> tv, nc, ratio, bound, cpu;
  bool allMatch = true;
  for (int i = 0; i < kRounds; ++i) {
    const Round r = tvDccRound(work.path(), source, bytes, sourceHash);
    const double n = ncRound(source, bytes, ncTarget);
    const double b = boundRound(source, bytes, ncTarget);
    allMatch = allMatch && r.match;
    tv.push_back(r.mbs);
    nc.push_back(n);
    bound.push_back(n > 0 ? b / n : 0);
    ratio.push_back(n > 0 ? r.mbs / n : 0);
    cpu.push_back(r.cpuPercent);
    std::fprintf(stderr, "round %d: tvdcc %.1f MB/s, nc %.1f MB/s, bound %.1f MB/s\n", i + 1, r.mbs,
                 n, b);
  }
  std::printf("throughput_mb_s: %.1f\n", median(tv));
  std::printf("nc_mb_s: %.1f\n", median(nc));
  std::printf("throughput_ratio_vs_nc: %.3f\n", median(ratio));
  std::printf("bound_ratio_vs_nc: %.3f\n", median(bound));
  std::printf("sha256_match: %d\n", allMatch ? 1 : 0);
  std::printf("cpu_percent: %.1f\n", median(cpu));
  return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
  if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
    QApplication application(argc, argv);
    return runChild(QCoreApplication::arguments());
  }
  QCoreApplication application(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (qEnvironmentVariableIsSet("TV_BENCH_DCC_INNER")) return runOnPrivateBus(args);

  // A private bus: the endpoint takes the program's bus name there.
  QProcess inner;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TV_BENCH_DCC_INNER"), QStringLiteral("1"));
  inner.setProcessEnvironment(env);
  inner.setProcessChannelMode(QProcess::ForwardedChannels);
  inner.start(
      QStringLiteral("dbus-run-session"),
      QStringList{QStringLiteral("--"), QCoreApplication::applicationFilePath()} + args.mid(1));
  if (!inner.waitForFinished(-1)) return 1;
  return inner.exitCode();
}
