#pragma once
// Devices that open and do nothing: no thread, no callbacks, no sound. For the in-process
// network, whose sessions need a voice path but no audio. A test may take the devices
// away (open streams report lost, new ones fail) and give them back.

#include "platform/audio/AudioDevice.h"

#include <atomic>
#include <memory>

namespace tv::audio {

class SilentBackend final : public AudioBackend {
 public:
  SilentBackend();
  std::unique_ptr<AudioStream> openCapture(CaptureSink &sink, QString &error) override;
  std::unique_ptr<AudioStream> openPlayback(PlaybackSource &source, QString &error) override;

  void setAvailable(bool available);

 private:
  struct State {
    std::atomic<bool> available{true};
    std::atomic<int> generation{0};  // changes whenever the devices go away
  };
  std::unique_ptr<AudioStream> open(QString &error);
  std::shared_ptr<State> state_;
};

}  // namespace tv::audio
