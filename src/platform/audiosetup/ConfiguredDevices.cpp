#include "platform/audiosetup/ConfiguredDevices.h"

#include "platform/audiosetup/AudioConfig.h"
#include "platform/audiosetup/PortAudioDevices.h"
#include "platform/audiosetup/WavCapture.h"
#include "platform/audiosetup/WavPlayback.h"

namespace tv::audiosetup {
namespace {

QString unknownBackend(const QString &backend) {
  return QStringLiteral("[Audio] の Backend=%1 は使えません。(portaudio か wav)").arg(backend);
}

}  // namespace

std::unique_ptr<PlaybackDevice> ConfiguredDevices::openPlayback(QString &why) {
  const AudioConfig config = AudioConfig::read(iniPath_);
  if (config.backend == kBackendWav) return WavPlayback::open(config.playbackFile, why);
  if (config.backend == kBackendPortAudio) return OpenPortAudioPlayback(why);
  why = unknownBackend(config.backend);
  return nullptr;
}

std::unique_ptr<CaptureDevice> ConfiguredDevices::openCapture(QString &why) {
  const AudioConfig config = AudioConfig::read(iniPath_);
  if (config.backend == kBackendWav) return WavCapture::open(config.captureFile, why);
  if (config.backend == kBackendPortAudio) return OpenPortAudioCapture(why);
  why = unknownBackend(config.backend);
  return nullptr;
}

}  // namespace tv::audiosetup
