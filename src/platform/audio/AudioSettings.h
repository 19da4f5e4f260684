#pragma once
// The [Audio] section of the platform's own settings file (peer::AudioSetup's
// platform.ini in the user's configuration folder):
//
//   Backend=portaudio|wav    portaudio (the sound card) unless it says wav
//   CaptureFile=PATH         wav: what the microphone hears (empty: silence)
//   PlaybackFile=PATH        wav: where what the speakers play is kept (empty: nothing)
//   EchoCancellation=0|1     1: the echo canceller always runs
//
// Relative paths are taken from the settings file's folder.

#include "platform/audio/AudioDevice.h"

#include <QString>

#include <memory>

namespace tv::audio {

struct AudioSettings {
  enum class Backend { PortAudio, Wav, Unknown };
  Backend backend = Backend::PortAudio;
  QString backendName;  // as written, for the report on an unknown one
  QString captureFile;
  QString playbackFile;
  bool echoCancellation = false;

  static AudioSettings read(const QString &iniPath);
  // Records the echo canceller choice; false when the file could not be written.
  static bool writeEchoCancellation(const QString &iniPath, bool on);
};

// The backend the settings name. An unknown name gives devices that never open (the
// reason names it): a mistyped "wav" must not record from the sound card instead.
std::unique_ptr<AudioBackend> makeBackend(const AudioSettings &settings);

}  // namespace tv::audio
