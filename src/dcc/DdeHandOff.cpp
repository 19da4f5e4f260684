#include "dcc/DdeHandOff.h"

namespace tv::dcc {

DdeHandOff::DdeHandOff(Process process, QObject *parent)
    : QObject(parent), process_(std::move(process)) {
  setObjectName(QStringLiteral("txtDDE"));
  timDDE_.setObjectName(QStringLiteral("timDDE"));
  timDDE_.setSingleShot(true);
  timDDE_.setInterval(kDelayMs);
  connect(&timDDE_, &QTimer::timeout, this, &DdeHandOff::timDDE_Timer);
}

bool DdeHandOff::setText(const QString &text) {
  if (text.isEmpty()) return true;
  if (pending_.size() >= kMaxPending) return false;
  pending_.append(text);
  // A running timer is not restarted: a steady trickle of offers must not hold back
  // the first one.
  if (!timDDE_.isActive()) timDDE_.start();
  return true;
}

void DdeHandOff::timDDE_Timer() {
  // Processing may let events run (a pause between session calls); offers arriving
  // then wait for the next tick.
  const QStringList lines = std::exchange(pending_, {});
  for (const QString &line : lines)
    if (process_) process_(line);
}

}  // namespace tv::dcc
