#pragma once
// What the main window asks of the session engine: the state it shows, the messages
// it sends, the engine steps its buttons and its close sequence run, and the
// participant tools. The engine and its tools implement it (tests use a recorder); all calls come
// on the UI thread. Everything the engine asks of the window goes the other way, through
// session::SessionWindow.

#include "platform/peer/VoiceTypes.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tv::mainwindow {

class SessionLink {
 public:
  virtual ~SessionLink() = default;

  // 0 idle, 1 starting, 2 host, 3 member.
  virtual int SessionState() const = 0;
  // The host search is running (its progress timer is on).
  virtual bool HostSearchRunning() const = 0;
  // The platform's ID of this PC's player; 0 before it exists.
  virtual std::uint32_t OwnPlayerId() const = 0;
  virtual QString OwnNickname() const = 0;
  // Members now and the member limit (0: none), from the host's description.
  struct MemberCount {
    int current = 0;
    int maximum = 0;
  };
  virtual MemberCount MemberCounts() const = 0;
  // The session objects are still held (the root object exists).
  virtual bool HoldsSession() const = 0;

  // Sends an encoded session message (session::encode...) with guaranteed delivery
  // and no loop-back; target 0 means every member. Returns the platform's result code
  // (0 when the message is on its way).
  virtual std::uint32_t SendSessionMessage(const QByteArray &message, std::uint32_t target) = 0;

  // Stops the host search: its timer off, the enumeration cancelled.
  virtual void StopHostSearch() = 0;
  virtual void EndVoiceChat() = 0;
  virtual void ReleaseSession() = 0;
  // Stops the engine's timers (deferred release, host search, latency) at close.
  virtual void StopSessionTimers() = 0;

  // ---- Voice client configuration (volume sliders, mute buttons, mute keys) -------
  // The voice client's configuration while it is connected; before the client connects
  // and after the voice chat has ended, the one the engine keeps for the next connection.
  // Set writes the kept one as well. Not kOk: the platform refused.
  virtual peer::Result GetClientConfig(peer::VoiceClientConfig &out) const = 0;
  virtual peer::Result SetClientConfig(const peer::VoiceClientConfig &config) = 0;

  // ---- Participant tools (the window has chosen the member or entry) --------------
  // The own row's colour (24-bit value), told to every member.
  virtual void ChooseOwnColour(std::uint32_t colourValue) = 0;
  // Own voice team 0 (none) to 4, and the team this PC's voice goes to (0: everyone).
  virtual void ChooseOwnTeam(int team) = 0;
  virtual void ChooseTransmitTeam(int team) = 0;
  // Host: removes the member; failures are reported in the chat log.
  virtual void KickMember(std::uint32_t playerId) = 0;
  // Host: the limit text from the input box, and removing the limit.
  virtual void SetMemberLimit(const QString &text) = 0;
  virtual void RemoveMemberLimit() = 0;
  // The member's address in the chat log; rowName without the host mark, rowCount the
  // participant list's rows.
  virtual void LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount) = 0;
};

}  // namespace tv::mainwindow
