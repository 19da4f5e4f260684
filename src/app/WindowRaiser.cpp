#include "app/WindowRaiser.h"

#include <QApplication>
#include <QEvent>

namespace tv::app {

WindowRaiser::WindowRaiser(QWidget *mainWindow, QObject *parent)
    : QObject(parent), main_(mainWindow) {
  qApp->installEventFilter(this);
}

bool WindowRaiser::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::WindowActivate) {
    auto *w = qobject_cast<QWidget *>(watched);
    if (w && w->isWindow()) lastActive_ = w;
  }
  return QObject::eventFilter(watched, event);
}

QWidget *WindowRaiser::lastActiveWindow() const {
  if (lastActive_ && lastActive_->isVisible()) return lastActive_;
  return main_;
}

void WindowRaiser::raise() {
  if (!main_) return;
  if (main_->isMinimized()) main_->setWindowState(main_->windowState() & ~Qt::WindowMinimized);
  if (!main_->isVisible()) main_->show();
  QWidget *target = lastActiveWindow();
  if (target->isMinimized()) target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
  target->raise();
  target->activateWindow();
}

}  // namespace tv::app
