#pragma once
// The sound card through PortAudio: the default capture and playback devices at their
// low-latency setting. A device that cannot give 48 kHz mono 16 bit is opened at its
// own rate and channel count and converted (speexdsp's resampler, down- or up-mixing)
// inside the callback. PortAudio is initialised for each open stream and terminated
// when it closes, so nothing of it runs while no voice client or set-up needs it.
//
// A stream counts as lost when PortAudio stops it on an error, or when its callbacks
// stop coming for a second (an unplugged device often just falls silent).

#include "platform/audio/AudioDevice.h"

namespace tv::audio {

class PortAudioBackend final : public AudioBackend {
 public:
  std::unique_ptr<AudioStream> openCapture(CaptureSink &sink, QString &error) override;
  std::unique_ptr<AudioStream> openPlayback(PlaybackSource &source, QString &error) override;
};

}  // namespace tv::audio
