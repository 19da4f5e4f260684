#pragma once
// What the program's message box and input box share: a top-level, non-modal window
// with a column of 21 message labels lblMSG(0)..lblMSG(20), 240 twips apart, that
// disables the main window while it is shown. Several boxes may be open at once (an
// input box, then the message about what was typed): the main window is enabled again
// only when the last of them closes or is hidden; minimising a box does not count.
// Geometry is designed in twips and converted with the screen's DPI.

#include <QPointer>
#include <QWidget>

#include <array>

class QLabel;
class QPushButton;

namespace tv::app {

class BoxBase : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLineCount = 21;
  static constexpr int kLineTwips = 240;
  static constexpr int kWidthTwips = 8400;

  // `mainWindow` is disabled while the box is shown; it is not the box's parent, so
  // that disabling it does not disable the box.
  explicit BoxBase(QWidget *mainWindow);
  ~BoxBase() override;

  QLabel *label(int i) const { return labels_[static_cast<size_t>(i)]; }
  QWidget *mainWindow() const { return main_; }

 protected:
  // Counts this box among those holding the main window disabled, disables it and lets
  // pending events run once.
  void disableMainWindow();
  // Empties the labels, fills them with the message's lines (split at CR LF) and sets
  // the caption. Returns the number of lines (at least 1; at most 21 are shown).
  int setMessage(const QString &message, const QString &title);
  QPushButton *makeButton(const QString &objectName, const QString &caption);
  int px(int twips) const;
  // Sets the client size; the frame's own height comes on top.
  void setClientHeightTwips(int twips);
  void showBox();

  void closeEvent(QCloseEvent *event) override;
  void hideEvent(QHideEvent *event) override;

 private:
  // This box no longer holds the main window; the last one to let go enables it.
  void enableMainWindow();

  QPointer<QWidget> main_;
  std::array<QLabel *, kLineCount> labels_{};
};

}  // namespace tv::app
