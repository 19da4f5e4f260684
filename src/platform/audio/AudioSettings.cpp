#include "platform/audio/AudioSettings.h"

#include "platform/audio/PortAudioBackend.h"
#include "platform/audio/WavBackend.h"
#include "platform/profile/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace tv::audio {

namespace {

constexpr char16_t kSection[] = u"Audio";

// Devices of a backend the settings name but this program does not have.
class UnknownBackend final : public AudioBackend {
 public:
  explicit UnknownBackend(QString name)
      : reason_(
            QStringLiteral("[Audio] の Backend=%1 は使えません。(portaudio か wav)").arg(name)) {}
  std::unique_ptr<AudioStream> openCapture(CaptureSink &, QString &error) override {
    error = reason_;
    return nullptr;
  }
  std::unique_ptr<AudioStream> openPlayback(PlaybackSource &, QString &error) override {
    error = reason_;
    return nullptr;
  }

 private:
  const QString reason_;
};

QString resolve(const QString &iniPath, const QString &path) {
  if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QFileInfo(iniPath).absoluteDir().filePath(path);
}

}  // namespace

AudioSettings AudioSettings::read(const QString &iniPath) {
  const profile::ProfileFile file(iniPath);
  AudioSettings s;
  s.backendName = file.read(kSection, u"Backend", u"portaudio").trimmed();
  if (s.backendName.compare(u"wav", Qt::CaseInsensitive) == 0)
    s.backend = Backend::Wav;
  else if (!s.backendName.isEmpty() &&
           s.backendName.compare(u"portaudio", Qt::CaseInsensitive) != 0)
    s.backend = Backend::Unknown;
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
  switch (settings.backend) {
    case AudioSettings::Backend::Wav:
      return std::make_unique<WavBackend>(
          WavBackend::Options{settings.captureFile, settings.playbackFile, false});
    case AudioSettings::Backend::Unknown:
      return std::make_unique<UnknownBackend>(settings.backendName);
    case AudioSettings::Backend::PortAudio:
      break;
  }
  return std::make_unique<PortAudioBackend>();
}

}  // namespace tv::audio
