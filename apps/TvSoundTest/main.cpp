// The sound test program: one window that runs the audio set-up test of the voice
// service for the default devices, then ends. One copy per user session.

#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/SingleInstance.h"
#include "platform/audiosetup/ConfiguredDevices.h"
#include "platform/audiosetup/VoiceTest.h"
#include "platform/peer/AudioSetup.h"
#include "soundtest/FrmSoundTest.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TvSoundTest"));
  QApplication::setApplicationVersion(tv::app::kAppVersion);

  // A second copy ends at once, without a window or a word; the first stays as it was.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && !tv::app::ClaimBusName(bus, QStringLiteral("TvSoundTest.Instance")))
    return 0;

  tv::app::InstallFontSubstitutes();
  const QString setupPath = tv::peer::AudioSetup::defaultPath();
  tv::audiosetup::ConfiguredDevices devices(setupPath);
  const tv::audiosetup::VoiceTest voiceTest(devices, setupPath, tv::app::kTitleTag);
  tv::soundtest::FrmSoundTest frmMAIN(tv::app::kTitleTag, [&voiceTest](QWidget *owner) {
    return voiceTest.CheckAudioSetup({}, {}, owner);
  });
  QObject::connect(&frmMAIN, &tv::soundtest::FrmSoundTest::ended, &application,
                   &QCoreApplication::quit, Qt::QueuedConnection);
  frmMAIN.show();
  return application.exec();
}
