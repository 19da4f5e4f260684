#include "app/WindowPlacement.h"

#include "app/Settings.h"
#include "app/UiRoutines.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tv::app {

WindowPlacement::WindowPlacement(QWidget *window, const Settings &settings, QString section,
                                 QSize defaultTwips)
    : window_(window), settings_(settings), section_(std::move(section)), default_(defaultTwips) {}

QRect WindowPlacement::workArea() const {
  const QScreen *screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void WindowPlacement::load() {
  const QRect screen = workArea();
  const int screenW = PixelsToTwips(window_, screen.width());
  const int screenH = PixelsToTwips(window_, screen.height());
  auto read = [&](const char16_t *key, int def) {
    return static_cast<int>(settings_.ReadIniNumber(section_, key, QString::number(def)));
  };
  const int left = read(u"Left", (screenW - default_.width()) / 2);
  const int top = read(u"Top", (screenH - default_.height()) / 2);
  const int width = read(u"Width", default_.width());
  const int height = read(u"Height", default_.height());
  const int state = read(u"WindowState", 0);
  window_->move(screen.left() + TwipsToPixels(window_, left),
                screen.top() + TwipsToPixels(window_, top));
  window_->resize(std::max(1, TwipsToPixels(window_, width)),
                  std::max(1, TwipsToPixels(window_, height)));
  normal_ = QRect(window_->pos(), window_->size());
  if (state == 1)
    window_->setWindowState(Qt::WindowMinimized);
  else if (state == 2)
    window_->setWindowState(Qt::WindowMaximized);
}

void WindowPlacement::remember() {
  if (!(window_->windowState() &
        (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
    normal_ = QRect(window_->pos(), window_->size());
}

void WindowPlacement::save() {
  remember();
  const QRect screen = workArea();
  int state = 0;
  if (window_->windowState() & Qt::WindowMinimized)
    state = 1;
  else if (window_->windowState() & Qt::WindowMaximized)
    state = 2;
  settings_.WriteIni(section_, u"Left", PixelsToTwips(window_, normal_.left() - screen.left()));
  settings_.WriteIni(section_, u"Top", PixelsToTwips(window_, normal_.top() - screen.top()));
  settings_.WriteIni(section_, u"Width", PixelsToTwips(window_, normal_.width()));
  settings_.WriteIni(section_, u"Height", PixelsToTwips(window_, normal_.height()));
  settings_.WriteIni(section_, u"WindowState", state);
}

}  // namespace tv::app
