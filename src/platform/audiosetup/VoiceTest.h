#pragma once
// The voice service's audio set-up test, as the main program's first voice connection
// and the sound test program call it: CheckAudioSetup runs the set-up wizard
// (AudioSetupWizard) for the given devices, modal to the owner window, and says how
// it ended. UI thread only.

#include "platform/audiosetup/SetupDevices.h"
#include "platform/peer/PeerResult.h"

#include <QString>

class QWidget;

namespace tv::audiosetup {

class VoiceTest {
 public:
  // `setupPath`: the platform's settings file; `titleTag` begins the wizard's title.
  // `devices` outlives the test.
  VoiceTest(SetupDevices &devices, QString setupPath, QString titleTag)
      : devices_(devices), setupPath_(std::move(setupPath)), titleTag_(std::move(titleTag)) {}

  // Empty device names choose the system's defaults, the only devices voice uses; any
  // other name is refused with DVERR_INVALIDPARAM. Otherwise the wizard's result
  // (AudioSetupWizard::run).
  peer::Result CheckAudioSetup(const QString &playbackDevice, const QString &captureDevice,
                               QWidget *owner) const;

 private:
  SetupDevices &devices_;
  QString setupPath_;
  QString titleTag_;
};

}  // namespace tv::audiosetup
