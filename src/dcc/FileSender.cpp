#include "dcc/FileSender.h"

#include <QElapsedTimer>

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace tv::dcc {

FileSender::FileSender(QObject *parent) : QObject(parent) {
  connect(&server_, &QTcpServer::newConnection, this, &FileSender::onNewConnection);
}

FileSender::~FileSender() { stop(); }

void FileSender::setFile(const QString &path, qint64 size) {
  path_ = path;
  size_ = size;
}

bool FileSender::listen(quint16 port) { return server_.listen(QHostAddress::AnyIPv4, port); }

void FileSender::stop() {
  server_.close();
  if (socket_) socket_->abort();
  file_.close();
}

void FileSender::onNewConnection() {
  QTcpSocket *socket = server_.nextPendingConnection();
  // Only one receiver is served: listening ends with the first connection.
  server_.close();
  while (QTcpSocket *extra = server_.nextPendingConnection()) extra->deleteLater();
  if (!socket || socket_) {
    if (socket) socket->deleteLater();
    return;
  }
  socket_ = socket;
  socket_->setParent(this);
  connect(socket_, &QTcpSocket::bytesWritten, this, &FileSender::onBytesWritten);
  // Acknowledgements of standard receivers are not needed here.
  connect(socket_, &QTcpSocket::readyRead, this,
          [this] { socket_->skip(socket_->bytesAvailable()); });
  connect(socket_, &QTcpSocket::disconnected, this, &FileSender::onEnded);
  connect(socket_, &QTcpSocket::errorOccurred, this, &FileSender::onEnded);
  Q_EMIT accepted(socket_->localAddress(), socket_->localPort(), socket_->peerAddress(),
                  socket_->peerPort());
  file_.setFileName(path_);
  if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    fail();
    return;
  }
  sendNextBlock();
}

void FileSender::sendNextBlock() {
  if (failed_ || finished_ || !socket_) return;
  if (sent_ >= size_) {
    finished_ = true;
    file_.close();
    // The receiver learns that the data ended; what is queued still goes out.
    ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
    Q_EMIT finished();
    return;
  }
  const qint64 n = std::min(kBlockBytes, size_ - sent_);
  const bool checkpoint = sent_ / kCheckBytes != (sent_ + n) / kCheckBytes || sent_ == 0;
  if ((checkpoint && !fileStillOffered()) || file_.read(block_.data(), n) != n) {
    fail();
    return;
  }
  lastBlock_ = n;
  outstanding_ = n;
  if (socket_->write(block_.data(), n) != n) fail();
}

void FileSender::onBytesWritten(qint64 bytes) {
  outstanding_ -= bytes;
  if (outstanding_ > 0 || finished_ || failed_) return;
  sent_ += lastBlock_;
  lastBlock_ = 0;
  Q_EMIT progressed(sent_);
  sendNextBlock();
}

bool FileSender::fileStillOffered() const {
  struct stat opened {
  }, named{};
  if (::fstat(int(file_.handle()), &opened) != 0) return false;
  if (::stat(QFile::encodeName(path_).constData(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino && opened.st_size >= size_;
}

void FileSender::onEnded() {
  if (finished_ || failed_) return;
  fail();
}

void FileSender::fail() {
  if (failed_) return;
  failed_ = true;
  file_.close();
  if (socket_) socket_->abort();
  Q_EMIT failed();
}

void FileSender::finishGracefully(int timeoutMs) {
  server_.close();
  if (!socket_ || !finished_ || socket_->state() != QAbstractSocket::ConnectedState) {
    stop();
    return;
  }
  // A second descriptor keeps the connection open while the socket object lets go of
  // its own; this loop then owns it.
  const int fd = ::dup(int(socket_->socketDescriptor()));
  socket_->abort();
  if (fd < 0) return;
  QElapsedTimer elapsed;
  elapsed.start();
  char sink[4096];
  for (;;) {
    int queued = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) != 0 || queued == 0) break;
    const qint64 left = timeoutMs - elapsed.elapsed();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, int(std::min<qint64>(left, 20))) < 0 && errno != EINTR) break;
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;  // receiver closed
    }
  }
  // Whatever the receiver still sent is read, so closing does not reset the connection.
  while (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
  }
  ::close(fd);
}

}  // namespace tv::dcc
