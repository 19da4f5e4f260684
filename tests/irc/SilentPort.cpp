#include "SilentPort.h"

#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tv::test {

SilentPort::SilentPort() {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
      ::listen(listener_, 0) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
    return;
  // Connections that are never accepted fill the queue of length 0 (+1).
  for (int i = 0; i < 3; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) continue;
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    fillers_.push_back(fd);
  }
  QThread::msleep(100);
  port_ = ntohs(address.sin_port);
}

SilentPort::~SilentPort() {
  for (const int fd : fillers_) ::close(fd);
  if (listener_ >= 0) ::close(listener_);
}

}  // namespace tv::test
