// The transfer engines over real sockets on loopback: our sender to our receiver, and
// each against a peer played by the test where the outcome is not visible in a window.

#include "common/TestSupport.h"
#include "dcc/FileReceiver.h"
#include "dcc/FileSender.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <thread>

namespace tv::dcc {
namespace {

using test::readBytes;
using test::waitFor;
using test::writeBytes;

constexpr quint32 kLoopback = 0x7F000001;

QByteArray randomBytes(qsizetype n) {
  QByteArray bytes(n, Qt::Uninitialized);
  for (char &c : bytes) c = char(QRandomGenerator::global()->generate());
  return bytes;
}

QStringList filesIn(const QTemporaryDir &dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(DccTransfer, SenderToReceiverWholeFiles) {
  const qsizetype sizes[] = {0, 1, 4096, 4097, 1024 * 1024 + 3};
  for (const qsizetype size : sizes) {
    for (const auto ack : {FileReceiver::Acknowledge::None, FileReceiver::Acknowledge::Standard}) {
      SCOPED_TRACE(size);
      QTemporaryDir dir;
      const QByteArray data = randomBytes(size);
      writeBytes(dir.filePath(QStringLiteral("src.bin")), data);
      FileSender sender;
      sender.setFile(dir.filePath(QStringLiteral("src.bin")), size);
      ASSERT_TRUE(sender.listen(0));
      FileReceiver receiver(ack);
      QSignalSpy completed(&receiver, &FileReceiver::completed);
      QSignalSpy finished(&sender, &FileSender::finished);
      ASSERT_EQ(receiver.prepare(dir.filePath(QStringLiteral("dst.bin"))), 0);
      receiver.connectTo(kLoopback, sender.port(), size, false);
      ASSERT_TRUE(waitFor([&] { return completed.size() == 1 && finished.size() == 1; }));
      EXPECT_EQ(completed[0][0].toInt(), 0);
      EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("dst.bin"))), data);
      EXPECT_EQ(filesIn(dir), QStringList({QStringLiteral("dst.bin"), QStringLiteral("src.bin")}));
      EXPECT_EQ(sender.sent(), size);
    }
  }
}

// A sender played by the test: it accepts one connection and then does what a case
// says.
struct FakeSender {
  QTcpServer server;
  QTcpSocket *peer = nullptr;
  QByteArray received;  // what the receiver sent back
  FakeSender() {
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      peer = server.nextPendingConnection();
      QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
    });
  }
  bool waitPeer() {
    return waitFor([this] { return peer != nullptr; });
  }
};

TEST(DccTransfer, StandardReceiversAcknowledgeEveryRead) {
  QTemporaryDir dir;
  FakeSender fake;
  FileReceiver receiver(FileReceiver::Acknowledge::Standard);
  QSignalSpy completed(&receiver, &FileReceiver::completed);
  ASSERT_EQ(receiver.prepare(dir.filePath(QStringLiteral("f"))), 0);
  receiver.connectTo(kLoopback, fake.server.serverPort(), 300000, false);
  ASSERT_TRUE(fake.waitPeer());
  fake.peer->write(randomBytes(100000));
  ASSERT_TRUE(waitFor([&] {
    return fake.received.size() >= 4 &&
           qFromBigEndian<quint32>(fake.received.right(4).constData()) == 100000;
  }));
  fake.peer->write(randomBytes(200000));
  ASSERT_TRUE(waitFor([&] { return !completed.isEmpty(); }));
  ASSERT_TRUE(waitFor(
      [&] { return qFromBigEndian<quint32>(fake.received.right(4).constData()) == 300000; }));
  EXPECT_EQ(fake.received.size() % 4, 0);
}

TEST(DccTransfer, ReceiverNeverReplacesAFileWithoutConsent) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("f.txt"));
  writeBytes(target, "old");
  writeBytes(target + QStringLiteral(".part"), "someone else's");
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace);
    FakeSender fake;
    FileReceiver receiver(FileReceiver::Acknowledge::None);
    QSignalSpy completed(&receiver, &FileReceiver::completed);
    ASSERT_EQ(receiver.prepare(target), 0);
    // The side name that was taken is left alone; another one is used.
    EXPECT_NE(receiver.part().partName(), QStringLiteral("f.txt.part"));
    receiver.connectTo(kLoopback, fake.server.serverPort(), 3, replace);
    ASSERT_TRUE(fake.waitPeer());
    fake.peer->write("new");
    ASSERT_TRUE(waitFor([&] { return !completed.isEmpty(); }));
    EXPECT_EQ(completed[0][0].toInt(), replace ? 0 : EEXIST);
    EXPECT_EQ(readBytes(target), replace ? "new" : "old");
    EXPECT_EQ(readBytes(target + QStringLiteral(".part")), "someone else's");
  }
}

TEST(DccTransfer, ConnectFailureAndTimeOutLeaveNoFile) {
  QTemporaryDir dir;
  QTcpServer closed;  // a port that nobody listens on any more
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 port = closed.serverPort();
  closed.close();
  FileReceiver refused(FileReceiver::Acknowledge::None);
  QSignalSpy failed(&refused, &FileReceiver::connectFailed);
  ASSERT_EQ(refused.prepare(dir.filePath(QStringLiteral("a"))), 0);
  refused.connectTo(kLoopback, port, 10, false);
  ASSERT_TRUE(waitFor([&] { return !failed.isEmpty(); }));

  FakeSender late;
  FileReceiver aborted(FileReceiver::Acknowledge::None);
  QSignalSpy connected(&aborted, &FileReceiver::connected);
  ASSERT_EQ(aborted.prepare(dir.filePath(QStringLiteral("b"))), 0);
  aborted.abortConnect();  // the time-out fired before the connection came
  aborted.connectTo(kLoopback, late.server.serverPort(), 10, false);
  QTest::qWait(200);
  EXPECT_TRUE(connected.isEmpty());
  EXPECT_TRUE(filesIn(dir).isEmpty());
}

TEST(DccTransfer, AFullDiskOrSizeLimitIsAWriteError) {
  QTemporaryDir dir;
  FakeSender fake;
  FileReceiver receiver(FileReceiver::Acknowledge::None);
  QSignalSpy failed(&receiver, &FileReceiver::writeFailed);
  ASSERT_EQ(receiver.prepare(dir.filePath(QStringLiteral("big"))), 0);
  receiver.connectTo(kLoopback, fake.server.serverPort(), 1 << 20, false);
  ASSERT_TRUE(fake.waitPeer());
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  fake.peer->write(randomBytes(5000));
  const bool reported = waitFor([&] { return !failed.isEmpty(); });
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  ASSERT_TRUE(reported);
  EXPECT_EQ(failed[0][0].toInt(), EFBIG);
  EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("big.part")});
  EXPECT_TRUE(waitFor([&] { return fake.peer->state() == QAbstractSocket::UnconnectedState; }));
}

TEST(DccTransfer, SenderFailsWhenTheReceiverOrTheFileGoesAway) {
  enum class Act { ReceiverCloses, FileShrinks, FileReplaced };
  for (const Act act : {Act::ReceiverCloses, Act::FileShrinks, Act::FileReplaced}) {
    SCOPED_TRACE(int(act));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("src"));
    const qint64 size = 8 * 1024 * 1024;
    writeBytes(path, randomBytes(size));
    FileSender sender;
    sender.setFile(path, size);
    ASSERT_TRUE(sender.listen(0));
    QSignalSpy failedSpy(&sender, &FileSender::failed);
    QTcpSocket receiver;
    receiver.setReadBufferSize(64 * 1024);  // a slow reader: the sender waits on it
    receiver.connectToHost(QHostAddress::LocalHost, sender.port());
    ASSERT_TRUE(waitFor([&] { return sender.sent() > 0; }));
    if (act == Act::ReceiverCloses) {
      receiver.abort();
    } else {
      QFile file(path);
      if (act == Act::FileShrinks) {
        ASSERT_TRUE(file.resize(4096));
      } else {
        ASSERT_TRUE(QFile::remove(path));
        writeBytes(path, randomBytes(size));
      }
    }
    ASSERT_TRUE(waitFor(
        [&] {
          receiver.readAll();
          return !failedSpy.isEmpty();
        },
        std::chrono::seconds(10)));
    EXPECT_LT(sender.sent(), size);
    EXPECT_FALSE(sender.isFinished());
  }
}

TEST(DccTransfer, TheEndOfAFileIsNeverCutWhenTheSenderCloses) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("src"));
  const QByteArray data = randomBytes(3 * 1024 * 1024);
  writeBytes(path, data);
  auto sender = std::make_unique<FileSender>();
  sender->setFile(path, data.size());
  ASSERT_TRUE(sender->listen(0));
  // A receiver that starts late and answers every read, as IRC clients do: the sender
  // closes while much of the file and these answers are still in the kernel's buffers.
  QByteArray got;
  int readError = 0;
  std::thread receiver([&, port = sender->port()] {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) readError = errno;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    char buffer[16384];
    for (;;) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n < 0) readError = errno;
      if (n <= 0) break;
      got.append(buffer, n);
      const quint32 count = qToBigEndian(quint32(got.size()));
      ::send(fd, &count, sizeof count, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(fd);
  });
  QSignalSpy finished(sender.get(), &FileSender::finished);
  const bool done = waitFor([&] { return !finished.isEmpty(); }, std::chrono::seconds(20));
  sender->finishGracefully(10000);
  sender.reset();
  receiver.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(readError, 0);
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
}

}  // namespace
}  // namespace tv::dcc
