#include "NgircdServer.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <unistd.h>

namespace tv::test {
namespace {

quint16 freeLoopbackPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

bool accepts(quint16 port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  return socket.waitForConnected(200);
}

}  // namespace

NgircdServer::NgircdServer() {
  const QString program = QStandardPaths::findExecutable(
      QStringLiteral("ngircd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
  if (program.isEmpty() || !dir_.isValid()) return;
  // ngircd drops root for nobody and must still reach its pid file.
  QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) | QFile::ReadOther |
                                         QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
  const QString run = dir_.filePath(QStringLiteral("run"));
  QDir().mkpath(run);
  QFile::setPermissions(run, QFileDevice::Permissions(0x7777));

  port_ = freeLoopbackPort();
  const bool root = ::geteuid() == 0;
  const QString config = QStringLiteral(
                             "[Global]\n"
                             "Name = irc.talvora.test\n"
                             "Info = Talvora test server\n"
                             "AdminInfo1 = test\nAdminInfo2 = test\nAdminEMail = test@invalid\n"
                             "Listen = 127.0.0.1\n"
                             "Ports = %1\n"
                             "MotdPhrase = test\n"
                             "PidFile = %2/ngircd.pid\n"
                             "ServerUID = %3\n"
                             "ServerGID = %4\n"
                             "[Limits]\n"
                             "MaxNickLength = 30\n"
                             "PingTimeout = 600\n"
                             "PongTimeout = 600\n"
                             "[Options]\n"
                             "PAM = no\n"
                             "Ident = no\n"
                             "DNS = no\n")
                             .arg(port_)
                             .arg(run)
                             .arg(root ? 65534 : ::getuid())
                             .arg(root ? 65534 : ::getgid());
  const QString configPath = dir_.filePath(QStringLiteral("ngircd.conf"));
  QFile file(configPath);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(config.toUtf8());
  file.close();

  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(program, {QStringLiteral("-n"), QStringLiteral("-f"), configPath});
  if (!process_.waitForStarted(5000)) return;
  ready_ = waitFor([this] { return process_.state() == QProcess::Running && accepts(port_); },
                   std::chrono::seconds(15));
}

NgircdServer::~NgircdServer() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

QString NgircdServer::output() { return QString::fromLocal8Bit(process_.readAll()); }

}  // namespace tv::test
