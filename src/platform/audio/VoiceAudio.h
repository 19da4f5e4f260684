#pragma once
// A voice client's audio while it is connected: the capture and playback devices, what
// runs on their threads (CaptureProcessor, PlaybackMixer) and the voice path they share
// with the network. Reports to the UI thread as signals: the levels every notification
// period, talk-spurts starting and stopping on either side, a device lost and back.
//
// A device that fails mid-session is closed and its direction falls silent; the rest
// goes on. It is tried again every two seconds; the loss is reported once, and its end
// once when every device is back.
//
// Threading: UI thread. The devices' threads only touch the processor, the mixer and the
// rings.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PlaybackMixer.h"
#include "platform/peer/PeerResult.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace tv::audio {

class VoiceAudio : public QObject {
  Q_OBJECT
 public:
  struct Options {
    int bitsPerSecond = 12000;      // the session codec's
    bool echoCancellation = false;  // the user's setting: on whatever the configuration says
    int retryMs = 2000;
  };

  VoiceAudio(AudioBackend &backend, Options options, QObject *parent = nullptr);
  ~VoiceAudio() override;

  // Opens the capture device, then the playback device. kOk, or
  // DVERR_RECORDSYSTEMERROR / DVERR_PLAYBACKSYSTEMERROR with what the device said in
  // `why`; a failure leaves nothing open.
  peer::Result open(QString *why = nullptr);
  void close();
  bool isOpen() const { return open_; }

  // Takes effect within one frame on the device threads. A notification period of 0
  // switches the level signals off.
  void configure(const VoiceSettings &settings, int notifyPeriodMs);
  // True once every running device has applied the last configuration.
  bool configurationApplied() const;

  std::shared_ptr<VoicePath> path() const { return path_; }
  std::vector<SpeakerStatsView> stats() const { return mixer_.stats(); }
  // The devices' names; empty while closed.
  QString captureDeviceName() const;
  QString playbackDeviceName() const;

 Q_SIGNALS:
  // Both meters at once, every notification period: the input's peak and record
  // volume, then the output's peak and playback volume.
  void levels(int inputPeak, int recordVolume, int outputPeak, int playbackVolume);
  void recordStart(int peakLevel);
  void recordStop(int peakLevel);
  void playerVoiceStart(quint32 playerId);
  void playerVoiceStop(quint32 playerId);
  void deviceLost(quint32 result);
  void deviceRestored();

 private:
  void tick();
  void retry();
  bool openCapture(QString *why);
  bool openPlayback(QString *why);
  void drainEvents();

  AudioBackend &backend_;
  Options options_;
  std::shared_ptr<VoicePath> path_;
  SharedVoiceSettings shared_;
  VoiceSettings settings_;
  uint32_t generation_ = 0;
  EchoReference echo_;
  CaptureProcessor capture_;
  PlaybackMixer mixer_;
  std::unique_ptr<AudioStream> captureStream_, playbackStream_;
  bool open_ = false;
  bool lost_ = false;
  int notifyPeriodMs_ = 0;
  QTimer ticker_;
  QTimer retryTimer_;
};

}  // namespace tv::audio
