#include "platform/audiosetup/AudioConfig.h"

#include "platform/profile/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace tv::audiosetup {
namespace {
constexpr char16_t kSection[] = u"Audio";

QString resolved(const QString &iniPath, const QString &path) {
  if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QFileInfo(iniPath).absoluteDir().filePath(path);
}
}  // namespace

AudioConfig AudioConfig::read(const QString &iniPath) {
  const profile::ProfileFile file(iniPath);
  AudioConfig c;
  c.backend = file.read(kSection, u"Backend", kBackendPortAudio).trimmed().toLower();
  c.captureFile = resolved(iniPath, file.read(kSection, u"CaptureFile", u"").trimmed());
  c.playbackFile = resolved(iniPath, file.read(kSection, u"PlaybackFile", u"").trimmed());
  c.echoCancellation = file.read(kSection, u"EchoCancellation", u"0").trimmed() == u"1";
  return c;
}

bool AudioConfig::writeEchoCancellation(const QString &iniPath, bool on) {
  QDir().mkpath(QFileInfo(iniPath).absolutePath());
  return profile::ProfileFile(iniPath).write(kSection, u"EchoCancellation", on ? u"1" : u"0");
}

}  // namespace tv::audiosetup
