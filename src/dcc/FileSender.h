#pragma once
// The sending end of one transfer, without a window: listens on every IPv4 address,
// serves the one receiver that connects first (listening stops then), and streams the
// file in blocks of at most 4096 bytes with one block outstanding: the next block is
// written only after the socket reported the previous one written. The file stays
// open; a short read, or the once-per-MiB finding that its path no longer names the
// same file or that the file became shorter than offered, fails the transfer, as does
// the receiver closing or resetting the connection before the last byte. Incoming
// bytes (receivers' acknowledgements) are read and dropped.
//
// After the last block the sending side is half-closed, so the receiver sees the end
// of the data; the connection is never reset while data is queued. Once the window is
// gone, finishGracefully() waits (at most the given time) until the receiver has
// acknowledged every byte or closed.
//
// Threading: UI thread; socket events arrive from its event loop. finishGracefully
// blocks and runs after the event loop has ended.

#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <array>
#include <memory>

namespace tv::dcc {

class FileSender : public QObject {
  Q_OBJECT
 public:
  static constexpr qint64 kBlockBytes = 4096;
  static constexpr qint64 kCheckBytes = 1024 * 1024;

  explicit FileSender(QObject *parent = nullptr);
  ~FileSender() override;

  // The file and the size that was offered.
  void setFile(const QString &path, qint64 size);
  // Listens on port (0: the system chooses) of every IPv4 address. False on failure,
  // with the reason in listenError().
  bool listen(quint16 port);
  QAbstractSocket::SocketError listenError() const { return server_.serverError(); }
  quint16 port() const { return server_.serverPort(); }
  // Stops listening and drops the connection (cancel, window closed early).
  void stop();
  // Blocks until the receiver has every byte or closed, at most timeoutMs; only after
  // the last block. Then closes the connection.
  void finishGracefully(int timeoutMs);

  qint64 sent() const { return sent_; }
  qint64 size() const { return size_; }
  bool isFinished() const { return finished_; }

 Q_SIGNALS:
  void accepted(const QHostAddress &localAddress, quint16 localPort,
                const QHostAddress &peerAddress, quint16 peerPort);
  void progressed(qint64 sent);
  void finished();
  void failed();

 private:
  void onNewConnection();
  void onBytesWritten(qint64 bytes);
  void onEnded();
  void sendNextBlock();
  bool fileStillOffered() const;
  void fail();

  QTcpServer server_;
  QTcpSocket *socket_ = nullptr;  // child of this object
  QFile file_;
  QString path_;
  qint64 size_ = 0;
  qint64 sent_ = 0;
  qint64 lastBlock_ = 0;
  qint64 outstanding_ = 0;
  bool finished_ = false;
  bool failed_ = false;
  std::array<char, kBlockBytes> block_{};
};

}  // namespace tv::dcc
