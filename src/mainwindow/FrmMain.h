#pragma once
// The program's one top-level window: the tab strip tabMAIN with one pane per tab
// (INFO, the old-log pane, the voice pane while a voice chat runs, one pane per IRC
// connection), the frame's buttons, the shared input line cboTX and the status bar.
// It is the session engine's window (session::SessionWindow) and reaches the engine
// through a SessionLink. Dialogs that other windows of the program own are asked for
// through signals.
//
// The members are spread over several files by concern: FrmMain.cpp (start-up, layout,
// information log), FrmMainTabs.cpp (tabs, panes, IRC slots), FrmMainChat.cpp (chat
// log, input line, topic, participants, voice buttons), FrmMainParticipants.cpp (the
// participant tools: own colour and teams, kick, member limit, address lookup),
// FrmMainSoundTest.cpp (the sound-test button), FrmMainMic.cpp (volume sliders, mute
// buttons, mute keys and the microphone auto-level), FrmMainRich.cpp (rich lines),
// FrmMainPictures.cpp (sending and showing pictures), FrmMainClose.cpp (close).

#include "app/AppInfo.h"
#include "app/UiRoutines.h"
#include "app/WindowPlacement.h"
#include "mainwindow/IrcPane.h"
#include "mainwindow/IrcSlotTable.h"
#include "mainwindow/MicAutoLevel.h"
#include "mainwindow/SessionLink.h"
#include "platform/metafile/WmfHelper.h"
#include "session/SessionWindow.h"

#include <QHash>
#include <QList>
#include <QTime>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QAbstractButton;
class QStatusBar;
class QTabBar;
class QTimer;

namespace tv::app {
class FrmAllLOG;
class FrmBoxINP;
class MessageSink;
class ProblemReport;
class Settings;
}  // namespace tv::app

namespace tv::keystate {
class KeyState;
}

namespace tv::mainwindow {

class ChatLogView;
class InfoLog;
class InputLine;
class OldLogPane;
class ParticipantList;
class VoicePane;

struct MainWindowServices {
  // Where problems without a window of their own go, once per run (settings and input
  // history that cannot be written).
  app::ProblemReport *problems = nullptr;
  // The all-chat log: every chat line goes there; it is unloaded when this window is.
  app::FrmAllLOG *allLog = nullptr;
  // Creates IRC panes; without it no IRC connection can be opened.
  IrcPaneFactory makeIrcPane;
  // Opens links clicked in the chat log (the desktop's handler when empty).
  app::UrlOpener openUrl;
  std::function<QString()> localAddress;  // this PC's IP address (LocalIpAddress)
  std::function<QTime()> clock;           // time stamps of chat lines
  // The keyboard state the mute keys are read from (outlives the window); without it
  // only key events of this program's own windows count.
  keystate::KeyState *keys = nullptr;
  // The volume sliders' pause: sleeps, then lets pending events run (PauseMs when empty).
  std::function<void(int ms)> pause;
  // The helper that draws vector metafiles for the chat log and the picture window.
  metafile::WmfHelperOptions metafiles;
};

class FrmMain : public QWidget, public session::SessionWindow {
  Q_OBJECT
 public:
  using Services = MainWindowServices;

  // The load sequence: settings, recent input lines, tabs, panes and their options.
  FrmMain(const app::AppInfo &info, const app::Settings &settings, Services services = {},
          QWidget *parent = nullptr);
  ~FrmMain() override;

  // The engine behind the voice buttons and the chat. Until one is attached the window
  // shows the idle state and sends nothing.
  void attachSession(SessionLink *session);
  // The program's message box (frmBoxMSG), for the window's refusals; none until then.
  void attachMessageBox(app::MessageSink *messages);

  // Information log rows: area, kind, text; "IRC" and "音声" rows.
  void addINF(const QString &funcClass, const QString &msgClass, const QString &message);
  void addIINF(const QString &msgClass, const QString &message);
  void LogVoiceInfo(const QString &kind, const QString &text) override;

  // Chat log.
  bool AddChatLine(const QString &text, std::uint32_t senderId, bool rtf) override;
  // Shows a rich line as this PC's own and sends it to every member. False, with the
  // error in the chat log, when it is larger than a message carries (nothing is shown
  // or sent then), or when this PC has no participant row.
  bool TxRich(const QString &rtf);

  // Pictures. VSendPIC sends a picture file to every member and shows it in the own
  // chat log; ShowPictureInLog shows the file named by the last picture path there;
  // ShowReceivedPicture does so for a picture a member sent and this PC stored.
  void VSendPIC(const QString &path);
  void ShowPictureInLog();
  void ShowReceivedPicture(const QString &path);
  QString lastPicturePath() const { return lastPicturePath_; }
  metafile::WmfHelper *metafiles() const { return metafiles_; }
  QString Topic() const override;
  void SetTopic(const QString &topic) override;

  // Tabs and panes by key: "INFO", "OldLog", "VOICE", "IRC" + pane number.
  bool HasTab(const QString &key) const override;
  void AddTab(const QString &key, const QString &caption) override;
  void SelectTab(const QString &key) override;
  void SyncSelectedTab() override;
  void RemoveTab(const QString &key) override;
  void ShowPane(const QString &key, bool show);
  QString currentViewKey() const { return viewKey_; }

  // IRC: opens a pane for a server and connects it.
  void EvConnect(const QString &nick, const QString &serverName, const QString &address,
                 const QString &port);
  int OpenIrcPaneSlot(const QString &serverName);
  const IrcSlotTable &ircSlots() const { return slots_; }
  IrcPane *ircPane(int n) const { return panes_.value(n); }

  // Session view.
  void UpdateVoiceButtons() override;
  void ResetSessionView() override;
  void SaveVoiceLog() override;
  void SetStatusText(const QString &text) override;
  void AddParticipantRow(std::uint32_t id, const QString &name) override;
  void RemoveParticipantRow(std::uint32_t id) override;
  bool HasParticipantRow(std::uint32_t id) const override;
  QString ParticipantName(std::uint32_t id) const override;
  void SetParticipantName(std::uint32_t id, const QString &name) override;
  void MarkHostRow(std::uint32_t id) override;
  void SetUserColor(std::uint32_t id, std::uint32_t colour) override;
  void SetUserPing(std::uint32_t id, const QString &text) override;
  void SetUserTeam(std::uint32_t id, int team) override;
  void MarkTalking(std::uint32_t id, bool talking) override;
  void UpdateUserCount() override;
  std::uint32_t SelectedUserId() const;
  std::uint32_t OwnColourValue() const override;
  int ownColourNumber() const { return ownColour_; }
  void SetVolumeSliders(int playbackVolume, int recordVolume) override;
  void SetInputLevel(int peak) override;
  void SetOutputLevel(int peak) override;

  // Microphone: the mute-key mode (cboMikeMute's entry), polarity of the toggle modes.
  int MikeMuteMode() const { return muteMode_; }
  bool MikeMutePolarity() const { return polarity_; }
  void SetMicMute(bool muted);
  void ApplyMicMute();
  bool AutoLevelRunning() const { return autoLevel_.running(); }
  QTimer *timGetKeyState() const { return timGetKeyState_; }
  QTimer *timMK() const { return timMK_; }
  // Timer ticks, public so that tests can step them.
  void timGetKeyState_Timer();
  void timMK_Timer();

  // "テスト": refused during voice chat, then while an IRC pane is open; otherwise
  // starts TvSoundTest from the program folder, or says in the information log why it
  // could not. The button is disabled during voice chat; the rule holds here too, for
  // whoever calls this.
  void btnVTEST_Click();

  QTabBar *tabMAIN() const { return tabMAIN_; }
  InfoLog *lstINF() const { return lstINF_; }
  OldLogPane *fraLOG() const { return fraLOG_; }
  VoicePane *fraVOICE() const { return fraVOICE_; }
  ChatLogView *txtLOG() const;
  ParticipantList *lstUSER() const;
  InputLine *cboTX() const { return cboTX_; }
  QTimer *timEND() const { return timEND_; }
  // The member-limit input box; null until the limit was first asked for.
  app::FrmBoxINP *IBOXLimit() const { return IBOXLimit_.get(); }

 Q_SIGNALS:
  void ircDialogRequested();                        // btnIRC
  void ircSettingsRequested();                      // btnSetIRC
  void voiceDialogRequested(bool host);             // btnVHOST, btnVJOIN
  void voiceJoinRequested(const QString &address);  // an IRC pane's voice invitation
  void richComposerRequested();                     // btnRichChat
  void pictureWindowRequested();                    // btnPIC
  void pictureSendRequested(const QString &path);   // one file dropped on the chat log
  // A picture's line is final in the chat log: the picture (shown) or the placeholder.
  void pictureShown(const QString &path, bool shown);

 protected:
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  // Start-up pieces.
  QWidget *buildInfoPane();
  QWidget *buildFrameButtons();
  void applyStoredChoices();
  // Geometry.
  void layoutWindow();
  QRect paneRect() const;
  void placeInputLine(const QString &key);
  // Tabs.
  int tabIndex(const QString &key) const;
  void appendTab(const QString &key, const QString &caption);
  QWidget *paneForKey(const QString &key) const;
  // IRC panes.
  void adoptIrcPane(IrcPane *pane);
  void onPaneHideMe(IrcPane *pane);
  void onPaneAddMyTab(IrcPane *pane);
  void onPaneRemoveMe(IrcPane *pane);
  void onPaneRefreshMe(IrcPane *pane);
  // Chat.
  bool onInputEnter(const QString &text, bool ctrl);
  void sendVoiceLine(const QString &text, bool ctrl);
  void commitTopic(const QString &text);
  // True (and reported) when the text is over the cap of the message type it would go
  // out as; nothing is sent then.
  bool refuseTooLong(std::int32_t type, const QString &what, const QString &text);
  void send(const QByteArray &message, std::uint32_t target);
  int sessionState() const;
  std::uint32_t ownPlayerId() const;
  void stopHostSearch();
  // Participant tools: the handlers of the voice pane's selectors, the participant
  // list's menu and double-click, and the member-limit box.
  void connectParticipantTools();
  void cboMyColor_Click(int index);
  void cboMyTeam_Click(int index);
  void cboTxTeam_Click(int index);
  void btnKICK_Click();
  void btnLimitPlus_Click();
  void btnLimitMinus_Click();
  void IBOXLimit_BtnClick(const QString &text);
  void lstUSER_DblClick();
  // Microphone (FrmMainMic.cpp).
  void connectMicControls();
  void volumeChanged(bool record);
  // Sets or clears one flag of the voice client's configuration.
  void setConfigFlag(quint32 flag, bool on);
  void btnMuteSP_Click();
  void cboMikeMute_Click(int index);
  void keyRouteChanged();
  void updateMikeMuteNote();
  void btnMKSetup_Click();
  // Lets the controls go; Running means stopped from outside (no lines).
  void endAutoLevel(MicAutoLevel::Outcome outcome);
  void reportConfigFailure(peer::Result result);
  // Pictures.
  void setUpPictures();
  void reportPictureSendError(std::uint32_t code, const QString &description = {});
  void onMetafileDrawn(quint64 ticket, const QImage &image);
  // Close.
  void onEndTick();
  void unload();

  const app::AppInfo &info_;
  const app::Settings &settings_;
  Services services_;
  SessionLink *session_ = nullptr;
  app::MessageSink *messages_ = nullptr;
  app::WindowPlacement placement_;

  QTabBar *tabMAIN_;
  QFrame *tabFrame_;
  QWidget *frameButtons_;
  QWidget *fraINF_;
  InfoLog *lstINF_;
  QLabel *lblIP_;
  OldLogPane *fraLOG_;
  VoicePane *fraVOICE_;
  InputLine *cboTX_;
  QStatusBar *statusBar_;
  QLabel *statusPanel_;
  QAbstractButton *btnVHOST_;
  QAbstractButton *btnVJOIN_;
  QAbstractButton *btnStopJOIN_;
  QAbstractButton *btnVTEST_;
  QTimer *timEND_;
  QTimer *timGetKeyState_ = nullptr;
  QTimer *timMK_ = nullptr;
  keystate::KeyState *keys_ = nullptr;
  std::unique_ptr<keystate::KeyState> ownKeys_;  // when main() gave none
  int muteMode_ = 0;
  bool polarity_ = false;
  MicAutoLevel autoLevel_;
  bool settingsFailureReported_ = false;
  struct BoxDeleter {
    void operator()(app::FrmBoxINP *box) const;
  };
  std::unique_ptr<app::FrmBoxINP, BoxDeleter> IBOXLimit_;

  QString viewKey_;
  int ownColour_ = 0;
  IrcSlotTable slots_;
  QList<IrcPane *> panes_;

  bool closeStarted_ = false;  // the first close request has run its steps
  bool closeRunning_ = false;  // inside those steps (they let events run)
  bool unloaded_ = false;      // settings written, the all-chat log let go
  int endTicks_ = 0;

  QString lastPicturePath_;  // the picture file most recently sent or received
  metafile::WmfHelper *metafiles_;
  struct PendingPicture {
    QString path;
    QString placeholder;  // the key of its placeholder line
  };
  QHash<quint64, PendingPicture> pendingPictures_;  // by helper ticket
};

}  // namespace tv::mainwindow
