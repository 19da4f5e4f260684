#pragma once
// The hidden link text box txtDDE and its timer timDDE, as the main window and every
// IRC pane have them: an accepted offer line is not processed at once but 500 ms after
// it arrived, from the timer, never inside the call that brought it. Offers that come
// within those 500 ms wait in order and are all processed, the oldest first, when the
// timer fires; none replaces another. At most kMaxPending wait at a time. UI thread
// only.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace tv::dcc {

class DdeHandOff : public QObject {
  Q_OBJECT
 public:
  static constexpr int kDelayMs = 500;
  static constexpr int kMaxPending = 32;

  // Runs once per offer line, in the order they arrived.
  using Process = std::function<void(const QString &text)>;
  explicit DdeHandOff(Process process, QObject *parent = nullptr);

  // The text of txtDDE changed to `text`: queued, and timDDE started unless it runs.
  // Empty text does nothing; false when kMaxPending lines already wait.
  bool setText(const QString &text);
  // The lines waiting for the timer.
  const QStringList &pending() const { return pending_; }

 private:
  void timDDE_Timer();

  Process process_;
  QStringList pending_;
  QTimer timDDE_;
};

}  // namespace tv::dcc
