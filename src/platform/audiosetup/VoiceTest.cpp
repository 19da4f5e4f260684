#include "platform/audiosetup/VoiceTest.h"

#include "platform/audiosetup/AudioSetupWizard.h"

namespace tv::audiosetup {

peer::Result VoiceTest::CheckAudioSetup(const QString &playbackDevice, const QString &captureDevice,
                                        QWidget *owner) const {
  if (!playbackDevice.isEmpty() || !captureDevice.isEmpty()) return peer::DVERR_INVALIDPARAM;
  AudioSetupWizard wizard(devices_, setupPath_, titleTag_ + QStringLiteral("音声の設定"), owner);
  return wizard.run();
}

}  // namespace tv::audiosetup
