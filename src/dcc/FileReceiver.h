#pragma once
// The receiving end of one transfer, without a window: connects to the sender, writes
// every byte that arrives into a side file (PartFile) and gives the file its final
// name when the announced size is reached. Complete means bytes written = announced
// size. Bytes past that size are never written: they end the connection (oversize).
// With Acknowledge::Standard every read is answered with the count of bytes so far,
// 32-bit big-endian modulo 2^32, as IRC clients expect; our own sender ignores it.
// There is no time-out while receiving; the window's connect timer calls
// abortConnect(), after which a late connection does nothing.
//
// Threading: UI thread; socket events arrive from its event loop. Every end is
// reported once: completed (with oversize possibly after it), or one of
// connectFailed, disconnected, writeFailed.

#include "dcc/PartFile.h"

#include <QObject>
#include <QTcpSocket>

namespace tv::dcc {

class FileReceiver : public QObject {
  Q_OBJECT
 public:
  enum class Acknowledge { None, Standard };

  explicit FileReceiver(Acknowledge acknowledge, QObject *parent = nullptr);
  ~FileReceiver() override;

  // Creates the side file for finalPath; 0 or an errno value (nothing else started).
  int prepare(const QString &finalPath);
  // Connects to the sender. replaceExisting: the user agreed to replace the final name.
  void connectTo(quint32 address, quint16 port, qint64 size, bool replaceExisting);
  // The connect timer fired: the attempt ends and the empty side file goes.
  void abortConnect();
  // The window closes: the connection ends, a short side file stays.
  void close();

  qint64 received() const { return part_.written(); }
  qint64 size() const { return size_; }
  const PartFile &part() const { return part_; }
  QTcpSocket &socket() { return socket_; }

 Q_SIGNALS:
  void connected();
  void progressed(qint64 received);
  // Every byte is there. renameError: 0, or why the file kept its side name.
  void completed(int renameError);
  // More bytes than announced arrived; the connection was closed.
  void oversize();
  void connectFailed();
  // The sender ended the connection (or it broke) before the file was complete.
  void disconnected();
  void writeFailed(int error);

 private:
  void onConnected();
  void onReadyRead();
  void onEnded();
  void finishComplete();
  void endConnection();

  Acknowledge acknowledge_;
  QTcpSocket socket_;
  PartFile part_;
  qint64 size_ = 0;
  bool replace_ = false;
  bool connected_ = false;
  bool complete_ = false;
  bool ended_ = false;  // an end has been reported (or the attempt aborted)
};

}  // namespace tv::dcc
