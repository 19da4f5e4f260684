#pragma once
// A scripted IRC server for benchmarks: it listens on loopback and serves every
// connection from a thread of its own, so that writing a large script never waits for
// the program under test, which reads on the main thread. Lines received are kept
// per connection; bytes to send are queued per connection.

#include <QByteArray>
#include <QList>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class ScriptServer {
 public:
  ScriptServer();
  ~ScriptServer();
  ScriptServer(const ScriptServer &) = delete;
  ScriptServer &operator=(const ScriptServer &) = delete;

  quint16 port() const { return port_; }
  int connections() const;
  // Queues bytes for connection n (in the order connections were accepted).
  void send(int n, QByteArray bytes);
  // True once connection n has sent a line starting with `prefix`.
  bool hasLine(int n, const QByteArray &prefix) const;
  // True once everything queued for connection n was written to its socket.
  bool drained(int n) const;

 private:
  struct Connection {
    int fd = -1;
    QByteArray in;
    QList<QByteArray> lines;
    QByteArray out;
  };
  void run();
  void wake();

  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  quint16 port_ = 0;
  mutable std::mutex mutex_;
  std::vector<Connection> connections_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
