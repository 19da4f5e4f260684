// FrmMain: the participant tools of the voice pane. The handlers react to user choices
// only (QComboBox::activated, menu entries, a double-click on a row): the session
// engine's resets of the selectors emit none of them. What a tool does in the session
// is the link's; the window picks the member (the selected row) and the entry.
#include "mainwindow/FrmMain.h"

#include "app/FrmBoxINP.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"

#include <QAction>
#include <QComboBox>

namespace tv::mainwindow {

void FrmMain::BoxDeleter::operator()(app::FrmBoxINP *box) const { delete box; }

void FrmMain::connectParticipantTools() {
  connect(fraVOICE_->cboMyColor(), &QComboBox::activated, this, &FrmMain::cboMyColor_Click);
  connect(fraVOICE_->cboMyTeam(), &QComboBox::activated, this, &FrmMain::cboMyTeam_Click);
  connect(fraVOICE_->cboTxTeam(), &QComboBox::activated, this, &FrmMain::cboTxTeam_Click);
  connect(fraVOICE_->action(QStringLiteral("btnKICK")), &QAction::triggered, this,
          &FrmMain::btnKICK_Click);
  connect(fraVOICE_->action(QStringLiteral("btnLimitPlus")), &QAction::triggered, this,
          &FrmMain::btnLimitPlus_Click);
  connect(fraVOICE_->action(QStringLiteral("btnLimitMinus")), &QAction::triggered, this,
          &FrmMain::btnLimitMinus_Click);
  connect(lstUSER(), &QTreeWidget::itemDoubleClicked, this, &FrmMain::lstUSER_DblClick);
}

void FrmMain::cboMyColor_Click(int index) {
  if (index < 0 || index >= kColourCount) return;
  ownColour_ = index;  // written to the settings when the window unloads
  fraVOICE_->showOwnColour(index);
  if (session_) session_->ChooseOwnColour(ColourValue(index));
}

void FrmMain::cboMyTeam_Click(int index) {
  if (session_ && index >= 0) session_->ChooseOwnTeam(index);
}

void FrmMain::cboTxTeam_Click(int index) {
  if (session_ && index >= 0) session_->ChooseTransmitTeam(index);
}

void FrmMain::btnKICK_Click() {
  const std::uint32_t id = SelectedUserId();
  if (session_ && id != 0) session_->KickMember(id);
}

void FrmMain::lstUSER_DblClick() {
  const std::uint32_t id = SelectedUserId();
  if (!session_ || id == 0) return;
  session_->LookUpAddress(id, lstUSER()->ParticipantName(id), lstUSER()->topLevelItemCount());
}

void FrmMain::btnLimitPlus_Click() {
  if (!IBOXLimit_) {
    IBOXLimit_.reset(new app::FrmBoxINP(this));
    connect(IBOXLimit_.get(), &app::FrmBoxINP::BtnClick, this, &FrmMain::IBOXLimit_BtnClick);
  }
  const int maximum = session_ ? session_->MemberCounts().maximum : 0;
  IBOXLimit_->ViewMSG(QStringLiteral("制限人数を入力してください。\r\n(設定できる値は1～30000)"),
                      info_.titleTag + QStringLiteral("人数制限設定"), QString::number(maximum),
                      app::FrmBoxINP::kImeOff);
}

void FrmMain::IBOXLimit_BtnClick(const QString &text) {
  // The box is not modal: by now the session may have ended or changed hands; the
  // link then does nothing.
  if (session_) session_->SetMemberLimit(text);
}

void FrmMain::btnLimitMinus_Click() {
  if (session_) session_->RemoveMemberLimit();
}

}  // namespace tv::mainwindow
