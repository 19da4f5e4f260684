#include "irc/FrmSetIRC.h"

#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/RecentList.h"
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "irc/IrcCommands.h"

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

void loadHistory(QComboBox *combo, const QString &path) {
  app::LoadListFile(combo, path);
  combo->setEditText(combo->count() > 0 ? combo->itemText(0) : kDefaultGreeting);
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

  cboQUIT_ = app::MakeHistoryCombo(QStringLiteral("cboQUIT"), QStringLiteral("QUITメッセージ"));
  cboPART_ = app::MakeHistoryCombo(QStringLiteral("cboPART"), QStringLiteral("PARTメッセージ"));
  btnApply_ = app::MakeButton(QStringLiteral("btnApply"), QStringLiteral("適用(&A)"), nullptr,
                              QStringLiteral("適用(A)"));
  btnOK_ = app::MakeButton(QStringLiteral("btnOK"), QStringLiteral("OK"));
  btnCancel_ = app::MakeButton(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"));
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
  // A leading ":" would read as IRC's last-parameter marker: it becomes "：".
  cboQUIT_->setEditText(TypedParameter(cboQUIT_->currentText()));
  cboPART_->setEditText(TypedParameter(cboPART_->currentText()));
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
