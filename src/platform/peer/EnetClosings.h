#pragma once
// ENet hosts of closed transports that are still saying goodbye on their own threads.
// A transport about to bind a port waits here for a closing host on that port; the
// last owner (EnetPlatform, when the program ends) waits for all of them, for at most
// their grace each. UI thread only.

#include <QtGlobal>

#include <memory>
#include <vector>

namespace tv::peer {

class EnetHostThread;

class EnetClosings {
 public:
  EnetClosings() = default;
  ~EnetClosings();
  EnetClosings(const EnetClosings &) = delete;
  EnetClosings &operator=(const EnetClosings &) = delete;

  // Keeps a stopped host until its thread has ended.
  void adopt(std::shared_ptr<EnetHostThread> host);
  // Returns once no closing host holds the port.
  void waitForPort(quint16 port);

 private:
  void reapFinished();

  std::vector<std::shared_ptr<EnetHostThread>> closing_;
};

}  // namespace tv::peer
