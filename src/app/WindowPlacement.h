#pragma once
// Windows that remember their place: a settings section named after the window with
// "Left", "Top", "Width", "Height" (twips, relative to the screen's work area) and
// "WindowState" (0 normal, 1 minimised, 2 maximised). The last rectangle the window
// had in the normal state is what is saved: the outer frame's position and the inner
// size, the same pair that load() applies, so a window does not creep by its frame.

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace tv::app {

class Settings;

class WindowPlacement {
 public:
  // `defaultTwips` is the default size; the default position centres it.
  WindowPlacement(QWidget *window, const Settings &settings, QString section, QSize defaultTwips);

  // Moves and sizes the window from the settings and applies the stored state.
  void load();
  // Call from move and resize events: remembers the rectangle while the state is normal.
  void remember();
  // Remembers (when normal) and writes the five keys.
  void save();

  QRect normalRect() const { return normal_; }
  // The screen's work area in pixels.
  QRect workArea() const;

 private:
  QWidget *window_;
  const Settings &settings_;
  QString section_;
  QSize default_;
  QRect normal_;
};

}  // namespace tv::app
