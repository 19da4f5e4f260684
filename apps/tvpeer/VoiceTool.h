#pragma once
// tvpeer's voice: the host's voice session and teams, this peer's voice client with
// WAV-file sound devices, the voice lines and the voice commands.
//
// The host always creates the groups "Team1" to "Team4" and starts the voice session
// with the chosen codec, so that Talvora can join it. With any voice option the peer is
// also a voice member: a host connects its voice client once the session runs, a member
// once it has joined. The capture file starts at the first voice player of another
// member; the playback file's sample 0 is heard at the voice connection.
//
// Lines (T: CLOCK_MONOTONIC in microseconds): ConnectResult, DisconnectResult,
// SessionLost, CreateVoicePlayer ID FLAGS, DeleteVoicePlayer ID, PlayerVoiceStart ID,
// PlayerVoiceStop ID, RecordStart, RecordStop, SoundDeviceLost, SoundDeviceRestored,
// VoiceOutStart T, VoiceInStart T, VoiceInEnd T, InputLevel/OutputLevel PEAK VOLUME
// (with --levels) and VoiceStats ID PLAYED CONCEALED DROPPED DELAY_MS.

#include "platform/audio/WavBackend.h"
#include "platform/peer/Peer.h"
#include "platform/peer/VoiceClient.h"
#include "platform/peer/VoiceServer.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>

namespace tv::tvpeer {

struct VoiceOptions {
  bool member = false;  // --voice or any other voice option
  QString input;        // --voice-in
  QString output;       // --voice-out
  quint32 codec = 3;    // --codec, 1-based
  bool levels = false;  // --levels
};

class VoiceTool : public QObject {
  Q_OBJECT
 public:
  using Print = std::function<void(const QString &)>;

  VoiceTool(peer::Peer &peer, peer::VoiceClient &client, peer::VoiceServer &server,
            audio::WavBackend &devices, const VoiceOptions &options, Print print);

  // Host: the session runs (own player created). Member: joined.
  void hosted();
  void joined();
  // True when the verb was a voice command (handled, or refused with a message).
  bool command(const QString &verb, const QString &rest);
  // Session messages the voice cares about (team choices, on the host).
  void received(quint32 sender, const QByteArray &data);
  void groupCreated(quint32 groupId);
  void groupChanged(quint32 message, quint32 groupId, quint32 playerId);
  void printStats();
  void setSelf(quint32 id) { self_ = id; }

 private:
  void connectVoice();
  void onCreateVoicePlayer(quint32 id, quint32 flags);
  void pollTimes();
  void moveToTeam(quint32 playerId, int team);
  void whenTrue(std::function<bool()> done, const QString &words);
  quint32 teamGroup(int team) const { return teams_.value(team); }
  bool isHost() const;

  peer::Peer &peer_;
  peer::VoiceClient &client_;
  peer::VoiceServer &server_;
  audio::WavBackend &devices_;
  VoiceOptions options_;
  Print print_;
  peer::VoiceClientConfig config_;
  quint32 self_ = 0;
  QHash<int, quint32> teams_;              // team number -> group ID
  QHash<quint32, QSet<quint32>> members_;  // group ID -> players
  bool inputStarted_ = false;
  bool printedIn_ = false, printedInEnd_ = false;
  QTimer timesPoll_;
};

}  // namespace tv::tvpeer
