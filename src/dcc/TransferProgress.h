#pragma once
// The progress both windows show: the integer part of done ÷ total × 100, shown in the
// progress bar and as the window's caption ("42%"); and the pacing of those updates,
// which happen at most kRefreshMs apart while bytes flow (a transfer of 4 KiB blocks
// would otherwise redraw thousands of times a second) and exactly at the end.

#include <QElapsedTimer>
#include <QtGlobal>

namespace tv::dcc {

// -1 when either count is 0 (nothing to show); else 0 to 100, computed without
// overflow for any size below 2^63.
int ProgressPercent(qint64 done, qint64 total);

class RefreshPacer {
 public:
  static constexpr qint64 kRefreshMs = 100;
  // True when an update is due now; `exact` (the end) always is.
  bool due(bool exact) {
    if (!exact && clock_.isValid() && clock_.elapsed() < kRefreshMs) return false;
    clock_.start();
    return true;
  }

 private:
  QElapsedTimer clock_;
};

}  // namespace tv::dcc
