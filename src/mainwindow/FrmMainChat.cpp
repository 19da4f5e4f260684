// FrmMain: the voice chat log, the input line and the topic line, the participant
// rows and the voice buttons.
#include "mainwindow/FrmMain.h"

#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatText.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/OldLogPane.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/TopicLine.h"
#include "mainwindow/VoiceButtons.h"
#include "mainwindow/VoicePane.h"
#include "session/SessionMessage.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

namespace tv::mainwindow {

int FrmMain::sessionState() const { return session_ ? session_->SessionState() : 0; }

std::uint32_t FrmMain::ownPlayerId() const { return session_ ? session_->OwnPlayerId() : 0; }

void FrmMain::send(const QByteArray &message, std::uint32_t target) {
  if (session_) session_->SendSessionMessage(message, target);
}

bool FrmMain::AddChatLine(const QString &text, std::uint32_t senderId, bool rtf) {
  QColor colour(Qt::black);
  QString header;
  if (senderId != 0) {
    // A line from someone without a row is not shown; the caller decides what to say.
    const std::optional<std::uint32_t> rowColour = lstUSER()->UserColor(senderId);
    if (!rowColour) return false;
    colour = ColourFromValue(*rowColour);
    header = senderId == ownPlayerId()
                 ? OwnLineHeader(session_ ? session_->OwnNickname() : QString())
                 : OtherLineHeader(lstUSER()->RowText(senderId));
  }
  txtLOG()->appendLine(header, text, colour, rtf);
  return true;
}

bool FrmMain::onInputEnter(const QString &text, bool ctrl) {
  if (viewKey_ == u"VOICE") {
    sendVoiceLine(text, ctrl);
    return true;
  }
  if (viewKey_.startsWith(u"IRC")) {
    if (IrcPane *pane = panes_.value(viewKey_.mid(3).toInt())) {
      // Ctrl sends privately to the users selected in the pane.
      pane->TxPRIVMSG(text, !ctrl);
      cboTX_->commit(text);
      return true;
    }
  }
  return false;
}

bool FrmMain::refuseTooLong(std::int32_t type, const QString &what, const QString &text) {
  if (session::textFits(type, text)) return false;
  const qsizetype cap = session::maxTextBytes(type);
  txtLOG()->appendSystemLines(TooLongInputLines(what, cap));
  LogVoiceInfo(QStringLiteral("ERR"), TooLongInputInfo(what, cap));
  return true;
}

void FrmMain::sendVoiceLine(const QString &text, bool ctrl) {
  if (ctrl) {
    const std::uint32_t to = lstUSER()->SelectedUserId();
    if (to == 0) {
      txtLOG()->appendSystemLines(WhisperWithoutTargetLines());
      return;
    }
    if (to == ownPlayerId()) {
      txtLOG()->appendSystemLines(WhisperToSelfLines());
      return;
    }
    if (refuseTooLong(session::kWhisper, QStringLiteral("密談"), text)) return;
    txtLOG()->appendSystemLine(WhisperSentLine(lstUSER()->ParticipantName(to), text));
    send(session::encodeTextMessage(session::kWhisper, text), to);
  } else {
    if (refuseTooLong(session::kChatLine, QStringLiteral("発言"), text)) return;
    if (!AddChatLine(text, ownPlayerId(), false)) return;
    send(session::encodeTextMessage(session::kChatLine, text), 0);
  }
  cboTX_->commit(text);
}

QString FrmMain::Topic() const { return fraVOICE_->txtTOPIC()->topic(); }

void FrmMain::SetTopic(const QString &topic) { fraVOICE_->txtTOPIC()->SetTopic(topic); }

void FrmMain::commitTopic(const QString &text) {
  if (refuseTooLong(session::kTopic, QStringLiteral("TOPIC"), text)) return;
  SetTopic(text);
  txtLOG()->appendSystemLines(TopicSetLines(text));
  send(session::encodeTextMessage(session::kTopic, text), 0);
}

// Participant rows.

void FrmMain::AddParticipantRow(std::uint32_t id, const QString &name) {
  lstUSER()->AddParticipantRow(id, name);
}
void FrmMain::RemoveParticipantRow(std::uint32_t id) { lstUSER()->RemoveParticipantRow(id); }
bool FrmMain::HasParticipantRow(std::uint32_t id) const { return lstUSER()->HasParticipantRow(id); }
QString FrmMain::ParticipantName(std::uint32_t id) const { return lstUSER()->ParticipantName(id); }
void FrmMain::SetParticipantName(std::uint32_t id, const QString &name) {
  lstUSER()->SetParticipantName(id, name);
}
void FrmMain::MarkHostRow(std::uint32_t id) { lstUSER()->MarkHostRow(id); }
void FrmMain::SetUserColor(std::uint32_t id, std::uint32_t colour) {
  lstUSER()->SetUserColor(id, colour);
}
void FrmMain::SetUserPing(std::uint32_t id, const QString &text) {
  lstUSER()->SetUserPing(id, text);
}
void FrmMain::MarkTalking(std::uint32_t id, bool talking) { lstUSER()->MarkTalking(id, talking); }
std::uint32_t FrmMain::SelectedUserId() const { return lstUSER()->SelectedUserId(); }

void FrmMain::SetUserTeam(std::uint32_t id, int team) {
  // The team number comes from a peer: only the selector's own entries are shown.
  const QComboBox *teams = fraVOICE_->cboMyTeam();
  if (team >= 0 && team < teams->count()) lstUSER()->SetUserTeamText(id, teams->itemText(team));
}

void FrmMain::UpdateUserCount() {
  const SessionLink::MemberCount count =
      session_ ? session_->MemberCounts() : SessionLink::MemberCount{};
  const QString text = UserCountText(count.current, count.maximum);
  QLabel *label = fraVOICE_->lblUserNum();
  label->setText(text);
  // The label's name stays fixed so that it can be found; a screen reader reads the
  // count from its description.
  label->setAccessibleDescription(text);
}

std::uint32_t FrmMain::OwnColourValue() const { return ColourValue(ownColour_); }

// Session view.

void FrmMain::ResetSessionView() {
  if (autoLevel_.running()) endAutoLevel(MicAutoLevel::Outcome::Running);
  txtLOG()->clear();
  lstUSER()->ClearRows();
  // Back to "no team" without telling anyone.
  for (QComboBox *team : {fraVOICE_->cboMyTeam(), fraVOICE_->cboTxTeam()}) {
    const QSignalBlocker block(team);
    team->setCurrentIndex(0);
  }
  for (QToolButton *mute : {fraVOICE_->btnMuteSP(), fraVOICE_->btnMuteMK()}) {
    const QSignalBlocker block(mute);
    mute->setChecked(false);
  }
  // A mute key that says "muted" mutes the new session before its voice client connects.
  if (muteMode_ != 0) timGetKeyState_Timer();
}

void FrmMain::SaveVoiceLog() { fraLOG_->saveVoiceLog(*txtLOG()->document()); }

void FrmMain::SetVolumeSliders(int playbackVolume, int recordVolume) {
  fraVOICE_->sldSP()->setValue(playbackVolume);
  fraVOICE_->sldMK()->setValue(recordVolume);
}

void FrmMain::SetInputLevel(int peak) { fraVOICE_->prgMK()->setValue(std::clamp(peak, 0, 99)); }

void FrmMain::SetOutputLevel(int peak) { fraVOICE_->prgSP()->setValue(std::clamp(peak, 0, 99)); }

void FrmMain::UpdateVoiceButtons() {
  const int state = sessionState();
  const VoiceButtonStates s = VoiceButtonsFor(state, session_ && session_->HostSearchRunning());
  for (const char16_t *name : {u"btnLimitPlus", u"btnLimitMinus", u"btnKICK"})
    if (QAction *entry = fraVOICE_->action(QString::fromUtf16(name)))
      entry->setEnabled(s.hostOnlyEntries);
  btnVHOST_->setEnabled(s.hostEnabled);
  btnVJOIN_->setVisible(s.joinVisible);
  btnVJOIN_->setEnabled(s.joinEnabled);
  btnStopJOIN_->setVisible(s.stopVisible);
  btnStopJOIN_->setEnabled(s.stopEnabled);
  if (s.testEnabled) btnVTEST_->setEnabled(*s.testEnabled);
  for (IrcPane *pane : std::as_const(panes_)) pane->SetBtnVisible(state);
  update();
}

void FrmMain::stopHostSearch() {
  if (!session_) return;
  session_->StopHostSearch();
  UpdateVoiceButtons();
  SetStatusText(QStringLiteral("Status"));
  LogVoiceInfo(QStringLiteral("停止"), QStringLiteral("ホスト検索を中止しました。"));
  session_->ReleaseSession();
}

}  // namespace tv::mainwindow
