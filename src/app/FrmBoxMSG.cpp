#include "app/FrmBoxMSG.h"

#include <QPushButton>

namespace tv::app {

FrmBoxMSG::FrmBoxMSG(QWidget *mainWindow) : BoxBase(mainWindow) {
  setObjectName(QStringLiteral("frmBoxMSG"));
  btnOK_ = makeButton(QStringLiteral("btnOK"), QStringLiteral("OK"));
  btnOK_->setDefault(true);
  connect(btnOK_, &QPushButton::clicked, this, &QWidget::close);
}

void FrmBoxMSG::ViewMSG(const QString &message, const QString &title) {
  disableMainWindow();
  const int lines = setMessage(message, title);
  const int okTop = lines * kLineTwips + 60;
  btnOK_->move((px(kWidthTwips) - btnOK_->width()) / 2, px(okTop));
  setClientHeightTwips(okTop + 375 + 60);
  showBox();
  btnOK_->setFocus();
}

}  // namespace tv::app
