#pragma once
// The sound devices [Audio] of the platform's settings file names (audio::AudioSettings),
// the voice path's own backends: the system's defaults through PortAudio, or WAV files.
// The file is read at every open, so a changed setting applies from the next set-up on.
// UI thread only.

#include "platform/audiosetup/SetupDevices.h"

namespace tv::audiosetup {

class ConfiguredDevices : public SetupDevices {
 public:
  explicit ConfiguredDevices(QString iniPath) : iniPath_(std::move(iniPath)) {}

  std::unique_ptr<PlaybackDevice> openPlayback(QString &why) override;
  std::unique_ptr<CaptureDevice> openCapture(QString &why) override;

 private:
  QString iniPath_;
};

}  // namespace tv::audiosetup
