#pragma once
// A private ngircd for one test: started in the foreground on 127.0.0.1 with a
// generated configuration and a free port, as the current user (or nobody, when the
// test runs as root), and ended with the object. Never the system's daemon.

#include <QProcess>
#include <QTemporaryDir>

namespace tv::test {

class NgircdServer {
 public:
  NgircdServer();
  ~NgircdServer();
  NgircdServer(const NgircdServer &) = delete;
  NgircdServer &operator=(const NgircdServer &) = delete;

  // True once the server accepts connections.
  bool isReady() const { return ready_; }
  quint16 port() const { return port_; }
  QString portText() const { return QString::number(port_); }
  // What the server printed, for failure messages.
  QString output();

 private:
  QTemporaryDir dir_;
  QProcess process_;
  quint16 port_ = 0;
  bool ready_ = false;
};

}  // namespace tv::test
