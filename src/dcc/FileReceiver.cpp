#include "dcc/FileReceiver.h"

#include <QHostAddress>
#include <QtEndian>

#include <algorithm>

namespace tv::dcc {

namespace {
// Bytes taken from the socket per read; also the most the socket buffers for us.
constexpr qint64 kReadBytes = 256 * 1024;
}  // namespace

FileReceiver::FileReceiver(Acknowledge acknowledge, QObject *parent)
    : QObject(parent), acknowledge_(acknowledge) {
  socket_.setReadBufferSize(kReadBytes);
  connect(&socket_, &QTcpSocket::connected, this, &FileReceiver::onConnected);
  connect(&socket_, &QTcpSocket::readyRead, this, &FileReceiver::onReadyRead);
  connect(&socket_, &QTcpSocket::disconnected, this, &FileReceiver::onEnded);
  connect(&socket_, &QTcpSocket::errorOccurred, this, &FileReceiver::onEnded);
}

FileReceiver::~FileReceiver() { close(); }

int FileReceiver::prepare(const QString &finalPath) { return part_.create(finalPath); }

void FileReceiver::connectTo(quint32 address, quint16 port, qint64 size, bool replaceExisting) {
  size_ = size;
  replace_ = replaceExisting;
  socket_.connectToHost(QHostAddress(address), port);
}

void FileReceiver::abortConnect() {
  if (connected_ || ended_) return;
  ended_ = true;
  socket_.abort();
  part_.discardIfEmpty();
}

void FileReceiver::close() {
  ended_ = true;
  socket_.abort();
  part_.close();
}

void FileReceiver::onConnected() {
  if (ended_) return;
  connected_ = true;
  Q_EMIT connected();
  // An empty file is complete as soon as the sender is reached.
  if (size_ == 0) finishComplete();
  if (socket_.bytesAvailable() > 0) onReadyRead();
}

void FileReceiver::onReadyRead() {
  if (!connected_ || ended_) return;
  bool any = false;
  while (socket_.bytesAvailable() > 0) {
    const QByteArray chunk = socket_.read(kReadBytes);
    if (chunk.isEmpty()) break;
    if (complete_) {  // past the end: nothing more is written
      endConnection();
      Q_EMIT oversize();
      return;
    }
    const qint64 take = std::min<qint64>(chunk.size(), size_ - part_.written());
    if (const int error = part_.write(chunk.constData(), take)) {
      endConnection();
      part_.close();
      Q_EMIT writeFailed(error);
      return;
    }
    any = true;
    if (acknowledge_ == Acknowledge::Standard) {
      const quint32 count = qToBigEndian(quint32(quint64(part_.written()) & 0xFFFFFFFFu));
      socket_.write(reinterpret_cast<const char *>(&count), sizeof count);
    }
    if (part_.written() == size_) {
      Q_EMIT progressed(part_.written());
      finishComplete();
      if (take < chunk.size()) {
        endConnection();
        Q_EMIT oversize();
        return;
      }
      any = false;
    }
  }
  if (any) Q_EMIT progressed(part_.written());
}

void FileReceiver::finishComplete() {
  complete_ = true;
  Q_EMIT completed(part_.complete(replace_));
}

void FileReceiver::onEnded() {
  if (ended_) return;
  if (!connected_) {
    ended_ = true;
    socket_.abort();
    part_.discardIfEmpty();
    Q_EMIT connectFailed();
    return;
  }
  // Bytes the socket still holds belong to the file.
  if (socket_.bytesAvailable() > 0) onReadyRead();
  if (ended_) return;
  ended_ = true;
  socket_.abort();
  if (complete_) return;  // the sender may close once it is done
  part_.close();
  Q_EMIT disconnected();
}

void FileReceiver::endConnection() {
  ended_ = true;
  socket_.abort();
}

}  // namespace tv::dcc
