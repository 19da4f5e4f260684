#pragma once
// The participant tools of the voice pane on the session's side: the own colour and
// voice team told to the members, the voice destination, kicking a member, the member
// limit and the address lookup. The window decides which member a tool is for (its
// selected row) and forwards; this class talks to the session through the engine's
// public operations and writes system lines into the window's chat log.
//
// Threading: UI thread only. Kick and lookup pause or pump between platform calls;
// whatever runs meanwhile may end the session or start another. After every wait a
// tool checks that the session it started in is still held and stops quietly if not.
// Every tool does nothing while no session is held.

#include "session/ParticipantText.h"

#include <QString>

#include <cstdint>

namespace tv::session {

class Pacer;
class SessionEngine;
class SessionWindow;

class ParticipantTools {
 public:
  // All three outlive the tools; pacer is the engine's.
  ParticipantTools(SessionEngine &engine, SessionWindow &window, Pacer &pacer);

  // The own row takes the colour (24-bit value) and every member is told.
  void ChooseOwnColour(std::uint32_t colourValue);
  // team 0 (none) to 4. The own row shows it; the host moves its own player into the
  // team's group; every member is told. Failures end it silently.
  void ChooseOwnTeam(int team);
  // team 0 sends voice to everyone, 1 to 4 to the group "Team1".."Team4", or to
  // everyone when the session has no such group. Failures are ignored.
  void ChooseTransmitTeam(int team);
  // The group named "Team" + team among the session's groups; 0 when there is none.
  std::uint32_t TransmitTargetFor(int team) const;

  // Host: removes the member from the session, reporting failures in the chat log.
  void KickMember(std::uint32_t playerId);
  // Host: applies a limit typed into the input box (ParticipantText.h for the text's
  // reading). Ends without a word when this PC holds no session or is no longer the
  // host: the box may have stayed open while that changed.
  void SetMemberLimit(const QString &text);
  // Host: no limit any more.
  void RemoveMemberLimit();

  // Shows the member's IP address and port in the chat log. rowName is the member's
  // row text without the host mark; rowCount the number of rows in the list.
  void LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount);

 private:
  // Writes the description with the maximum; on success the lines are shown, on
  // failure an error report instead.
  void WriteMaximum(quint32 maximum, const QStringList &successLines);
  void ReportLookupFailure(LookupStep step, quint32 code, std::uint32_t playerId);
  void Chat(const QStringList &lines) const;

  SessionEngine &engine_;
  SessionWindow &window_;
  Pacer &pacer_;
};

}  // namespace tv::session
