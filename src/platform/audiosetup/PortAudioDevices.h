#pragma once
// The system's default microphone and speakers through PortAudio, at 48000 Hz mono
// 16-bit and the devices' low-latency setting. The library is initialised while a
// device is open and terminated with the last one. See SetupDevices.h for the
// threading rules; the block functions run on PortAudio's callback thread.

#include "platform/audiosetup/SetupDevices.h"

namespace tv::audiosetup {

// Null, with PortAudio's reason in `why`, when the default device is missing or cannot
// be opened in that format.
std::unique_ptr<CaptureDevice> OpenPortAudioCapture(QString &why);
std::unique_ptr<PlaybackDevice> OpenPortAudioPlayback(QString &why);

}  // namespace tv::audiosetup
