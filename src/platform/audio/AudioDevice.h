#pragma once
// One interface for the voice path's sound devices, whatever stands behind it (the
// sound card through PortAudio, WAV files, silence). A backend opens one capture and
// one playback stream at a time; both run at 48 kHz, mono, 16 bit, converting inside
// when the device cannot.
//
// Threading: open and close (destroy) on the UI thread. The sink's and the source's
// callbacks run on the device's own thread; they must not block or allocate. After a
// stream's destructor returns no callback of it runs any more.

#include <QString>

#include <cstdint>
#include <memory>

namespace tv::audio {

class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  // `count` samples; the first was spoken at `firstSampleNs` (CLOCK_MONOTONIC).
  virtual void captured(const int16_t *samples, int count, int64_t firstSampleNs) noexcept = 0;
};

class PlaybackSource {
 public:
  virtual ~PlaybackSource() = default;
  // Fills `count` samples that will be heard from `heardNs` on; `nowNs` is the time the
  // device asks (which a device that fell behind may report in the past).
  virtual void render(int16_t *out, int count, int64_t nowNs, int64_t heardNs) noexcept = 0;
};

class AudioStream {
 public:
  virtual ~AudioStream() = default;
  // What the user would call the device ("既定のデバイス", a file name).
  virtual QString deviceName() const = 0;
  // True once the device has failed for good (unplugged, a write error); any thread.
  virtual bool lost() const = 0;
};

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  // Null, with the reason in `error`, when the device cannot be opened.
  virtual std::unique_ptr<AudioStream> openCapture(CaptureSink &sink, QString &error) = 0;
  virtual std::unique_ptr<AudioStream> openPlayback(PlaybackSource &source, QString &error) = 0;
};

}  // namespace tv::audio
