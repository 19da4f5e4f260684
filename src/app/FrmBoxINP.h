#pragma once
// The program's input box: a message, a one-line field, OK and キャンセル. Not modal:
// the entered text arrives later through BtnClick. Each user keeps its own instance.

#include "app/BoxBase.h"

class QLineEdit;

namespace tv::app {

class FrmBoxINP : public BoxBase {
  Q_OBJECT
 public:
  // Input-method modes of the field: 0 leaves the input method as the user has it,
  // 2 switches it off (channel names, passwords, numbers).
  static constexpr int kImeNoControl = 0;
  static constexpr int kImeOff = 2;

  explicit FrmBoxINP(QWidget *mainWindow);

  void ViewMSG(const QString &message, const QString &title, const QString &defaultText,
               int imeMode);

  QLineEdit *txtINPUT() const { return txtINPUT_; }
  QPushButton *btnOK() const { return btnOK_; }
  QPushButton *btnCancel() const { return btnCancel_; }

 Q_SIGNALS:
  // Raised on OK with the field's text, before the box closes. Cancel raises nothing.
  void BtnClick(const QString &text);

 private:
  QLineEdit *txtINPUT_;
  QPushButton *btnOK_;
  QPushButton *btnCancel_;
};

}  // namespace tv::app
