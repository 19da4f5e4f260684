#include "session/ParticipantTools.h"

#include "platform/peer/Peer.h"
#include "platform/peer/VoiceClient.h"
#include "session/Pacer.h"
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"
#include "session/SessionReport.h"
#include "session/SessionWindow.h"

#include <QPointer>

namespace tv::session {

using namespace tv::peer;

namespace {

constexpr int kTeamCount = 4;

// Remembers the session a tool started in. A released session's peer object is
// deleted later, and a new session gets a new object, so "the engine still holds the
// same, living object" means "the same session".
class SessionWatch {
 public:
  explicit SessionWatch(const SessionEngine &engine)
      : engine_(engine), peer_(engine.PeerObject()) {}
  bool Holds() const { return peer_ && engine_.PeerObject() == peer_.data(); }
  Peer *peer() const { return peer_.data(); }

 private:
  const SessionEngine &engine_;
  QPointer<Peer> peer_;
};

}  // namespace

ParticipantTools::ParticipantTools(SessionEngine &engine, SessionWindow &window, Pacer &pacer)
    : engine_(engine), window_(window), pacer_(pacer) {}

void ParticipantTools::Chat(const QStringList &lines) const {
  for (const QString &line : lines) window_.AddChatLine(line, 0, false);
}

void ParticipantTools::ChooseOwnColour(std::uint32_t colourValue) {
  colourValue &= 0xFFFFFF;
  window_.SetUserColor(engine_.OwnPlayerId(), colourValue);
  engine_.SendSessionMessage(encodeValueMessage(kColour, std::int32_t(colourValue)), 0);
}

void ParticipantTools::ChooseOwnTeam(int team) {
  if (team < 0 || team > kTeamCount || !engine_.PeerObject()) return;
  const quint32 own = engine_.OwnPlayerId();
  window_.SetUserTeam(own, team);
  if (engine_.SessionState() == SessionEngine::kHost) engine_.MoveToTeam(own, team);
  engine_.SendSessionMessage(encodeValueMessage(kTeam, team), 0);
}

std::uint32_t ParticipantTools::TransmitTargetFor(int team) const {
  Peer *peer = engine_.PeerObject();
  if (team < 1 || team > kTeamCount || !peer) return 0;
  const QString name = QStringLiteral("Team") + QString::number(team);
  quint32 count = 0;
  if (peer->GetCountPlayersAndGroups(kEnumGroups, count) != kOk) return 0;
  for (quint32 n = 1; n <= count; ++n) {
    quint32 id = 0;
    GroupInfo info;
    if (peer->GetPlayerOrGroup(n, id) != kOk) return 0;
    if (peer->GetGroupInfo(id, info) != kOk) continue;
    if (info.name == name) return id;
  }
  return 0;
}

void ParticipantTools::ChooseTransmitTeam(int team) {
  VoiceClient *voice = engine_.VoiceClientObject();
  if (!voice) return;
  voice->SetTransmitTargets({TransmitTargetFor(team)});
}

void ParticipantTools::KickMember(std::uint32_t playerId) {
  Peer *peer = engine_.PeerObject();
  if (!peer || playerId == 0) return;
  if (playerId == engine_.OwnPlayerId()) {
    Chat(KickSelfLines());
    return;
  }
  if (const Result r = peer->DestroyPeer(playerId)) {
    Chat(KickFailureLines(r));
    return;
  }
  // The engine removes the row when the platform reports the player destroyed.
  pacer_.Pause();
}

void ParticipantTools::SetMemberLimit(const QString &text) {
  Peer *peer = engine_.PeerObject();
  if (!peer || engine_.SessionState() != SessionEngine::kHost) return;
  ApplicationDesc desc;
  if (peer->GetApplicationDesc(desc) != kOk) return;
  const MemberLimitPlan plan = PlanMemberLimit(text, desc.currentPlayers, desc.maxPlayers);
  if (plan.newMaximum)
    WriteMaximum(*plan.newMaximum, plan.lines);
  else
    Chat(plan.lines);
}

void ParticipantTools::RemoveMemberLimit() {
  Peer *peer = engine_.PeerObject();
  if (!peer || engine_.SessionState() != SessionEngine::kHost) return;
  WriteMaximum(0, {kLimitRemovedLine});
}

void ParticipantTools::WriteMaximum(quint32 maximum, const QStringList &successLines) {
  Peer *peer = engine_.PeerObject();
  ApplicationDesc desc;
  Result r = peer->GetApplicationDesc(desc);
  if (r == kOk) {
    desc.maxPlayers = maximum;
    r = peer->SetApplicationDesc(desc);
  }
  // A limit that was not written is not announced as set.
  if (r == kOk)
    Chat(successLines);
  else
    Chat({kLimitErrorLine, ErrorNumberLine(r), ErrorDescriptionLine(r)});
}

void ParticipantTools::LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount) {
  const SessionWatch watch(engine_);
  if (!watch.peer() || playerId == 0) return;
  if (rowCount == 1) {
    Chat(LookupSingleMemberLines());
    return;
  }
  Chat({rowName + QStringLiteral("さんの身元調査開始")});
  pacer_.Pump();
  if (!watch.Holds()) return;

  PlayerInfo info;
  const Result infoResult = watch.peer()->GetPeerInfo(playerId, info);
  pacer_.Pause();
  if (!watch.Holds()) return;
  // Looking up one's own hosting PC tells nothing.
  constexpr quint32 kLocalHost = kPlayerLocal | kPlayerHost;
  if (infoResult == kOk && (info.playerFlags & kLocalHost) == kLocalHost) return;
  // A failed GetPeerInfo (the member has just left) is reported by GetPeerAddress.

  Address address;
  if (const Result r = watch.peer()->GetPeerAddress(playerId, address)) {
    ReportLookupFailure(LookupStep::kGetPeerAddress, r, playerId);
    return;
  }
  pacer_.Pause();
  if (!watch.Holds()) return;

  const std::optional<PeerUrlParts> parts = ParsePeerUrl(address.GetURL());
  if (!parts) {
    ReportLookupFailure(LookupStep::kGetURL, DPNERR_INVALIDURL, playerId);
    return;
  }
  Chat({QStringLiteral("   <Address> ") + parts->address,
        QStringLiteral("   <Port   > ") + parts->port,
        engine_.GetPlayerName(playerId) + QStringLiteral("さんの身元調査完了")});
}

void ParticipantTools::ReportLookupFailure(LookupStep step, quint32 code, std::uint32_t playerId) {
  Chat(LookupFailureLines(step, code));
  Chat({engine_.GetPlayerName(playerId) + QStringLiteral("さんの身元調査完了")});
}

}  // namespace tv::session
