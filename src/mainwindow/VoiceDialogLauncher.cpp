#include "mainwindow/VoiceDialogLauncher.h"

#include "mainwindow/FrmMain.h"

namespace tv::mainwindow {

VoiceDialogLauncher::VoiceDialogLauncher(FrmMain &main, const app::AppInfo &info,
                                         const app::Settings &settings,
                                         VoiceDialogServices services)
    : QObject(&main),
      main_(main),
      info_(info),
      settings_(settings),
      services_(std::move(services)) {
  connect(&main_, &FrmMain::voiceDialogRequested, this, [this](bool host) {
    if (host)
      dialog()->OpenHOST();
    else
      dialog()->OpenJOIN();
  });
  connect(&main_, &FrmMain::voiceJoinRequested, this,
          [this](const QString &address) { dialog()->OpenOnlyName(address); });
}

FrmConVOI *VoiceDialogLauncher::dialog() {
  if (!dialog_) {
    dialog_ = new FrmConVOI(info_, settings_, services_, &main_);
    connect(dialog_, &FrmConVOI::EvHOST, this, &VoiceDialogLauncher::EvHOST);
    connect(dialog_, &FrmConVOI::EvJOIN, this, &VoiceDialogLauncher::EvJOIN);
  }
  return dialog_;
}

}  // namespace tv::mainwindow
