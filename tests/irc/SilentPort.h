#pragma once
// A loopback port that never answers a connect: its listen queue is kept full, so the
// kernel drops further SYNs and a connect neither succeeds nor fails. For connect
// time-out tests that must not leave the machine.

#include <QtGlobal>

#include <vector>

namespace tv::test {

class SilentPort {
 public:
  SilentPort();
  ~SilentPort();
  SilentPort(const SilentPort &) = delete;
  SilentPort &operator=(const SilentPort &) = delete;

  bool isValid() const { return port_ != 0; }
  quint16 port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  quint16 port_ = 0;
};

}  // namespace tv::test
