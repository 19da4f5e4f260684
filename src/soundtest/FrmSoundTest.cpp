#include "soundtest/FrmSoundTest.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv::soundtest {

namespace {

QPushButton *makeButton(const QString &objectName, const QString &caption, QWidget *parent) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(caption);
  return b;
}

}  // namespace

FrmSoundTest::FrmSoundTest(QString titleTag, CheckAudioSetup check, QWidget *parent)
    : QWidget(parent), titleTag_(std::move(titleTag)), check_(std::move(check)) {
  setObjectName(QStringLiteral("frmMAIN"));
  setWindowTitle(QStringLiteral("Talvora Sound Test"));

  lblTitle_ = new QLabel(Instructions(), this);
  lblTitle_->setObjectName(QStringLiteral("lblTitle"));
  lblTitle_->setTextFormat(Qt::PlainText);
  lblTitle_->setAccessibleName(QStringLiteral("説明"));
  lblTitle_->setAccessibleDescription(Instructions());
  btnSTART_ = makeButton(QStringLiteral("btnSTART"), QStringLiteral("テスト開始"), this);
  btnCANCEL_ = makeButton(QStringLiteral("btnCANCEL"), QStringLiteral("閉じる"), this);
  btnSTART_->setDefault(true);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnSTART_);
  buttons->addWidget(btnCANCEL_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(lblTitle_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnSTART_, &QPushButton::clicked, this, &FrmSoundTest::btnSTART_Click);
  connect(btnCANCEL_, &QPushButton::clicked, this, &FrmSoundTest::end);
}

QString FrmSoundTest::Instructions() {
  static const char16_t *const kLines[] = {
      u"※セットアップはマイクを接続してから行ってください。",
      u"※マイクを接続していない場合、セットアップは失敗します。",
      u"※セットアップでは、マイクに声を入れてスピーカから声が聞こえるか試してください。",
      u"※(そうしないとセットアップが失敗する場合があります。)",
      u"※Talvoraでは音声通信のデバイスとして、",
      u"　コントロールパネルで選択されている再生／録音デバイスを使用します。",
      u"※音声の再生／録音に使用するデバイスは、コントロールパネルで選択／変更してください。",
  };
  QString text;
  for (const char16_t *line : kLines) text += QString::fromUtf16(line) + u'\n';
  return text;
}

void FrmSoundTest::btnSTART_Click() {
  btnSTART_->setEnabled(false);
  btnCANCEL_->setEnabled(false);
  const peer::Result result = check_ ? check_(this) : peer::DPNERR_GENERIC;
  // A cancelled wizard, a device that cannot be used and a record that cannot be
  // written all count as a failed test.
  showResult(result == peer::kOk ? QStringLiteral("音声テストが終了しました")
                                 : QStringLiteral("音声テストに失敗しました"));
}

void FrmSoundTest::showResult(const QString &text) {
  resultBox_ = new QMessageBox(QMessageBox::Information, titleTag_ + QStringLiteral("音声テスト"),
                               text, QMessageBox::Ok, this);
  resultBox_->setObjectName(QStringLiteral("msgRESULT"));
  // Scripts and screen readers read the box's text from its description.
  resultBox_->setAccessibleDescription(text);
  connect(resultBox_, &QDialog::finished, this, &FrmSoundTest::end);
  resultBox_->open();
}

void FrmSoundTest::end() {
  hide();
  Q_EMIT ended();
}

}  // namespace tv::soundtest
