#include "irc/DccOfferLimiter.h"

namespace tv::irc {

bool DccOfferLimiter::admit(const QString &sender, qint64 nowMs) {
  while (!starts_.isEmpty() && nowMs - starts_.first() >= kWindowMs) starts_.removeFirst();
  // Only admitted offers are remembered, so the map holds at most kPerWindow senders
  // that still matter; older ones are dropped here.
  for (auto it = lastBySender_.begin(); it != lastBySender_.end();)
    it = nowMs - it.value() >= kSenderGapMs ? lastBySender_.erase(it) : std::next(it);
  if (lastBySender_.contains(sender) || starts_.size() >= kPerWindow) {
    ++refused_;
    return false;
  }
  lastBySender_.insert(sender, nowMs);
  starts_.append(nowMs);
  return true;
}

int DccOfferLimiter::takeRefused() {
  const int n = refused_;
  refused_ = 0;
  return n;
}

}  // namespace tv::irc
