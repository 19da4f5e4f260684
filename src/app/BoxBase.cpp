#include "app/BoxBase.h"

#include "app/Fonts.h"
#include "app/UiRoutines.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QWindow>

namespace tv::app {
namespace {

// The boxes that hold one main window disabled. A child of that window, so that every
// box made for it, by whichever owner, is counted in one place and the count goes
// when the window does.
class MainWindowHolds : public QObject {
 public:
  static MainWindowHolds *find(QWidget *main) {
    return dynamic_cast<MainWindowHolds *>(
        main->findChild<QObject *>(kName, Qt::FindDirectChildrenOnly));
  }
  static MainWindowHolds *of(QWidget *main) {
    MainWindowHolds *holds = find(main);
    return holds ? holds : new MainWindowHolds(main);
  }

  void hold(const BoxBase *box, QWidget *main) {
    boxes_.insert(box);
    main->setEnabled(false);
  }
  void release(const BoxBase *box, QWidget *main) {
    if (boxes_.remove(box) && boxes_.isEmpty()) main->setEnabled(true);
  }

 private:
  static inline const QString kName = QStringLiteral("boxHolds");
  explicit MainWindowHolds(QObject *main) : QObject(main) { setObjectName(kName); }
  QSet<const BoxBase *> boxes_;
};

}  // namespace

BoxBase::BoxBase(QWidget *mainWindow) : QWidget(nullptr, Qt::Dialog), main_(mainWindow) {
  setFont(LogFont(9));
  setAttribute(Qt::WA_DeleteOnClose, false);
  for (int i = 0; i < kLineCount; ++i) {
    auto *l = new QLabel(this);
    l->setObjectName(ArrayName(QStringLiteral("lblMSG"), i));
    l->setTextFormat(Qt::PlainText);  // messages may quote names from the network
    l->setGeometry(px(120), px(i * kLineTwips), px(kWidthTwips - 240), px(kLineTwips));
    labels_[static_cast<size_t>(i)] = l;
  }
  resize(px(kWidthTwips), px(kLineTwips + 600));
}

BoxBase::~BoxBase() { enableMainWindow(); }

int BoxBase::px(int twips) const { return TwipsToPixels(this, twips); }

void BoxBase::disableMainWindow() {
  if (main_) MainWindowHolds::of(main_)->hold(this, main_);
  QCoreApplication::processEvents();
}

void BoxBase::enableMainWindow() {
  if (!main_) return;
  if (MainWindowHolds *holds = MainWindowHolds::find(main_)) holds->release(this, main_);
}

int BoxBase::setMessage(const QString &message, const QString &title) {
  for (QLabel *l : labels_) l->clear();
  const QStringList lines = message.split(QStringLiteral("\r\n"));
  for (int i = 0; i < lines.size() && i < kLineCount; ++i)
    labels_[static_cast<size_t>(i)]->setText(lines[i]);
  setWindowTitle(title);
  // Labels tell assistive tools nothing of their text: the box's description does.
  setAccessibleDescription(lines.join(u'\n'));
  return static_cast<int>(lines.size());
}

QPushButton *BoxBase::makeButton(const QString &objectName, const QString &caption) {
  auto *b = new QPushButton(caption, this);
  b->setObjectName(objectName);
  b->resize(px(1215), px(375));
  return b;
}

void BoxBase::setClientHeightTwips(int twips) { setFixedSize(px(kWidthTwips), px(twips)); }

void BoxBase::showBox() {
  if (main_) {
    // Keep the box above the main window without making it a child of it.
    winId();
    if (QWindow *w = windowHandle(); w && main_->windowHandle())
      w->setTransientParent(main_->windowHandle());
  }
  show();
  raise();
  activateWindow();
}

void BoxBase::closeEvent(QCloseEvent *event) {
  enableMainWindow();
  QWidget::closeEvent(event);
}

void BoxBase::hideEvent(QHideEvent *event) {
  // A spontaneous hide is the window system's: the box was minimised, not closed.
  if (!event->spontaneous()) enableMainWindow();
  QWidget::hideEvent(event);
}

}  // namespace tv::app
