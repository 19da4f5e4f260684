#include "ScriptServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ScriptServer::ScriptServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
    return;
  port_ = ntohs(address.sin_port);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return;
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  thread_ = std::thread([this] { run(); });
}

ScriptServer::~ScriptServer() {
  stop_ = true;
  wake();
  if (thread_.joinable()) thread_.join();
  for (const Connection &c : connections_) ::close(c.fd);
  for (int fd : {listener_, wakeRead_, wakeWrite_})
    if (fd >= 0) ::close(fd);
}

int ScriptServer::connections() const {
  std::lock_guard lock(mutex_);
  return int(connections_.size());
}

void ScriptServer::send(int n, QByteArray bytes) {
  {
    std::lock_guard lock(mutex_);
    connections_[size_t(n)].out += bytes;
  }
  wake();
}

bool ScriptServer::hasLine(int n, const QByteArray &prefix) const {
  std::lock_guard lock(mutex_);
  if (n >= int(connections_.size())) return false;
  for (const QByteArray &line : connections_[size_t(n)].lines)
    if (line.startsWith(prefix)) return true;
  return false;
}

bool ScriptServer::drained(int n) const {
  std::lock_guard lock(mutex_);
  return n < int(connections_.size()) && connections_[size_t(n)].out.isEmpty();
}

void ScriptServer::wake() {
  if (wakeWrite_ >= 0) (void)!::write(wakeWrite_, "x", 1);
}

void ScriptServer::run() {
  char buffer[65536];
  while (!stop_) {
    std::vector<pollfd> fds = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    {
      std::lock_guard lock(mutex_);
      for (const Connection &c : connections_)
        fds.push_back({c.fd, short(POLLIN | (c.out.isEmpty() ? 0 : POLLOUT)), 0});
    }
    if (::poll(fds.data(), fds.size(), 100) <= 0) continue;
    if (fds[1].revents & POLLIN)
      while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
      }
    std::lock_guard lock(mutex_);
    if (fds[0].revents & POLLIN) {
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd >= 0) connections_.push_back({fd, {}, {}, {}});
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      Connection &c = connections_[i - 2];
      if (fds[i].revents & POLLIN) {
        const ssize_t got = ::read(c.fd, buffer, sizeof buffer);
        if (got > 0) {
          c.in.append(buffer, got);
          qsizetype end;
          while ((end = c.in.indexOf('\n')) >= 0) {
            c.lines.append(c.in.left(end).trimmed());
            c.in.remove(0, end + 1);
          }
        }
      }
      if ((fds[i].revents & POLLOUT) && !c.out.isEmpty()) {
        const ssize_t put = ::write(c.fd, c.out.constData(), size_t(c.out.size()));
        if (put > 0) c.out.remove(0, put);
      }
    }
  }
}
