#pragma once
// The sound set-up check a PC goes through once, before its first voice connection:
// a small modal dialog that tells the user which devices voice will use and, on OK,
// records in the platform's settings (peer::AudioSetup) that the set-up was checked.
// Voice always uses the system's default capture and playback devices.

#include "platform/peer/PeerResult.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace tv::audiosetup {

class AudioSetupDialog : public QDialog {
  Q_OBJECT
 public:
  // `setupPath` is the platform's settings file (peer::AudioSetup::defaultPath() in the
  // program); `owner` is the window the dialog stays above.
  AudioSetupDialog(QString setupPath, const QString &title, QWidget *owner = nullptr);

  // Shows the dialog modally. kOk when the user pressed OK and the set-up was recorded;
  // DPNERR_USERCANCEL on cancel; DPNERR_GENERIC when the record could not be written.
  peer::Result run();

  QPushButton *btnOK() const { return btnOK_; }
  QPushButton *btnCANCEL() const { return btnCANCEL_; }

 private:
  void onOk();

  QString setupPath_;
  QLabel *lblDEVICE_;
  QPushButton *btnOK_;
  QPushButton *btnCANCEL_;
  peer::Result result_ = peer::DPNERR_USERCANCEL;
};

}  // namespace tv::audiosetup
