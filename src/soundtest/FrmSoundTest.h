#pragma once
// The sound test program's one window, frmMAIN: the instructions, "テスト開始" and
// "閉じる". Starting runs the audio set-up test once, with both buttons disabled while
// its wizard is up, then tells in a box whether it finished or failed; when the box
// is closed, the program ends. Nothing is kept and nothing is reported back to the
// main program. UI thread only.

#include "platform/peer/PeerResult.h"

#include <QWidget>

#include <functional>

class QLabel;
class QMessageBox;
class QPushButton;

namespace tv::soundtest {

class FrmSoundTest : public QWidget {
  Q_OBJECT
 public:
  // Runs the audio set-up test for the default devices, modal to the given window
  // (audiosetup::VoiceTest::CheckAudioSetup in the program); kOk when it finished.
  using CheckAudioSetup = std::function<peer::Result(QWidget *owner)>;

  FrmSoundTest(QString titleTag, CheckAudioSetup check, QWidget *parent = nullptr);

  // The seven instruction lines, each ended by a line break.
  static QString Instructions();

  QLabel *lblTitle() const { return lblTitle_; }
  QPushButton *btnSTART() const { return btnSTART_; }
  QPushButton *btnCANCEL() const { return btnCANCEL_; }
  // The result box while it is shown; null before.
  QMessageBox *resultBox() const { return resultBox_; }

 Q_SIGNALS:
  // The program is to end: "閉じる", or the result box was closed.
  void ended();

 private:
  void btnSTART_Click();
  void showResult(const QString &text);
  void end();

  QString titleTag_;
  CheckAudioSetup check_;
  QLabel *lblTitle_;
  QPushButton *btnSTART_;
  QPushButton *btnCANCEL_;
  QMessageBox *resultBox_ = nullptr;
};

}  // namespace tv::soundtest
