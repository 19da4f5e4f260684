#include "platform/audio/AudioSettings.h"

#include "platform/audio/PortAudioBackend.h"
#include "platform/audio/WavBackend.h"
#include "platform/profile/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace tv::audio {

namespace {

constexpr char16_t kSection[] = u"Audio";

QString resolve(const QString &iniPath, const QString &path) {
  if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QFileInfo(iniPath).absoluteDir().filePath(path);
}

}  // namespace

AudioSettings AudioSettings::read(const QString &iniPath) {
  const profile::ProfileFile file(iniPath);
  AudioSettings s;
  if (file.read(kSection, u"Backend", u"portaudio")
          .trimmed()
          .compare(u"wav", Qt::CaseInsensitive) == 0)
    s.backend = Backend::Wav;
  s.captureFile = resolve(iniPath, file.read(kSection, u"CaptureFile", u"").trimmed());
  s.playbackFile = resolve(iniPath, file.read(kSection, u"PlaybackFile", u"").trimmed());
  s.echoCancellation = file.read(kSection, u"EchoCancellation", u"0").trimmed() == u"1";
  return s;
}

bool AudioSettings::writeEchoCancellation(const QString &iniPath, bool on) {
  QDir().mkpath(QFileInfo(iniPath).absolutePath());
  return profile::ProfileFile(iniPath).write(kSection, u"EchoCancellation", on ? u"1" : u"0");
}

std::unique_ptr<AudioBackend> makeBackend(const AudioSettings &settings) {
  if (settings.backend == AudioSettings::Backend::Wav)
    return std::make_unique<WavBackend>(
        WavBackend::Options{settings.captureFile, settings.playbackFile, false});
  return std::make_unique<PortAudioBackend>();
}

}  // namespace tv::audio
