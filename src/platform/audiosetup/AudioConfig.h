#pragma once
// The sound settings in section [Audio] of the platform's own settings file
// (peer::AudioSetup::defaultPath()), shared by every program of the suite:
//   Backend=portaudio|wav   the system's default devices (default) or WAV files
//   CaptureFile=PATH        wav: what the microphone hears (empty: silence)
//   PlaybackFile=PATH       wav: where the speakers' sound is kept (empty: nowhere)
//   EchoCancellation=0|1    the user listens on speakers: cancel their echo
// Relative paths are taken from the settings file's folder. Read afresh on every call.

#include <QString>

namespace tv::audiosetup {

struct AudioConfig {
  QString backend;  // lower case, as written
  QString captureFile;
  QString playbackFile;
  bool echoCancellation = false;

  static AudioConfig read(const QString &iniPath);
  // False when the file could not be written.
  static bool writeEchoCancellation(const QString &iniPath, bool on);
};

inline const QString kBackendPortAudio = QStringLiteral("portaudio");
inline const QString kBackendWav = QStringLiteral("wav");

}  // namespace tv::audiosetup
