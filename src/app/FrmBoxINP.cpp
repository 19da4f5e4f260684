#include "app/FrmBoxINP.h"

#include <QLineEdit>
#include <QPushButton>

namespace tv::app {
namespace {
constexpr int kFieldHeightTwips = 330;
}

FrmBoxINP::FrmBoxINP(QWidget *mainWindow) : BoxBase(mainWindow) {
  setObjectName(QStringLiteral("frmBoxINP"));
  txtINPUT_ = new QLineEdit(this);
  txtINPUT_->setObjectName(QStringLiteral("txtINPUT"));
  txtINPUT_->setAccessibleName(QStringLiteral("入力欄"));
  txtINPUT_->setGeometry(px(120), 0, px(kWidthTwips - 240), px(kFieldHeightTwips));
  btnOK_ = makeButton(QStringLiteral("btnOK"), QStringLiteral("OK"));
  btnCancel_ = makeButton(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"));
  btnOK_->setDefault(true);
  connect(txtINPUT_, &QLineEdit::returnPressed, btnOK_, &QPushButton::click);
  connect(btnOK_, &QPushButton::clicked, this, [this] {
    Q_EMIT BtnClick(txtINPUT_->text());
    close();
  });
  connect(btnCancel_, &QPushButton::clicked, this, &QWidget::close);
}

void FrmBoxINP::ViewMSG(const QString &message, const QString &title, const QString &defaultText,
                        int imeMode) {
  disableMainWindow();
  txtINPUT_->setAttribute(Qt::WA_InputMethodEnabled, imeMode != kImeOff);
  txtINPUT_->setInputMethodHints(imeMode == kImeOff ? Qt::ImhLatinOnly : Qt::ImhNone);
  const int lines = setMessage(message, title);
  txtINPUT_->setText(defaultText);
  const int fieldTop = kLineTwips * lines + 60;
  txtINPUT_->move(txtINPUT_->x(), px(fieldTop));
  const int okTop = kFieldHeightTwips + fieldTop + 60;
  const int right = px(kWidthTwips - 120);
  btnCancel_->move(right - btnCancel_->width(), px(okTop));
  btnOK_->move(btnCancel_->x() - px(120) - btnOK_->width(), px(okTop));
  setClientHeightTwips(375 + okTop + 120);
  showBox();
  txtINPUT_->setFocus();
  txtINPUT_->selectAll();
}

}  // namespace tv::app
