#pragma once
// Connects the main window's host and join requests to the voice connection dialog,
// which it creates on the first request and keeps for the next ones, and passes the
// dialog's hand-over on.

#include "mainwindow/FrmConVOI.h"

#include <QObject>
#include <QPointer>

namespace tv::mainwindow {

class FrmMain;

class VoiceDialogLauncher : public QObject {
  Q_OBJECT
 public:
  // Every dependency outlives the launcher; the dialog is a child of the main window.
  VoiceDialogLauncher(FrmMain &main, const app::AppInfo &info, const app::Settings &settings,
                      VoiceDialogServices services);

  // The dialog, created on first use.
  FrmConVOI *dialog();
  // Without creating it.
  FrmConVOI *existingDialog() const { return dialog_; }

 Q_SIGNALS:
  void EvHOST(const QString &nick, quint32 codecNo, quint32 deviceNo);
  void EvJOIN(const QString &nick, const QString &address, quint32 deviceNo);

 private:
  FrmMain &main_;
  const app::AppInfo &info_;
  const app::Settings &settings_;
  VoiceDialogServices services_;
  QPointer<FrmConVOI> dialog_;
};

}  // namespace tv::mainwindow
