#include "platform/audiosetup/AudioSetupDialog.h"

#include "platform/peer/AudioSetup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv::audiosetup {

namespace {

QLabel *makeLabel(const QString &objectName, const QString &text, QWidget *parent) {
  auto *l = new QLabel(text, parent);
  l->setObjectName(objectName);
  l->setTextFormat(Qt::PlainText);
  l->setAccessibleName(text);
  return l;
}

QPushButton *makeButton(const QString &objectName, const QString &caption, QWidget *parent) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(caption);
  return b;
}

}  // namespace

AudioSetupDialog::AudioSetupDialog(QString setupPath, const QString &title, QWidget *owner)
    : QDialog(owner), setupPath_(std::move(setupPath)) {
  setObjectName(QStringLiteral("frmAudioSetup"));
  setWindowTitle(title);
  setModal(true);

  auto *lblMSG = makeLabel(QStringLiteral("lblMSG"),
                           QStringLiteral("このパソコンの音声の設定を初めて確認します。"), this);
  // The voice service has no device choice of its own: it opens the defaults.
  lblDEVICE_ = makeLabel(QStringLiteral("lblDEVICE"),
                         QStringLiteral("既定の録音・再生デバイスを使用します。"), this);
  auto *lblHINT =
      makeLabel(QStringLiteral("lblHINT"),
                QStringLiteral("マイクとスピーカーを接続してから「OK」を押してください。"), this);
  btnOK_ = makeButton(QStringLiteral("btnOK"), QStringLiteral("OK"), this);
  btnCANCEL_ = makeButton(QStringLiteral("btnCANCEL"), QStringLiteral("キャンセル"), this);
  btnOK_->setDefault(true);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCANCEL_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(lblMSG);
  layout->addWidget(lblDEVICE_);
  layout->addWidget(lblHINT);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnOK_, &QPushButton::clicked, this, &AudioSetupDialog::onOk);
  connect(btnCANCEL_, &QPushButton::clicked, this, &QDialog::reject);
}

void AudioSetupDialog::onOk() {
  if (peer::AudioSetup(setupPath_).markRun()) {
    result_ = peer::kOk;
    accept();
  } else {
    result_ = peer::DPNERR_GENERIC;
    reject();
  }
}

peer::Result AudioSetupDialog::run() {
  result_ = peer::DPNERR_USERCANCEL;  // unless OK says otherwise
  btnOK_->setFocus();
  exec();
  return result_;
}

}  // namespace tv::audiosetup
