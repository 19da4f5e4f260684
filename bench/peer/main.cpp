// bench_peer: the peer session service on loopback. Prints medians over repeated runs,
// one "name: value" per line:
//   enum_ms           EnumHosts to the first EnumHostsResponse
//   join_ms           Connect to ConnectComplete, joining a host and one member
//   message_1mib_ms   delivery of one 1 MiB message
//   small_rtt_ms      round trip of a 16-byte message
//   small_msgs_per_s  sustained rate of 64-byte messages
//   migration_ms      kill -9 of the host (a tvpeer process) to HostMigrate on both others

#include "platform/peer/EnetPlatform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QUdpSocket>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using namespace tv::peer;

namespace {

const QUuid kApp(QStringLiteral("{3F6A1C2E-8B47-4D19-A0E5-72C4B9D1E608}"));

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

double median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

QString figure(double v) { return QString::number(v, 'f', v < 10 ? 3 : 1); }

quint16 freePort() {
  QUdpSocket s;
  s.bind(QHostAddress::Any, 0);
  return s.localPort();
}

Address hostAt(quint16 port) {
  Address a;
  a.BuildFromURL(QStringLiteral("x-directplay:/hostname=127.0.0.1;port=%1").arg(port));
  return a;
}

// A member with what the benchmark needs to watch.
struct Node {
  explicit Node(Platform &platform, const QString &name) : peer(platform.CreatePeer()) {
    peer->RegisterMessageHandler();
    peer->SetPeerInfo({name, 0});
    QObject::connect(peer.get(), &Peer::createPlayer, peer.get(), [this](quint32 id) {
      PlayerInfo info;
      if (peer->GetPeerInfo(id, info) == kOk && (info.playerFlags & kPlayerLocal)) self = id;
      ++players;
    });
    QObject::connect(peer.get(), &Peer::connectComplete, peer.get(),
                     [this](quint32 r) { joined = r == kOk ? 1 : -1; });
    QObject::connect(peer.get(), &Peer::receive, peer.get(), [this](quint32, const QByteArray &d) {
      ++received;
      if (onReceive) onReceive(d);
    });
    QObject::connect(peer.get(), &Peer::hostMigrate, peer.get(), [this](quint32) { ++migrated; });
  }
  bool host(quint16 port) {
    ApplicationDesc d;
    d.applicationGuid = kApp;
    d.maxPlayers = 0;
    d.flags = kSessionMigrateHost;
    d.sessionName = QStringLiteral("bench");
    Address device;
    device.setPort(port);
    return peer->Host(d, device) == kOk && waitUntil([this] { return self != 0; });
  }
  bool join(quint16 port) {
    ApplicationDesc d;
    d.applicationGuid = kApp;
    return peer->Connect(d, hostAt(port), Address()) == kOk &&
           waitUntil([this] { return joined != 0; }) && joined == 1;
  }

  std::unique_ptr<Peer> peer;
  quint32 self = 0;
  int players = 0, joined = 0, received = 0, migrated = 0;
  std::function<void(const QByteArray &)> onReceive;
};

double enumOnce(Platform &platform, quint16 port) {
  auto searcher = platform.CreatePeer();
  searcher->RegisterMessageHandler();
  bool answered = false;
  QObject::connect(searcher.get(), &Peer::enumHostsResponse, searcher.get(),
                   [&](const EnumHostsResponse &) { answered = true; });
  ApplicationDesc d;
  d.applicationGuid = kApp;
  quint32 handle = 0;
  QElapsedTimer t;
  t.start();
  searcher->EnumHosts(d, hostAt(port), Address(), -1, 0, -1, handle);
  if (!waitUntil([&] { return answered; })) return -1;
  return ms(t);
}

}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  EnetPlatform platform;
  const quint16 port = freePort();
  Node host(platform, QStringLiteral("host"));
  Node a(platform, QStringLiteral("a"));
  Node b(platform, QStringLiteral("b"));
  if (!host.host(port) || !a.join(port) || !b.join(port)) {
    QTextStream(stderr) << "bench_peer: could not set up the session\n";
    return 1;
  }
  waitUntil([&] { return a.players == 3 && b.players == 3; });

  std::vector<double> enums, joins, big, rtts;
  for (int i = 0; i < 7; ++i) enums.push_back(enumOnce(platform, port));
  out << "enum_ms: " << figure(median(enums)) << '\n';

  for (int i = 0; i < 7; ++i) {
    Node late(platform, QStringLiteral("late"));
    QElapsedTimer t;
    t.start();
    if (late.join(port)) joins.push_back(ms(t));
    late.peer->Close();
    waitUntil([&] { return a.players == 3 + i + 1 && b.players == 3 + i + 1; }, 2000);
  }
  out << "join_ms: " << figure(median(joins)) << '\n';

  const QByteArray mib(1024 * 1024, 'p');
  for (int i = 0; i < 7; ++i) {
    const int before = b.received;
    QElapsedTimer t;
    t.start();
    a.peer->SendTo(b.self, mib, kSendGuaranteed);
    if (waitUntil([&] { return b.received > before; })) big.push_back(ms(t));
  }
  out << "message_1mib_ms: " << figure(median(big)) << '\n';

  // b echoes what it gets; a times the round trip.
  b.onReceive = [&](const QByteArray &d) { b.peer->SendTo(a.self, d, kSendGuaranteed); };
  for (int i = 0; i < 200; ++i) {
    const int before = a.received;
    QElapsedTimer t;
    t.start();
    a.peer->SendTo(b.self, QByteArray(16, 'r'), kSendGuaranteed);
    if (waitUntil([&] { return a.received > before; })) rtts.push_back(ms(t));
  }
  b.onReceive = nullptr;
  out << "small_rtt_ms: " << figure(median(rtts)) << '\n';

  std::vector<double> rates;
  for (int run = 0; run < 3; ++run) {
    constexpr int kCount = 20000;
    const int before = b.received;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kCount; ++i) a.peer->SendTo(b.self, QByteArray(64, 's'), kSendGuaranteed);
    if (waitUntil([&] { return b.received >= before + kCount; }, 60000))
      rates.push_back(kCount / (ms(t) / 1000.0));
  }
  out << "small_msgs_per_s: " << qRound(median(rates)) << '\n';
  out.flush();
  host.peer->Close();
  a.peer->Close();
  b.peer->Close();

  // Host migration with the host in its own process, killed without a goodbye.
  std::vector<double> migrations;
  const QString tvpeer = QCoreApplication::applicationDirPath() + QStringLiteral("/tvpeer");
  for (int run = 0; run < 3; ++run) {
    const quint16 p = freePort();
    QProcess hostProcess;
    hostProcess.start(tvpeer, {QStringLiteral("host"), QStringLiteral("dying"),
                               QStringLiteral("--port"), QString::number(p)});
    if (!hostProcess.waitForStarted()) break;
    QThread::msleep(200);
    Node m1(platform, QStringLiteral("m1")), m2(platform, QStringLiteral("m2"));
    if (!m1.join(p) || !m2.join(p) || !waitUntil([&] { return m1.players == 3; })) {
      hostProcess.kill();
      hostProcess.waitForFinished();
      continue;
    }
    QElapsedTimer t;
    hostProcess.kill();
    t.start();
    if (waitUntil([&] { return m1.migrated && m2.migrated; }, 20000)) migrations.push_back(ms(t));
    hostProcess.waitForFinished();
  }
  out << "migration_ms: " << figure(median(migrations)) << '\n';
  return 0;
}
