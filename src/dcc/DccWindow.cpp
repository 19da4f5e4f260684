#include "dcc/DccWindow.h"

#include "app/Fonts.h"
#include "app/UiRoutines.h"
#include "dcc/DccStatusBar.h"
#include "dcc/DccWidgets.h"
#include "dcc/ValueLabel.h"

#include <QCheckBox>
#include <QEvent>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

namespace tv::dcc {

namespace {
constexpr int kCaptionWidth = 1290;
constexpr int kButtonHeight = 435, kButtonStep = 465, kButtonTop = 45;
constexpr int kBarHeight = 180;
}  // namespace

DccWindow::DccWindow(const QString &objectName, const QString &caption, QWidget *parent)
    : QWidget(parent),
      status_(new DccStatusBar(this)),
      prgTx_(new QProgressBar(this)),
      btnCancel_(PictureButton(QStringLiteral("btnCancel"), QStringLiteral("中止"),
                               QStringLiteral("ここをクリックすると処理を中止します。"),
                               QStyle::SP_DialogCancelButton, this)) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setFont(app::LogFont(9));
  prgTx_->setObjectName(QStringLiteral("prgTx"));
  prgTx_->setAccessibleName(QStringLiteral("進捗"));
  prgTx_->setRange(0, 100);
  prgTx_->setValue(0);
  prgTx_->setTextVisible(false);
  connect(btnCancel_, &QToolButton::clicked, this, &QWidget::close);
}

void DccWindow::place(QWidget *widget, int left, int top, int width, int height) {
  widget->setGeometry(app::TwipsToPixels(this, left), app::TwipsToPixels(this, top),
                      app::TwipsToPixels(this, width), app::TwipsToPixels(this, height));
}

void DccWindow::fixSize(int width, int height) {
  place(status_, 0, height - kStatusHeight, width, kStatusHeight);
  setFixedSize(app::TwipsToPixels(this, width), app::TwipsToPixels(this, height));
}

ValueLabel *DccWindow::valueRow(const QString &objectName, const QString &caption, int captionLeft,
                                int valueLeft, int top, int width) {
  place(CaptionLabel(caption, this), captionLeft, top, kCaptionWidth, kRow);
  auto *value = new ValueLabel(objectName, caption, this);
  place(value, valueLeft, top, width, kRow);
  return value;
}

QCheckBox *DccWindow::checkBox(const QString &objectName, const QString &text, int left, int top,
                               int width) {
  auto *box = new QCheckBox(text, this);
  box->setObjectName(objectName);
  place(box, left, top, width, kRow + 30);
  return box;
}

void DccWindow::placeProgress(int left, int top, int width) {
  place(prgTx_, left, top, width, kBarHeight);
}

void DccWindow::placeButtons(std::initializer_list<QToolButton *> buttons, int left) {
  int top = kButtonTop;
  for (QToolButton *button : buttons) {
    place(button, left, top, kButtonWidth, kButtonHeight);
    top += kButtonStep;
  }
  place(btnCancel_, left, top, kButtonWidth, kButtonHeight);
}

void DccWindow::showProgress(ValueLabel *count, qint64 done, qint64 total, bool exact) {
  if (!refresh_.due(exact)) return;
  count->setValue(QString::number(done));
  const int percent = ProgressPercent(done, total);
  if (percent < 0) return;
  prgTx_->setValue(percent);
  setWindowTitle(QString::number(percent) + u'%');
}

void DccWindow::showDone() {
  prgTx_->setValue(100);
  setWindowTitle(QStringLiteral("完了"));
}

void DccWindow::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  // The window keeps its one size: a maximised window goes back to normal.
  if (event->type() == QEvent::WindowStateChange && isMaximized())
    QTimer::singleShot(0, this, &QWidget::showNormal);
}

}  // namespace tv::dcc
