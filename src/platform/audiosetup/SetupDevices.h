#pragma once
// The sound devices as the audio set-up sees them: the default capture and playback
// devices, opened at 48 kHz, one channel, 16-bit samples, handing blocks of samples to
// and from the caller on the device's own thread.
//
// Threading: open, name, start, stop and lost are called on the UI thread. The block
// functions given to start run on the device's thread, one block at a time, from start
// until stop returns; they must not block or allocate. Destroying a device stops it.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace tv::audiosetup {

inline constexpr int kSampleRate = 48000;  // samples per second, one channel
inline constexpr int kFullScale = 32767;

class CaptureDevice {
 public:
  // Receives `count` samples the microphone took, in order.
  using Sink = std::function<void(const std::int16_t *samples, int count)>;

  virtual ~CaptureDevice() = default;
  // The name the user knows the device by.
  virtual QString name() const = 0;
  // False when the device could not start (the sink is then never called).
  virtual bool start(Sink sink) = 0;
  virtual void stop() = 0;
  // The device failed while started: no more samples come until it is started again.
  virtual bool lost() const = 0;
};

class PlaybackDevice {
 public:
  // Fills `count` samples for the speakers (silence is zeros).
  using Source = std::function<void(std::int16_t *samples, int count)>;

  virtual ~PlaybackDevice() = default;
  virtual QString name() const = 0;
  virtual bool start(Source source) = 0;
  virtual void stop() = 0;
  virtual bool lost() const = 0;
};

// Opens the devices. Each call opens a device afresh (the configuration may have
// changed since the last one); a null result comes with the reason in `why`, in
// Japanese, for diagnostics.
class SetupDevices {
 public:
  virtual ~SetupDevices() = default;
  virtual std::unique_ptr<PlaybackDevice> openPlayback(QString &why) = 0;
  virtual std::unique_ptr<CaptureDevice> openCapture(QString &why) = 0;
};

}  // namespace tv::audiosetup
