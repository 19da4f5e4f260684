#pragma once
// A scripted IRC server on loopback for pane tests: it accepts connections, decodes
// what clients send (ISO-2022-JP lines) and writes the lines a test gives it.

#include "ircsock/Iso2022JpDecoder.h"

#include <QList>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace tv::test {

class ScriptedServer : public QObject {
 public:
  ScriptedServer();

  QString portText() const { return QString::number(server_.serverPort()); }
  // Waits until `count` clients are connected.
  bool waitForClients(int count);
  // Lines received from client `n`, in order.
  const QStringList &received(int n = 0) const { return clients_[n]->lines; }
  // Every byte received from client `n`, CR LF included.
  const QByteArray &receivedBytes(int n = 0) const { return clients_[n]->bytes; }
  bool waitForLine(const QString &line, int n = 0);
  // Writes lines (without CR LF) to client `n`, ISO-2022-JP encoded.
  void send(const QStringList &lines, int n = 0);
  void sendBytes(const QByteArray &bytes, int n = 0);
  void disconnect(int n = 0);

 private:
  struct Client {
    QTcpSocket *socket = nullptr;
    ircsock::Iso2022JpDecoder decoder;
    QStringList lines;
    QByteArray bytes;
  };
  QTcpServer server_;
  std::vector<std::unique_ptr<Client>> clients_;
};

}  // namespace tv::test
