#pragma once
// Sound devices made of files, for tests and scripts. Capture plays a WAV file in real
// time: 10 ms periods on CLOCK_MONOTONIC, and a wake-up that comes late delivers every
// period that is due, so the file's time never stretches. Both directions run on one
// clock thread (WavClock), as a sound card's do. Playback writes what the
// speakers would play: sample n is heard at the stream's start + n / 48000 s, the file
// growing with real time; its sizes are rewritten every second and at the end, so it is
// a valid WAV file while it grows and after the process is killed.
//
// An empty capture file name captures silence; an empty playback file name keeps
// nothing. By default the capture file starts with the stream; a held one starts when
// startCaptureFile() is called, and silence comes before it and after its end.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/WavClock.h"
#include "platform/audio/WavFile.h"

#include <atomic>
#include <memory>

namespace tv::audio {

class WavBackend final : public AudioBackend {
 public:
  struct Options {
    QString captureFile;
    QString playbackFile;
    bool holdCaptureFile = false;
  };
  // Times on CLOCK_MONOTONIC in nanoseconds; 0 until known. Shared with the streams.
  struct Times {
    std::atomic<int64_t> captureFileStart{0};  // start of the period holding sample 0
    std::atomic<int64_t> captureFileEnd{0};    // when its last sample is spoken
    std::atomic<int64_t> playbackStart{0};     // when the playback file's sample 0 is heard
  };

  explicit WavBackend(Options options);
  ~WavBackend() override;

  std::unique_ptr<AudioStream> openCapture(CaptureSink &sink, QString &error) override;
  std::unique_ptr<AudioStream> openPlayback(PlaybackSource &source, QString &error) override;

  // Checks the capture file now (so a bad one is reported before anything starts).
  bool checkCaptureFile(QString &error) const;
  // Creates (replaces) the playback file now; the next playback stream writes to it.
  bool preparePlaybackFile(QString &error);
  // A held capture file starts at the next period.
  void startCaptureFile() { startRequested_->store(true); }
  const Times &times() const { return *times_; }

 private:
  Options options_;
  std::shared_ptr<std::atomic<bool>> startRequested_;
  std::shared_ptr<Times> times_;
  std::shared_ptr<WavClock> clock_;  // shared with the open streams
  std::unique_ptr<WavWriter> prepared_;
};

}  // namespace tv::audio
