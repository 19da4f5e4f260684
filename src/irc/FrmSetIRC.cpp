#include "irc/FrmSetIRC.h"

#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/RecentList.h"
#include "app/Settings.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv::irc {
namespace {

const QString kQuitFile = QStringLiteral("QUIT_MSG.txt");
const QString kPartFile = QStringLiteral("PART_MSG.txt");
const QString kDefaultGreeting = QStringLiteral("さよなら～");

QComboBox *makeCombo(const QString &objectName, const QString &accessible) {
  auto *c = new QComboBox;
  c->setObjectName(objectName);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setAccessibleName(accessible);
  c->lineEdit()->setAccessibleName(accessible);
  return c;
}

QPushButton *makeButton(const QString &objectName, const QString &caption,
                        const QString &accessible) {
  auto *b = new QPushButton(caption);
  b->setObjectName(objectName);
  b->setAccessibleName(accessible);
  return b;
}

void loadHistory(QComboBox *combo, const QString &path) {
  app::LoadListFile(combo, path);
  combo->setEditText(combo->count() > 0 ? combo->itemText(0) : kDefaultGreeting);
}

// A leading ":" would read as IRC's last-parameter marker: it becomes "：".
QString withWideColon(const QString &text) {
  return text.startsWith(u':') ? QStringLiteral("：") + text.mid(1) : text;
}

}  // namespace

FrmSetIRC::FrmSetIRC(const app::AppInfo &info, const app::Settings &settings,
                     std::function<void(const QString &, const QString &)> log, QWidget *parent)
    : QDialog(parent), info_(info), settings_(settings), log_(std::move(log)) {
  setObjectName(QStringLiteral("frmSetIRC"));
  setWindowTitle(info_.titleTag + QStringLiteral("IRCの設定"));
  setFont(app::LogFont(9));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  cboQUIT_ = makeCombo(QStringLiteral("cboQUIT"), QStringLiteral("QUITメッセージ"));
  cboPART_ = makeCombo(QStringLiteral("cboPART"), QStringLiteral("PARTメッセージ"));
  btnApply_ =
      makeButton(QStringLiteral("btnApply"), QStringLiteral("適用(&A)"), QStringLiteral("適用(A)"));
  btnOK_ = makeButton(QStringLiteral("btnOK"), QStringLiteral("OK"), QStringLiteral("OK"));
  btnCancel_ = makeButton(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"),
                          QStringLiteral("キャンセル"));
  btnOK_->setDefault(true);

  auto *layout = new QVBoxLayout(this);
  auto *quitTitle = new QLabel(QStringLiteral("ＩＲＣと切断する前の挨拶(QUIT)"));
  quitTitle->setBuddy(cboQUIT_);
  auto *partTitle = new QLabel(QStringLiteral("チャンネルから去るときの挨拶(PART)"));
  partTitle->setBuddy(cboPART_);
  layout->addWidget(quitTitle);
  layout->addWidget(cboQUIT_);
  layout->addWidget(partTitle);
  layout->addWidget(cboPART_);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton *b : {btnApply_, btnOK_, btnCancel_}) buttons->addWidget(b);
  layout->addLayout(buttons);
  setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 40);

  connect(btnApply_, &QPushButton::clicked, this, &FrmSetIRC::btnApply_Click);
  connect(btnOK_, &QPushButton::clicked, this, &FrmSetIRC::btnOK_Click);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

  loadHistory(cboQUIT_, info_.filePath(kQuitFile));
  loadHistory(cboPART_, info_.filePath(kPartFile));
}

void FrmSetIRC::btnApply_Click() {
  cboQUIT_->setEditText(withWideColon(cboQUIT_->currentText()));
  cboPART_->setEditText(withWideColon(cboPART_->currentText()));
  settings_.WriteIni(u"IRC", u"QuitMessage", cboQUIT_->currentText());
  settings_.WriteIni(u"IRC", u"PartMessage", cboPART_->currentText());
}

void FrmSetIRC::btnOK_Click() {
  btnApply_Click();
  for (const auto &[combo, file] :
       {std::pair{cboQUIT_, kQuitFile}, std::pair{cboPART_, kPartFile}}) {
    const QString path = info_.filePath(file);
    if (!app::StoreRecentEntry(combo, combo->currentText(), path) && log_)
      for (const QString &line : app::SaveFailureLines(file, path))
        log_(QStringLiteral("ERR"), line);
  }
  accept();
}

}  // namespace tv::irc
