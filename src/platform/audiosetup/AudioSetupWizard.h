#pragma once
// The audio set-up wizard a PC goes through before its first voice connection, and
// whenever the user runs the sound test: it opens the default playback and capture
// devices, names them, and walks through three pages:
//   speakers    "テスト音を鳴らす" plays a chime under the meter "スピーカ出力レベル";
//   microphone  "録音して再生" records 3 s under the meter "マイク入力レベル", plays
//               them back and says whether anything reached the voice threshold;
//   finish      "スピーカで聞くのでエコーを抑える" sets EchoCancellation.
// "完了" writes the choice and records that the set-up has run (peer::AudioSetup).
// UI thread; the devices call back on their own threads (SetupDevices.h), which touch
// only the recorder and the player; the wizard looks at them every 20 ms.

#include "platform/audiosetup/ClipPlayer.h"
#include "platform/audiosetup/ClipRecorder.h"
#include "platform/audiosetup/SetupDevices.h"
#include "platform/peer/PeerResult.h"

#include <QDialog>
#include <QElapsedTimer>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace tv::audiosetup {

class AudioSetupWizard : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRecordSeconds = 3;
  enum Page { kSpeakersPage, kMicrophonePage, kFinishPage };

  // `setupPath` is the platform's settings file (peer::AudioSetup::defaultPath() in the
  // programs); `owner` is the window the wizard is modal to. `devices` outlives it.
  AudioSetupWizard(SetupDevices &devices, QString setupPath, const QString &title,
                   QWidget *owner = nullptr);
  ~AudioSetupWizard() override;

  // Opens both devices, then shows the wizard modally from its first page. kOk after
  // "完了" with everything recorded; DPNERR_USERCANCEL on "キャンセル" or when the
  // window is closed; DVERR_PLAYBACKSYSTEMERROR or DVERR_RECORDSYSTEMERROR, without a
  // page shown, when a device cannot be opened; DPNERR_GENERIC when the settings file
  // cannot be written. The devices are closed when it returns.
  peer::Result run();

  int page() const;
  QPushButton *btnBACK() const { return btnBACK_; }
  QPushButton *btnNEXT() const { return btnNEXT_; }
  QPushButton *btnFINISH() const { return btnFINISH_; }
  QPushButton *btnCANCEL() const { return btnCANCEL_; }
  QPushButton *btnCHIME() const { return btnCHIME_; }
  QPushButton *btnRECORD() const { return btnRECORD_; }
  QCheckBox *chkECHO() const { return chkECHO_; }
  QLabel *lblRESULT() const { return lblRESULT_; }
  QProgressBar *prgSP() const { return prgSP_; }
  QProgressBar *prgMK() const { return prgMK_; }

 public Q_SLOTS:
  void reject() override;

 private:
  enum class Test { kNone, kChime, kRecording, kPlayingBack };

  QWidget *buildSpeakersPage();
  QWidget *buildMicrophonePage();
  QWidget *buildFinishPage();
  void showPage(int page);
  void setResult(const QString &text);
  void setBusy(bool busy);

  void onChime();
  void onRecord();
  void onFinish();
  bool startPlaying(std::vector<std::int16_t> clip, Test test);
  void tick();
  void endTest(const QString &result);
  void cancelTest();
  void stopDevices();

  SetupDevices &devices_;
  QString setupPath_;
  std::unique_ptr<PlaybackDevice> playback_;
  std::unique_ptr<CaptureDevice> capture_;
  ClipPlayer player_;
  ClipRecorder recorder_;
  Test test_ = Test::kNone;
  QElapsedTimer testClock_;
  QTimer *timer_;
  peer::Result result_ = peer::DPNERR_USERCANCEL;

  QStackedWidget *pages_;
  QLabel *lblPLAYDEV_;
  QLabel *lblRECDEV_;
  QLabel *lblDEVICES_;
  QLabel *lblRESULT_;
  QProgressBar *prgSP_;
  QProgressBar *prgMK_;
  QCheckBox *chkECHO_;
  QPushButton *btnCHIME_;
  QPushButton *btnRECORD_;
  QPushButton *btnBACK_;
  QPushButton *btnNEXT_;
  QPushButton *btnFINISH_;
  QPushButton *btnCANCEL_;
};

}  // namespace tv::audiosetup
