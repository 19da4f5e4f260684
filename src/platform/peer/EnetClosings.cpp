#include "platform/peer/EnetClosings.h"

#include "platform/peer/EnetHostThread.h"

#include <algorithm>

namespace tv::peer {

EnetClosings::~EnetClosings() {
  for (const auto &host : closing_) host->join();
}

void EnetClosings::adopt(std::shared_ptr<EnetHostThread> host) {
  reapFinished();
  if (host) closing_.push_back(std::move(host));
}

void EnetClosings::waitForPort(quint16 port) {
  reapFinished();
  std::erase_if(closing_, [port](const std::shared_ptr<EnetHostThread> &host) {
    if (host->localEndpoint().port != port) return false;
    host->join();
    return true;
  });
}

void EnetClosings::reapFinished() {
  std::erase_if(closing_, [](const std::shared_ptr<EnetHostThread> &host) {
    if (!host->finished()) return false;
    host->join();
    return true;
  });
}

}  // namespace tv::peer
