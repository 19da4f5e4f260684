// The main program: start-up, then the main window's event loop.

#include "app/Fonts.h"
#include "app/FrmAllLOG.h"
#include "app/FrmBoxMSG.h"
#include "app/ProblemReport.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/StartUp.h"
#include "app/WindowRaiser.h"
#include "dcc/DdeCallerCheck.h"
#include "dcc/DdeHandles.h"
#include "irc/ClsIRCProxy.h"
#include "irc/CtlIRC.h"
#include "irc/IrcDialogLauncher.h"
#include "mainwindow/ChatToolWindows.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/SessionLinkTo.h"
#include "mainwindow/VoiceDccLink.h"
#include "mainwindow/VoiceDialogLauncher.h"
#include "platform/audio/AudioSettings.h"
#include "platform/audiosetup/ConfiguredDevices.h"
#include "platform/audiosetup/VoiceTest.h"
#include "platform/keystate/KeyStateService.h"
#include "platform/peer/AudioSetup.h"
#include "platform/peer/EnetPlatform.h"
#include "session/FileOfferRelay.h"
#include "session/Pacer.h"
#include "session/ParticipantTools.h"
#include "session/PictureStore.h"
#include "session/SessionEngine.h"
#include "session/TvDccLauncher.h"
#include "session/VoiceCollections.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QStandardPaths>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(tv::app::kAppTitle);
  QApplication::setApplicationVersion(tv::app::kAppVersion);

  // One copy per user session: a second copy hands the focus over and ends.
  QDBusConnection bus = QDBusConnection::sessionBus();
  tv::app::SingleInstance instance(bus);
  if (bus.isConnected() && !instance.claim() && tv::app::SingleInstance::activateRunningCopy(bus))
    return 0;

  tv::app::InstallFontSubstitutes();
  // Problems found before the information log exists wait for it; each kind is
  // reported once per run.
  tv::app::ProblemReport problems;
  const tv::app::AppInfo info = tv::app::RunStartUp(
      QCoreApplication::applicationDirPath(), tv::app::LogonUserName(),
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), &problems);
  const tv::app::Settings settings(info.settingsPath(), &problems);

  // The all-chat log lives, hidden, from the start; the main window unloads it.
  tv::app::FrmAllLOG frmAllLOG(info, settings);
  // The microphone mute keys: read globally where the desktop allows it.
  const auto keys = tv::keystate::KeyStateService::ForDesktop(
      QGuiApplication::platformName(), tv::keystate::KeyStateService::IsWaylandSession(), bus);
  tv::session::TvDccLauncher dcc(info.programPath(QStringLiteral("TvDcc")));

  // IRC panes: each makes its own clsIRC object of TvIRC on the session bus.
  tv::irc::IrcPaneServices ircServices;
  ircServices.info = &info;
  ircServices.settings = &settings;
  ircServices.allLog = &frmAllLOG;
  ircServices.makeLink = [&bus, &info]() -> std::unique_ptr<tv::irc::IrcLink> {
    return std::make_unique<tv::irc::ClsIRCProxy>(bus, info.programFolder);
  };
  // Each pane serves its own hand-off endpoint under the next link handle.
  tv::dcc::DdeHandles ddeHandles;
  ircServices.ddeHandles = &ddeHandles;
  ircServices.bus = &bus;
  ircServices.ddeCallerCheck = tv::dcc::ProgramCallerCheck(bus, dcc.programPath());
  ircServices.dcc = &dcc;
  // The message box is made with the main window, after the first pane.
  tv::app::MessageSink *messageBox = nullptr;
  ircServices.messages = [&messageBox] { return messageBox; };

  tv::mainwindow::FrmMain::Services services;
  services.allLog = &frmAllLOG;
  services.problems = &problems;
  services.keys = keys.get();
  services.makeIrcPane = [&ircServices] { return new tv::irc::CtlIRC(ircServices); };
  tv::mainwindow::FrmMain frmMain(info, settings, services);
  problems.attach([&frmMain](const QStringList &lines) {
    for (const QString &line : lines)
      frmMain.addINF(QStringLiteral("TV"), QStringLiteral("ERR"), line);
  });

  // The voice and text session: the engine drives the window through its session
  // interface, the window reaches the engine through the link. The sound devices are
  // the ones the platform's [Audio] settings name; nothing of them opens before a voice
  // client connects.
  const QString platformSettings = tv::peer::AudioSetup::defaultPath();
  const std::unique_ptr<tv::audio::AudioBackend> soundDevices =
      tv::audio::makeBackend(tv::audio::AudioSettings::read(platformSettings));
  tv::peer::EnetPlatform platform({}, platformSettings, soundDevices.get());
  tv::session::UiPacer pacer;
  const tv::session::PictureStore pictures(info.appFolder);
  // The voice client's first connection on this PC runs the audio set-up wizard on the
  // devices the platform's settings name; it records the set-up where the platform
  // looks for it.
  const QString &audioSetupPath = platformSettings;
  tv::audiosetup::ConfiguredDevices audioDevices(audioSetupPath);
  const tv::audiosetup::VoiceTest voiceTest(audioDevices, audioSetupPath, info.titleTag);
  const auto checkAudioSetup = [&] { return voiceTest.CheckAudioSetup({}, {}, &frmMain); };
  tv::session::SessionEngine engine(frmMain, platform, settings, pacer, pictures, dcc,
                                    {info.appVersion, audioSetupPath, {}, checkAudioSetup});
  tv::session::ParticipantTools participantTools(engine, frmMain, pacer);
  tv::mainwindow::SessionLinkTo<tv::session::SessionEngine, tv::session::ParticipantTools>
      sessionLink(engine, participantTools);
  frmMain.attachSession(&sessionLink);
  // Received pictures go to the chat log; the composer and the picture window are
  // made on their buttons' first use.
  QObject::connect(&engine, &tv::session::SessionEngine::pictureStored, &frmMain,
                   &tv::mainwindow::FrmMain::ShowReceivedPicture);
  tv::mainwindow::ChatToolWindows chatTools(frmMain, info, settings);

  // Direct file transfers: the participant menu starts TvDcc; a sending TvDcc hands its
  // offer back over the bus name this copy owns, and the session carries it on. Only a
  // TvDcc of this program folder may hand offers over.
  const tv::session::FileOfferRelay offerRelay(engine);
  tv::mainwindow::VoiceDccLink dccLink(
      frmMain, sessionLink, dcc,
      [&offerRelay](const QString &line) { return offerRelay.Forward(line); }, bus,
      tv::dcc::ProgramCallerCheck(bus, dcc.programPath()));

  tv::app::FrmBoxMSG frmBoxMSG(&frmMain);
  frmMain.attachMessageBox(&frmBoxMSG);
  messageBox = &frmBoxMSG;

  // The voice connection dialog, made on the first host or join request.
  const auto logVoice = [&frmMain](const QString &kind, const QString &text) {
    frmMain.LogVoiceInfo(kind, text);
  };
  tv::session::VoiceCollections voiceLists(platform, pacer, logVoice);
  auto *voiceDialog = new tv::mainwindow::VoiceDialogLauncher(
      frmMain, info, settings, {&voiceLists, &frmBoxMSG, &pacer, logVoice});
  QObject::connect(voiceDialog, &tv::mainwindow::VoiceDialogLauncher::EvHOST, &engine,
                   &tv::session::SessionEngine::EvHOST);
  QObject::connect(voiceDialog, &tv::mainwindow::VoiceDialogLauncher::EvJOIN, &engine,
                   &tv::session::SessionEngine::EvJOIN);
  tv::irc::IrcDialogLauncher ircDialogs(frmMain, info, settings, &frmBoxMSG);
  tv::app::WindowRaiser raiser(&frmMain);
  QObject::connect(&instance, &tv::app::SingleInstance::raiseRequested, &raiser,
                   &tv::app::WindowRaiser::raise);

  frmMain.show();
  return application.exec();
}
