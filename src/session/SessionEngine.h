#pragma once
// The peer session engine: owns this PC's one voice and text session. It creates and
// releases the session objects in a fixed order, hosts, searches for a host and joins
// it, follows members as they join, leave, rename themselves and as the host role
// migrates, connects the voice client, exchanges application messages, and reports
// every step in the main window's information log and chat log through SessionWindow.
//
// Threading: UI thread only. Platform callbacks arrive queued, one per event-loop
// turn. Several steps pause or pump (Pacer); whatever runs meanwhile may end the
// session or start a new one, so a step that resumes after a wait first checks that
// its session is still the current one, and stops quietly otherwise.
//
// The members are spread over files by concern: SessionEngine.cpp (construction,
// state, messages), SessionStart.cpp (host, search, join), SessionCallbacks.cpp
// (membership callbacks, latency), SessionVoice.cpp (voice client and teams),
// SessionRelease.cpp (release and end of voice chat).

#include "platform/peer/PeerAddress.h"
#include "platform/peer/Platform.h"
#include "platform/peer/VoiceTypes.h"
#include "session/MessageReceiver.h"
#include "session/SessionReport.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace tv::app {
class Settings;
}

namespace tv::session {

class Pacer;
class PictureStore;
class SessionWindow;
class TvDccLauncher;

class SessionEngine : public QObject {
  Q_OBJECT
 public:
  // Session states.
  enum State { kIdle = 0, kStarting = 1, kHost = 2, kMember = 3 };

  struct Options {
    QString appVersion;  // major.minor.revision; in the session name and the host report
    // The platform's audio set-up flag (peer::AudioSetup), set when the voice client
    // says the set-up has never been run.
    QString audioSetupPath;
    // Local time of day in seconds since midnight (the host search's clock).
    std::function<double()> secondsSinceMidnight;
    // Runs the audio set-up when the voice client says it has never been run, at most
    // once per connection attempt; it records the set-up (peer::AudioSetup) itself.
    // Not kOk when the set-up failed (DPNERR_GENERIC), was cancelled (DPNERR_USERCANCEL)
    // or found a sound device it could not open (DVERR_PLAYBACKSYSTEMERROR,
    // DVERR_RECORDSYSTEMERROR): the start is then abandoned as an unexpected failure with
    // that code. Empty: the flag at audioSetupPath is set without asking.
    // Called on the UI thread; it may run a modal dialog.
    std::function<peer::Result()> checkAudioSetup = {};
    // A clock that never goes back, in milliseconds (how often dropped messages are
    // reported). Empty: the system's steady clock.
    std::function<qint64()> steadyMs = {};
  };

  // The application every Talvora session uses; all peers must agree on it.
  static const QUuid &ApplicationGuid();

  // Every dependency outlives the engine.
  SessionEngine(SessionWindow &window, peer::Platform &platform, const app::Settings &settings,
                Pacer &pacer, const PictureStore &pictures, TvDccLauncher &dcc, Options options);
  ~SessionEngine() override;

  // ---- Started by the voice connection dialog -----------------------------------
  // Host with the nickname, the 1-based codec and device numbers. False when the start
  // was abandoned (reported) or a session is already held (nothing done).
  bool EvHOST(const QString &nick, quint32 codecNo, quint32 deviceNo);
  // Search for the host at a host name or IPv4 address, then join it.
  bool EvJOIN(const QString &nick, const QString &address, quint32 deviceNo);

  // ---- What the main window reads and runs -------------------------------------
  int SessionState() const { return state_; }
  bool HostSearchRunning() const { return timSRCH_.isActive(); }
  quint32 OwnPlayerId() const { return ownPlayerId_; }
  QString OwnNickname() const { return nick_; }
  struct MemberCount {
    int current = 0;
    int maximum = 0;  // 0: no limit
  };
  MemberCount MemberCounts() const;
  // A session is being started or held: the window's close waits until it is not.
  bool HoldsSession() const { return rootHeld_ || state_ != kIdle; }

  // Sends an encoded message (SessionMessage.h) to one member, or to every member when
  // target is 0, guaranteed and without loop-back. Without a session, or when the
  // platform refuses, the message is lost; the platform's result says which
  // (DPNERR_NOCONNECTION without a session object).
  peer::Result SendSessionMessage(const QByteArray &message, quint32 target);
  // The same from its parts: a string body when isText, else the 32-bit value.
  void SendSessionMessage(std::int32_t type, bool isText, bool toAll, const QString &text,
                          std::int32_t value, quint32 target);
  // The member's name as the session reports it; "" when that fails.
  QString GetPlayerName(quint32 playerId) const;

  // Search-cancel button: timSRCH off, the enumeration cancelled.
  void StopHostSearch();
  // Ends voice chat when the "VOICE" tab exists: tab removed, log saved, session
  // released. Without the tab it does nothing.
  void EndVoiceChat();
  // The release sequence: every held object released in a fixed order, failures
  // ignored, state 0 at the end. It also ends a running host search or join, so the
  // window's close never waits for a session that nothing else would end. A call made
  // while a release is running (from one of its pumps) returns at once; the running
  // one finishes.
  void ReleaseSession();
  // The window's close: the deferred release, host search and latency timers off.
  void StopSessionTimers();

  // ---- Voice teams (participant tools) -------------------------------------------
  // Group ID of team 1-4 in the order the groups were created; 0 when unknown.
  quint32 TeamGroupId(int team) const;
  // Removes the player from the four team groups, ignoring every failure.
  void RemoveFromAllTeams(quint32 playerId);
  // Host: RemoveFromAllTeams, then for team 1-4 adds the player to that team's group.
  void MoveToTeam(quint32 playerId, int team);

  // The session's objects while held (the participant tools use them); else null.
  peer::Peer *PeerObject() const { return peer_.get(); }
  peer::VoiceClient *VoiceClientObject() const { return voiceClient_.get(); }
  // The voice client configuration, kept from one session to the next.
  const peer::VoiceClientConfig &ClientConfig() const { return clientConfig_; }
  // The window's volume and mute handlers: the voice client's configuration from its
  // Connect until the session is released, the kept one otherwise (which the next
  // Connect passes on). Set always updates the kept one too, so that a step of the
  // engine that applies the kept configuration after a pause applies the change.
  peer::Result GetClientConfig(peer::VoiceClientConfig &out) const;
  peer::Result SetClientConfig(const peer::VoiceClientConfig &config);

  // ---- Timer ticks (public so that tests can step them) ---------------------------
  void timSRCH_Timer();
  void timDx8Clear_Timer();
  void timPING_Timer();
  QTimer &timSRCH() { return timSRCH_; }
  QTimer &timDx8Clear() { return timDx8Clear_; }
  QTimer &timPING() { return timPING_; }

  // ---- Platform callbacks (connected to the objects' signals; public so that tests
  // can deliver results the platform rarely gives) ---------------------------------
  void DirectPlay8Event_ConnectComplete(quint32 result);
  void DirectPlay8Event_CreatePlayer(quint32 playerId);
  // reason: peer::kDestroy*; a member removed by the host is told so before its session ends.
  void DirectPlay8Event_DestroyPlayer(quint32 playerId, quint32 reason = peer::kDestroyNormal);
  void DirectPlay8Event_EnumHostsResponse(const peer::EnumHostsResponse &response);
  void DirectPlay8Event_HostMigrate(quint32 newHostId);
  void DirectPlay8Event_InfoNotify(quint32 messageId, quint32 playerId);
  void DirectPlay8Event_Receive(quint32 senderId, const QByteArray &data);
  void DirectPlay8Event_TerminateSession(quint32 result);
  void DirectPlay8Event_IndicatedConnectAborted();
  void DirectPlay8Event_CreateGroup(quint32 groupId);
  void DirectPlay8Event_AppDesc();
  void DirectPlayVoiceEvent8_ConnectResult(quint32 result);
  void DirectPlayVoiceEvent8_DisconnectResult(quint32 result);
  void DirectPlayVoiceEvent8_CreateVoicePlayer(quint32 playerId, quint32 flags);
  void DirectPlayVoiceEvent8_DeleteVoicePlayer(quint32 playerId);
  void DirectPlayVoiceEvent8_InputLevel(int peakLevel);
  void DirectPlayVoiceEvent8_OutputLevel(int peakLevel);
  void DirectPlayVoiceEvent8_PlayerVoiceStart(quint32 playerId);
  void DirectPlayVoiceEvent8_PlayerVoiceStop(quint32 playerId);
  void DirectPlayVoiceEvent8_RecordStart();
  void DirectPlayVoiceEvent8_RecordStop();
  // A sound device stopped working mid-session, and came back.
  void DirectPlayVoiceEvent8_SoundDeviceLost(quint32 result);
  void DirectPlayVoiceEvent8_SoundDeviceRestored();

 Q_SIGNALS:
  // A received picture was stored under this path.
  void pictureStored(const QString &path);

 private:
  // Session objects are deleted on a later event-loop turn: a release often runs
  // inside one of their own callbacks.
  struct DeleteLater {
    void operator()(QObject *object) const {
      if (object) object->deleteLater();
    }
  };
  template <class T>
  using Held = std::unique_ptr<T, DeleteLater>;

  // Start (SessionStart.cpp).
  bool Dx8Initialize(quint32 deviceNo);
  // Error block with the consequence "start abandoned", then the release; false.
  bool AbandonStart(const QString &headline, peer::Result code);
  bool CreateSessionObjects();
  bool StartVoiceHost();
  bool StartHostSrch(const QString &address);
  peer::ApplicationDesc HostingDescription() const;
  void DeferRelease();
  void ReportJoinFailure(quint32 result);

  // Voice (SessionVoice.cpp).
  peer::Result ConnectVoiceClient();
  peer::VoiceClientConfig ConfigForConnect() const;
  peer::Result ReportOwnVoiceSession();
  // The session ended under this PC (own player destroyed, session terminated).
  void EndLostSession();
  // "<name>" + line in the chat log and the member's row removed.
  void ReportDeparture(const QString &callback, quint32 playerId, const QString &line);

  // Helpers.
  void ConnectPeerSignals();
  void ConnectVoiceSignals();
  void SetState(int state);
  // Pause or pump; false when the session they started in is no longer the current
  // one (released, or released and started again), so the caller stops.
  bool PauseKeeps();
  bool PumpKeeps();
  // Callbacks of a session being released are ignored.
  bool TakesCallbacks() const { return rootHeld_ && !releasing_; }
  void CancelSearch();

  SessionWindow &window_;
  peer::Platform &platform_;
  const app::Settings &settings_;
  Pacer &pacer_;
  Options options_;
  SessionReport report_;
  MessageReceiver receiver_;

  // Session context.
  bool sinkHeld_ = false;
  bool rootHeld_ = false;
  std::optional<peer::Address> device_;
  Held<peer::Peer> peer_;
  Held<peer::VoiceServer> voiceServer_;
  Held<peer::VoiceClient> voiceClient_;
  peer::VoiceClientConfig clientConfig_;
  bool voiceConnected_ = false;  // Connect accepted and the client not released since
  quint32 searchHandle_ = 0;
  quint32 deviceNo_ = 0;
  quint32 codecNo_ = 0;
  double searchStart_ = 0;
  QString nick_;
  int teamCount_ = 0;
  std::array<quint32, 4> teamIds_{};
  quint32 ownPlayerId_ = 0;
  int state_ = kIdle;

  // Changes whenever a session starts or its release begins.
  quint64 generation_ = 0;
  bool releasing_ = false;

  QTimer timSRCH_;
  QTimer timDx8Clear_;
  QTimer timPING_;
};

}  // namespace tv::session
