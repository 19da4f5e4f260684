#pragma once
// The voice client of one member: joins the session's voice session, keeps its audio
// configuration and transmit targets, and learns which members take part in voice.
// Callbacks are signals, delivered like the peer's (queued, in order, one per turn)
// while notifications are started.
//
// createVoicePlayer and deleteVoicePlayer are raised for every voice member, the own
// one included; createVoicePlayer for a member always comes after its createPlayer and
// deleteVoicePlayer before its destroyPlayer.

#include "platform/peer/PeerResult.h"
#include "platform/peer/VoiceTypes.h"

#include <QByteArray>
#include <QList>
#include <QObject>

namespace tv::peer {

class Peer;

// createVoicePlayer flag of the own voice player.
inline constexpr quint32 kVoicePlayerLocal = 1;

class VoiceClient : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~VoiceClient() override = default;

  virtual Result Initialize(Peer *peer) = 0;
  virtual Result StartClientNotification() = 0;
  virtual Result StopClientNotification() = 0;
  // kPending, then connectResult. DVERR_RUNSETUP while the audio set-up has never run;
  // DVERR_RECORDSYSTEMERROR or DVERR_PLAYBACKSYSTEMERROR when a sound device does not open
  // (the host is not asked then).
  virtual Result Connect(const SoundDeviceConfig &sound, const VoiceClientConfig &config) = 0;
  // kPending, then disconnectResult.
  virtual Result Disconnect() = 0;
  virtual Result GetClientConfig(VoiceClientConfig &out) const = 0;
  virtual Result SetClientConfig(const VoiceClientConfig &config) = 0;
  virtual Result GetSessionDesc(VoiceSessionDesc &out) const = 0;
  virtual Result GetCompressionTypeCount(quint32 &count) const = 0;
  virtual Result GetCompressionType(quint32 n, CompressionInfo &out) const = 0;
  // Player and group IDs; a list holding only 0 means everyone.
  virtual Result SetTransmitTargets(const QList<quint32> &targets) = 0;
  virtual Result GetTransmitTargets(QList<quint32> &out) const = 0;
  // What playback made of each speaker heard during this connection.
  virtual Result GetSpeakerStats(QList<SpeakerStats> &out) const = 0;
  // True once the configuration last set is what the sound devices work with (at once
  // while none runs).
  virtual bool ConfigApplied() const = 0;

 Q_SIGNALS:
  void connectResult(quint32 result);
  void disconnectResult(quint32 result);
  void createVoicePlayer(quint32 playerId, quint32 flags);
  void deleteVoicePlayer(quint32 playerId);
  void hostMigrated(quint32 newHostId);
  void sessionLost(quint32 result);
  // From the audio: levels every notification period, talk-spurts of this PC (record)
  // and of the others as they play.
  void inputLevel(int peakLevel, int recordVolume);
  void outputLevel(int peakLevel, int outputVolume);
  void playerOutputLevel(quint32 playerId, int peakLevel);
  void playerVoiceStart(quint32 playerId);
  void playerVoiceStop(quint32 playerId);
  void recordStart(int peakLevel);
  void recordStop(int peakLevel);
  // A sound device stopped working mid-session (DVERR_RECORDSYSTEMERROR or
  // DVERR_PLAYBACKSYSTEMERROR): its direction is silent while it is tried again every two
  // seconds. Raised once; soundDeviceRestored once every device works again.
  void soundDeviceLost(quint32 result);
  void soundDeviceRestored();
};

}  // namespace tv::peer
