#pragma once
// The program's message box: up to 21 lines and an OK button. Not modal; the call
// returns at once. One instance serves the whole program; a new message while it is
// open replaces text and title in the same window.

#include "app/BoxBase.h"
#include "app/ModChk.h"

namespace tv::app {

class FrmBoxMSG : public BoxBase, public MessageSink {
  Q_OBJECT
 public:
  explicit FrmBoxMSG(QWidget *mainWindow);

  void ViewMSG(const QString &message, const QString &title) override;

  QPushButton *btnOK() const { return btnOK_; }

 private:
  QPushButton *btnOK_;
};

}  // namespace tv::app
