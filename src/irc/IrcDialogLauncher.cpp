#include "irc/IrcDialogLauncher.h"

#include "mainwindow/FrmMain.h"

namespace tv::irc {
namespace {

void raise(QWidget *dialog) {
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

}  // namespace

IrcDialogLauncher::IrcDialogLauncher(mainwindow::FrmMain &main, const app::AppInfo &info,
                                     const app::Settings &settings, app::MessageSink *messages,
                                     std::function<double()> random)
    : QObject(&main),
      main_(main),
      info_(info),
      settings_(settings),
      messages_(messages),
      random_(std::move(random)) {
  connect(&main_, &mainwindow::FrmMain::ircDialogRequested, this,
          &IrcDialogLauncher::openConnectionDialog);
  connect(&main_, &mainwindow::FrmMain::ircSettingsRequested, this,
          &IrcDialogLauncher::openSettingsDialog);
}

FrmConIRC *IrcDialogLauncher::openConnectionDialog() {
  if (!connection_) {
    IrcDialogServices services;
    services.messages = messages_;
    services.log = [this](const QString &kind, const QString &text) { main_.addIINF(kind, text); };
    services.connect = [this](const QString &nick, const QString &name, const QString &host,
                              const QString &port) { main_.EvConnect(nick, name, host, port); };
    services.random = random_;
    connection_ = new FrmConIRC(info_, settings_, std::move(services), &main_);
  }
  raise(connection_);
  return connection_;
}

FrmSetIRC *IrcDialogLauncher::openSettingsDialog() {
  if (!settings_dialog_)
    settings_dialog_ = new FrmSetIRC(
        info_, settings_,
        [this](const QString &kind, const QString &text) { main_.addIINF(kind, text); }, &main_);
  raise(settings_dialog_);
  return settings_dialog_;
}

}  // namespace tv::irc
