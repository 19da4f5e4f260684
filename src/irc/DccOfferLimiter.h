#pragma once
// How many file offers received on IRC may start the receiver: one per sender in any
// ten seconds and ten per minute for the pane, so that a flood of offers cannot start
// a flood of programs. Refused offers are counted for one report per minute. Pure:
// the caller passes a monotonic time in milliseconds.

#include <QHash>
#include <QList>
#include <QString>

namespace tv::irc {

class DccOfferLimiter {
 public:
  static constexpr qint64 kSenderGapMs = 10000;
  static constexpr qint64 kWindowMs = 60000;
  static constexpr int kPerWindow = 10;

  // True when an offer from `sender` may start now; it is then counted against both
  // limits. False: the offer was counted as refused.
  bool admit(const QString &sender, qint64 nowMs);
  // Refused offers since the last take; taking resets the count.
  int takeRefused();
  int refused() const { return refused_; }

 private:
  QHash<QString, qint64> lastBySender_;
  QList<qint64> starts_;  // within the last window, oldest first
  int refused_ = 0;
};

}  // namespace tv::irc
