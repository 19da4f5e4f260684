// FrmMain: the voice pane's microphone and speaker controls. The volume sliders and the
// mute buttons change the voice client's configuration through the session link; the
// mute-key modes poll a key (timGetKeyState) and drive the microphone mute button; the
// auto-level (timMK) searches for the highest microphone volume at which a quiet room
// reads silent.
//
// Threading: UI thread. The sliders' handlers pause and let events run, so every
// handler here may run inside another's pause; each reads what it changes afresh.
#include "app/Settings.h"
#include "app/UiRoutines.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/MuteKeys.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"
#include "platform/keystate/KeyState.h"
#include "platform/keystate/WindowKeySource.h"
#include "session/SessionReport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace tv::mainwindow {
namespace {

constexpr int kPauseMs = 50;
constexpr int kKeyPollMs = 200;
constexpr int kAutoLevelTickMs = 250;
const QString kVoiceTab = QStringLiteral("VOICE");

}  // namespace

void FrmMain::connectMicControls() {
  keys_ = services_.keys;
  if (!keys_) {
    ownKeys_ = std::make_unique<keystate::WindowKeySource>();
    keys_ = ownKeys_.get();
  }
  connect(keys_, &keystate::KeyState::globalChanged, this, &FrmMain::keyRouteChanged);

  timGetKeyState_ = new QTimer(this);
  timGetKeyState_->setObjectName(QStringLiteral("timGetKeyState"));
  timGetKeyState_->setInterval(kKeyPollMs);
  connect(timGetKeyState_, &QTimer::timeout, this, &FrmMain::timGetKeyState_Timer);
  timMK_ = new QTimer(this);
  timMK_->setObjectName(QStringLiteral("timMK"));
  timMK_->setInterval(kAutoLevelTickMs);
  connect(timMK_, &QTimer::timeout, this, &FrmMain::timMK_Timer);

  VoicePane *pane = fraVOICE_;
  connect(pane->sldSP(), &QSlider::valueChanged, this, [this] { volumeChanged(false); });
  connect(pane->sldMK(), &QSlider::valueChanged, this, [this] { volumeChanged(true); });
  // Any change of the check state: a mouse release, Space, a screen reader's toggle
  // (which changes the state without a click) or the mute keys. A right-click opens the
  // menu without toggling; a new session resets the buttons with signals blocked.
  connect(pane->btnMuteSP(), &QAbstractButton::toggled, this, &FrmMain::btnMuteSP_Click);
  connect(pane->btnMuteMK(), &QAbstractButton::toggled, this, &FrmMain::ApplyMicMute);
  connect(pane->cboMikeMute(), &QComboBox::currentIndexChanged, this, &FrmMain::cboMikeMute_Click);
  if (QAction *setup = pane->action(QStringLiteral("btnMKSetup")))
    connect(setup, &QAction::triggered, this, &FrmMain::btnMKSetup_Click);
}

// ---- Volume sliders ---------------------------------------------------------------

void FrmMain::volumeChanged(bool record) {
  if (services_.pause)
    services_.pause(kPauseMs);
  else
    app::PauseMs(kPauseMs);
  // Everything is read after the pause: a mute handled during it stays, and when changes
  // nest, the last value wins in the configuration and in the settings alike.
  const QSlider *slider = record ? fraVOICE_->sldMK() : fraVOICE_->sldSP();
  const int value = slider->value();
  if (session_) {
    peer::VoiceClientConfig config;
    peer::Result r = session_->GetClientConfig(config);
    if (r == peer::kOk) {
      (record ? config.recordVolume : config.playbackVolume) = value;
      r = session_->SetClientConfig(config);
    }
    if (r != peer::kOk) reportConfigFailure(r);
  }
  const QStringView key = record ? u"RecordVolume" : u"PlaybackVolume";
  if (!settings_.WriteIni(u"DX8", key, value) && !settingsFailureReported_) {
    // Once per run: a read-only settings file would otherwise fill the log.
    settingsFailureReported_ = true;
    addINF(QStringLiteral("TV"), QStringLiteral("ERR"),
           key.toString() + QStringLiteral("を保存できませんでした。"));
    addINF(QStringLiteral("TV"), QStringLiteral("ERR"),
           QStringLiteral("　　<保存先　　　　> ") + settings_.path());
  }
}

void FrmMain::reportConfigFailure(peer::Result result) {
  LogVoiceInfo(session::kKindError,
               QStringLiteral("音声クライアントの設定を変更できませんでした。"));
  LogVoiceInfo(session::kKindError, session::ErrorNumberLine(result));
}

// ---- Mute buttons -----------------------------------------------------------------

void FrmMain::setConfigFlag(quint32 flag, bool on) {
  if (!session_) return;
  peer::VoiceClientConfig config;
  peer::Result r = session_->GetClientConfig(config);
  if (r == peer::kOk) {
    config.flags = on ? config.flags | flag : config.flags & ~flag;
    r = session_->SetClientConfig(config);
  }
  if (r != peer::kOk) reportConfigFailure(r);
}

void FrmMain::btnMuteSP_Click() {
  setConfigFlag(peer::kClientPlaybackMute, fraVOICE_->btnMuteSP()->isChecked());
}

void FrmMain::ApplyMicMute() {
  setConfigFlag(peer::kClientRecordMute, fraVOICE_->btnMuteMK()->isChecked());
}

void FrmMain::SetMicMute(bool muted) {
  fraVOICE_->btnMuteMK()->setChecked(muted);  // applied through toggled when it changes
}

// ---- Mute keys --------------------------------------------------------------------

void FrmMain::cboMikeMute_Click(int index) {
  muteMode_ = index >= 0 && index < kMuteModes ? index : 0;
  const int vk = MuteKeyOf(muteMode_);
  keys_->watch(vk);
  QToolButton *button = fraVOICE_->btnMuteMK();
  if (muteMode_ == 0) {
    timGetKeyState_->stop();
    // While the auto-level runs it holds the button; its end enables it.
    if (!autoLevel_.running()) button->setEnabled(true);
  } else {
    timGetKeyState_->start();
    button->setEnabled(false);
    if (IsToggleMode(muteMode_))
      polarity_ = PolarityFor(button->isChecked(), keys_->GetKeyState(vk));
  }
  updateMikeMuteNote();
}

void FrmMain::timGetKeyState_Timer() {
  const int vk = MuteKeyOf(muteMode_);
  const std::optional<bool> muted = MutedByKey(muteMode_, polarity_, keys_->GetKeyState(vk));
  if (!muted) {
    timGetKeyState_->stop();
    return;
  }
  // The auto-level needs the room audible; the key applies at the first poll after it.
  if (autoLevel_.running()) return;
  SetMicMute(*muted);
}

void FrmMain::keyRouteChanged() {
  // Another route reads the key now, with a press count of its own: a toggle mode keeps
  // the mute state as it is, as when the mode is chosen.
  if (IsToggleMode(muteMode_))
    polarity_ =
        PolarityFor(fraVOICE_->btnMuteMK()->isChecked(), keys_->GetKeyState(MuteKeyOf(muteMode_)));
  updateMikeMuteNote();
}

void FrmMain::updateMikeMuteNote() {
  const int vk = MuteKeyOf(muteMode_);
  fraVOICE_->lblMikeMuteNote()->setVisible(vk != 0 && !keys_->isGlobal(vk));
}

// ---- Auto-level -------------------------------------------------------------------

void FrmMain::btnMKSetup_Click() {
  if (autoLevel_.running() || !HasTab(kVoiceTab)) return;
  for (const QString &line :
       {QStringLiteral("※マイクの入力を自動調整をしています。"),
        QStringLiteral("　しばらく「静かにして」お待ちください。"),
        QStringLiteral("　現在「静かな状態」という前提でマイクボリュームの最適化をしております。"),
        QStringLiteral("<参考>"),
        QStringLiteral(
            "　マイクのボリュームを高く設定し過ぎると、マイクは周辺の不要な音声を拾ってしまい、"
            "常に音声有りと判断してしまいます。音声有りと判断されている間、ＣＰＵにはその分の演算"
            "負荷がかかり、また、インターネットには不要な音声の送信が常に行われることになります。"
            "この自動調整は「静かな状態」を「音声なし」と判断させるための調整です。")})
    AddChatLine(line, 0, false);

  VoicePane *pane = fraVOICE_;
  if (QAction *setup = pane->action(QStringLiteral("btnMKSetup"))) setup->setEnabled(false);
  pane->sldMK()->setEnabled(false);
  // Unchecking applies through toggled; an unchecked button is applied once here.
  if (pane->btnMuteMK()->isChecked())
    pane->btnMuteMK()->setChecked(false);
  else
    ApplyMicMute();
  pane->btnMuteMK()->setEnabled(false);

  // Running from here on, so that mute-key polls during the slider's pause hold off.
  autoLevel_.start();
  QSlider *slider = pane->sldMK();
  if (slider->value() != slider->maximum())
    slider->setValue(slider->maximum());
  else
    volumeChanged(true);
  // The pause may have seen the voice chat end.
  if (autoLevel_.running()) timMK_->start();
}

void FrmMain::timMK_Timer() {
  if (!autoLevel_.running()) {
    timMK_->stop();
    return;
  }
  if (!HasTab(kVoiceTab)) {
    endAutoLevel(MicAutoLevel::Outcome::Running);  // ended with the voice chat: no lines
    return;
  }
  QSlider *slider = fraVOICE_->sldMK();
  const QString column = lstUSER()->CellText(ownPlayerId(), ParticipantList::kVoiceColumn);
  const MicAutoLevel::Step step =
      autoLevel_.tick(column, slider->value(), slider->minimum(), slider->maximum());
  if (step.outcome != MicAutoLevel::Outcome::Running) return endAutoLevel(step.outcome);
  if (step.value) slider->setValue(*step.value);
}

void FrmMain::endAutoLevel(MicAutoLevel::Outcome outcome) {
  autoLevel_.stop();
  timMK_->stop();
  VoicePane *pane = fraVOICE_;
  if (QAction *setup = pane->action(QStringLiteral("btnMKSetup"))) setup->setEnabled(true);
  pane->sldMK()->setEnabled(true);
  // In a key mode the key rules the mute state.
  pane->btnMuteMK()->setEnabled(muteMode_ == 0);
  if (outcome == MicAutoLevel::Outcome::Succeeded) {
    AddChatLine(QStringLiteral("＜お待たせしました＞"), 0, false);
    AddChatLine(QStringLiteral("マイク入力の自動調整が終わりました。"), 0, false);
  } else if (outcome == MicAutoLevel::Outcome::Failed) {
    AddChatLine(QStringLiteral("＜原因不明の失敗＞"), 0, false);
    AddChatLine(QStringLiteral("マイク入力の自動調整に失敗しました。"), 0, false);
  }
}

}  // namespace tv::mainwindow
