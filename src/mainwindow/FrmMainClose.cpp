// FrmMain: the close request and the unload that follows it.
#include "mainwindow/FrmMain.h"

#include "app/FrmAllLOG.h"
#include "app/ProblemReport.h"
#include "app/Settings.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/OldLogPane.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QTimer>

namespace tv::mainwindow {
namespace {
// The engine releases the session within a few hundred milliseconds; past this the
// window closes all the same rather than keep the program alive.
constexpr int kMaxEndTicks = 200;  // 10 s of 50 ms ticks
}  // namespace

void FrmMain::closeEvent(QCloseEvent *event) {
  if (unloaded_) {
    event->accept();
    return;
  }
  // The steps below let other events run; a second request meanwhile waits for them.
  if (closeRunning_) {
    event->ignore();
    return;
  }
  if (!closeStarted_) {
    closeStarted_ = true;
    closeRunning_ = true;
    timGetKeyState_->stop();
    if (session_) session_->StopSessionTimers();
    // Once per close, however often the request comes.
    fraLOG_->autoSaveInfoLog(*lstINF_);
    if (session_) session_->EndVoiceChat();
    // A pane may end itself while closing its channels; the list is walked as it was.
    const QList<IrcPane *> panes = panes_;
    for (IrcPane *pane : panes) pane->DelAllCh();
    // A host search, a join in progress or a failed join waiting for its deferred
    // release hold the session without a voice tab, so EndVoiceChat released nothing
    // and the timers that would have are stopped: release it here, or the close
    // would wait for ever.
    if (session_ && session_->HoldsSession()) session_->ReleaseSession();
    closeRunning_ = false;
  }
  if (session_ && session_->HoldsSession() && endTicks_ < kMaxEndTicks) {
    event->ignore();
    if (!timEND_->isActive()) timEND_->start();
    return;
  }
  timEND_->stop();
  unload();
  event->accept();
}

void FrmMain::onEndTick() {
  ++endTicks_;
  if (session_ && session_->HoldsSession() && endTicks_ < kMaxEndTicks) return;
  timEND_->stop();
  close();
}

void FrmMain::unload() {
  unloaded_ = true;
  placement_.save();
  settings_.WriteIni(u"VOICE", u"MyColor", ownColour_);
  settings_.WriteIni(u"VOICE", u"MikeMuteNo",
                     std::max(0, fraVOICE_->cboMikeMute()->currentIndex()));
  fraLOG_->saveSettings();
  const QString history = info_.filePath(QStringLiteral("ChatTxLog.txt"));
  QString error;
  if (!cboTX_->saveHistory(history, &error) && services_.problems)
    services_.problems->once(
        QStringLiteral("input history"),
        app::FileProblemLines(QStringLiteral("入力履歴を保存できませんでした。"), history, error));
  lstUSER()->ClearRows();
  txtLOG()->clear();
  if (services_.allLog) services_.allLog->GoUnload();
  app::PauseMs(100);
}

}  // namespace tv::mainwindow
