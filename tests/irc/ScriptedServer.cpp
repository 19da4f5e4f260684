#include "ScriptedServer.h"

#include "common/TestSupport.h"
#include "ircsock/Iso2022JpEncoder.h"

namespace tv::test {

ScriptedServer::ScriptedServer() {
  server_.listen(QHostAddress::LocalHost);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
      auto client = std::make_unique<Client>();
      client->socket = socket;
      Client *c = client.get();
      connect(socket, &QTcpSocket::readyRead, this, [c] {
        const QByteArray bytes = c->socket->readAll();
        c->bytes += bytes;
        c->decoder.feed(bytes, [c](QString &&line, qsizetype) {
          c->lines.append(line);
          return true;
        });
      });
      clients_.push_back(std::move(client));
    }
  });
}

bool ScriptedServer::waitForClients(int count) {
  return waitFor([&] { return int(clients_.size()) >= count; });
}

bool ScriptedServer::waitForLine(const QString &line, int n) {
  return waitFor([&] { return int(clients_.size()) > n && clients_[n]->lines.contains(line); });
}

void ScriptedServer::send(const QStringList &lines, int n) {
  QByteArray bytes;
  for (const QString &line : lines) bytes += ircsock::encodeIso2022Jp(line) + "\r\n";
  sendBytes(bytes, n);
}

void ScriptedServer::sendBytes(const QByteArray &bytes, int n) {
  clients_[n]->socket->write(bytes);
  clients_[n]->socket->flush();
}

void ScriptedServer::disconnect(int n) { clients_[n]->socket->disconnectFromHost(); }

}  // namespace tv::test
