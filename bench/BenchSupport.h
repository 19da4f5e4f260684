#pragma once
// What the benchmark programs share: waiting on the event loop, timings in
// milliseconds, medians. Header only; UI thread.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace tv::bench {

// Runs the event loop until `done` is true; false when `timeoutMs` passed first.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

inline double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace tv::bench
