#pragma once
// Brings the program to the front for a second copy: restores the main window when it
// is minimised and activates the window the user last worked in (an open box or
// dialog, else the main window). Tracks activation with an application event filter.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tv::app {

class WindowRaiser : public QObject {
  Q_OBJECT
 public:
  explicit WindowRaiser(QWidget *mainWindow, QObject *parent = nullptr);

  void raise();
  QWidget *lastActiveWindow() const;

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  QPointer<QWidget> main_;
  QPointer<QWidget> lastActive_;
};

}  // namespace tv::app
