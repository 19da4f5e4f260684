#pragma once
// What TvDcc's two windows share: a fixed-size window laid out in twips (a maximised
// window goes back to normal), the value rows, the progress bar prgTx with the
// percentage as the window's caption, the check boxes, the picture buttons down the
// right-hand side with 中止 closing the window, and the status bar. UI thread only.

#include "dcc/TransferProgress.h"

#include <QWidget>

#include <initializer_list>

class QCheckBox;
class QProgressBar;
class QToolButton;

namespace tv::dcc {

class DccStatusBar;
class ValueLabel;

class DccWindow : public QWidget {
  Q_OBJECT
 public:
  QToolButton *btnCancel() const { return btnCancel_; }
  QProgressBar *prgTx() const { return prgTx_; }
  DccStatusBar *statusBar() const { return status_; }

 protected:
  DccWindow(const QString &objectName, const QString &caption, QWidget *parent);

  // Geometry in twips.
  void place(QWidget *widget, int left, int top, int width, int height);
  // The client size; the status bar takes the bottom kStatusHeight.
  void fixSize(int width, int height);
  // A caption at captionLeft and its value label beside it, one row high.
  ValueLabel *valueRow(const QString &objectName, const QString &caption, int captionLeft,
                       int valueLeft, int top, int width);
  QCheckBox *checkBox(const QString &objectName, const QString &text, int left, int top, int width);
  void placeProgress(int left, int top, int width);
  // The buttons one below the other at `left`, 中止 (btnCancel) last.
  void placeButtons(std::initializer_list<QToolButton *> buttons, int left);

  // The count label, the bar and the caption for done of total bytes: at most every
  // RefreshPacer::kRefreshMs, always when exact.
  void showProgress(ValueLabel *count, qint64 done, qint64 total, bool exact);
  // The caption "完了" and a full bar.
  void showDone();

  void changeEvent(QEvent *event) override;

  static constexpr int kRow = 240;
  static constexpr int kButtonWidth = 1290;
  static constexpr int kStatusHeight = 330;

  DccStatusBar *status_;

 private:
  QProgressBar *prgTx_;
  QToolButton *btnCancel_;
  RefreshPacer refresh_;
};

}  // namespace tv::dcc
