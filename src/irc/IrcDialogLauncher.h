#pragma once
// Opens the IRC dialogs for the main window's "接続" and "IRC設定": a fresh dialog per
// request (each reads its lists again), or the open one raised. The connection dialog
// hands its choice to the window's EvConnect.

#include "irc/FrmConIRC.h"
#include "irc/FrmSetIRC.h"

#include <QObject>
#include <QPointer>

namespace tv::mainwindow {
class FrmMain;
}

namespace tv::irc {

class IrcDialogLauncher : public QObject {
  Q_OBJECT
 public:
  // Every dependency outlives the launcher; the dialogs are children of the window.
  IrcDialogLauncher(mainwindow::FrmMain &main, const app::AppInfo &info,
                    const app::Settings &settings, app::MessageSink *messages,
                    std::function<double()> random = {});

  FrmConIRC *openConnectionDialog();
  FrmSetIRC *openSettingsDialog();
  FrmConIRC *connectionDialog() const { return connection_; }
  FrmSetIRC *settingsDialog() const { return settings_dialog_; }

 private:
  mainwindow::FrmMain &main_;
  const app::AppInfo &info_;
  const app::Settings &settings_;
  app::MessageSink *messages_;
  std::function<double()> random_;
  QPointer<FrmConIRC> connection_;
  QPointer<FrmSetIRC> settings_dialog_;
};

}  // namespace tv::irc
