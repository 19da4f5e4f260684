#pragma once
// Value types of the voice control plane: codecs, the voice session description and a
// voice client's configuration.

#include "platform/peer/PeerResult.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace tv::peer {

struct CompressionInfo {
  QString name;
  QUuid guid;
  quint32 maxBitsPerSecond = 0;
};

// Session type of a voice session where every member sends to the others directly.
inline constexpr quint32 kVoiceSessionPeer = 1;

struct VoiceSessionDesc {
  quint32 flags = 0;
  quint32 sessionType = kVoiceSessionPeer;
  QUuid compressionGuid;
  qint32 bufferQuality = 0;  // 0: the service's default
  qint32 bufferAggressiveness = 0;
  friend bool operator==(const VoiceSessionDesc &, const VoiceSessionDesc &) = default;
};

// Client configuration flags.
inline constexpr quint32 kClientRecordMute = 1;
inline constexpr quint32 kClientPlaybackMute = 2;
inline constexpr quint32 kClientManualVoiceActivated = 4;
inline constexpr quint32 kClientAutoRecordVolume = 8;
inline constexpr quint32 kClientEchoSuppression = 32;
inline constexpr quint32 kClientKnownFlags = kClientRecordMute | kClientPlaybackMute |
                                             kClientManualVoiceActivated | kClientAutoRecordVolume |
                                             kClientEchoSuppression;

// Volumes are hundredths of a decibel: -10000 is silent, 0 is full.
inline constexpr qint32 kVolumeMin = -10000;
inline constexpr qint32 kVolumeMax = 0;

struct VoiceClientConfig {
  quint32 flags = 0;
  qint32 recordVolume = 0;
  qint32 playbackVolume = 0;
  qint32 threshold = 1;  // 0..99
  qint32 bufferQuality = 0;
  qint32 bufferAggressiveness = 0;
  qint32 notifyPeriodMs = 0;  // 0: no level callbacks
  friend bool operator==(const VoiceClientConfig &, const VoiceClientConfig &) = default;
};

// Empty GUIDs mean the default devices.
struct SoundDeviceConfig {
  QUuid playbackDevice;
  QUuid captureDevice;
  quint32 flags = 0;
};

// What playback made of one speaker's frames.
struct SpeakerStats {
  quint32 playerId = 0;
  quint32 played = 0;     // frames played, concealed ones included
  quint32 concealed = 0;  // of them, made up by concealment or redundancy
  quint32 dropped = 0;    // discarded as late, duplicate or malformed
  qint32 delayMs = 0;     // how long frames wait in the jitter buffer now
};

// The codecs every voice server and client offers, in list order (the voice operations
// number them from 1).
const QList<CompressionInfo> &compressionTypes();
const CompressionInfo *findCompressionType(const QUuid &guid);
// The list as the voice server and client report it (n counts from 1;
// DVERR_INVALIDPARAM beyond the list).
quint32 compressionTypeCount();
Result compressionType(quint32 n, CompressionInfo &out);

// Checks ranges: known flags, volumes, threshold 0..99, notify period 0..10000 ms.
bool isValidClientConfig(const VoiceClientConfig &config);

}  // namespace tv::peer
