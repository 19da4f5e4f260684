#pragma once
// The status bar of both TvDcc windows: the first panel carries every message ("状態"),
// the second names a file that was left incomplete ("未完了のファイル"); it is shown
// only while it has something to say. Both panels carry their text as accessible
// description too.

#include <QStatusBar>

class QLabel;

namespace tv::dcc {

class DccStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  explicit DccStatusBar(QWidget *parent);

  void setStatus(const QString &text);
  QString status() const;
  // "未完了のファイル: " + name; an empty name hides the panel.
  void setIncompleteFile(const QString &name);
  QLabel *panel(int index) const { return index == 0 ? status_ : incomplete_; }

 private:
  QLabel *status_;
  QLabel *incomplete_;
};

}  // namespace tv::dcc
