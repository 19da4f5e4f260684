// SessionEngine: members joining, leaving and renaming, host migration, the end of the
// session by the platform, and the latency column.
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"
#include "session/SessionWindow.h"

namespace tv::session {

using namespace tv::peer;

void SessionEngine::DirectPlay8Event_CreatePlayer(quint32 playerId) {
  if (!TakesCallbacks()) return;
  PlayerInfo info;
  if (const Result r = peer_->GetPeerInfo(playerId, info)) {
    report_.CallbackError(QStringLiteral("CreatePlayer"), r);
    return;
  }
  window_.RemoveParticipantRow(playerId);
  window_.AddParticipantRow(playerId, info.name);
  const bool host = info.playerFlags & kPlayerHost;
  if (host) window_.MarkHostRow(playerId);

  if (info.playerFlags & kPlayerLocal) {
    ownPlayerId_ = playerId;
    report_.Chat(QStringLiteral("情報通信の接続を開始しました。"));
    window_.SetUserColor(playerId, window_.OwnColourValue());
    SetState(host ? kHost : kMember);
    window_.UpdateVoiceButtons();
    return;
  }
  report_.Chat(info.name + QStringLiteral("さんが情報通信の接続を開始しました。"));
  // The newcomer learns this PC's colour; it has no other way to.
  SendSessionMessage(encodeValueMessage(kColour, std::int32_t(window_.OwnColourValue())), playerId);
}

void SessionEngine::DirectPlay8Event_DestroyPlayer(quint32 playerId, quint32 reason) {
  if (!TakesCallbacks()) return;
  if (playerId == ownPlayerId_) {
    // Otherwise a removed member sees its session end exactly as if it had left.
    if (reason == kDestroyHostDestroyedPlayer)
      report_.Log(kKindStop, QStringLiteral("ホストによって音声チャットから外されました。"));
    EndLostSession();
    return;
  }
  ReportDeparture(QStringLiteral("DestroyPlayer"), playerId,
                  QStringLiteral("さんが情報通信を切断しました。"));
}

void SessionEngine::ReportDeparture(const QString &callback, quint32 playerId,
                                    const QString &line) {
  // The member count shown with the list changes with every departure.
  window_.UpdateUserCount();
  PlayerInfo info;
  if (const Result r = peer_->GetPeerInfo(playerId, info))
    return report_.CallbackError(callback, r);
  report_.Chat(info.name + line);
  window_.RemoveParticipantRow(playerId);
}

void SessionEngine::DirectPlay8Event_HostMigrate(quint32 newHostId) {
  if (!TakesCallbacks()) return;
  report_.Log(kKindMigrate, QStringLiteral("ホストの移行が発生しました。"));
  window_.MarkHostRow(newHostId);
  if (newHostId == ownPlayerId_) {
    report_.Chat(QStringLiteral("＜ホストの移行＞このパソコンがホストになりました。"));
    SetState(kHost);
  } else {
    PlayerInfo info;
    if (const Result r = peer_->GetPeerInfo(newHostId, info)) {
      report_.CallbackError(QStringLiteral("HostMigrate"), r);
      return;
    }
    report_.Chat(QStringLiteral("＜ホストの移行＞") + info.name +
                 QStringLiteral("さんがホストになりました。"));
    SetState(kMember);
  }
  window_.UpdateVoiceButtons();
}

void SessionEngine::DirectPlay8Event_InfoNotify(quint32 messageId, quint32 playerId) {
  if (!TakesCallbacks() || messageId != kMsgPeerInfoChanged) return;
  // The old name comes from the participant row; without one there is nothing to say.
  PlayerInfo info;
  if (peer_->GetPeerInfo(playerId, info) != kOk || !window_.HasParticipantRow(playerId)) return;
  const QString oldName = window_.ParticipantName(playerId);
  report_.Chat(oldName + QStringLiteral("さんがニックネームを") + info.name +
               QStringLiteral("に変更しました。"));
  window_.SetParticipantName(playerId, info.name);
  if (info.playerFlags & kPlayerHost) window_.MarkHostRow(playerId);
  if (playerId == ownPlayerId_) nick_ = info.name;
}

void SessionEngine::DirectPlay8Event_TerminateSession(quint32 result) {
  if (!TakesCallbacks()) return;
  if (result == DPNERR_HOSTTERMINATEDSESSION) {
    report_.Log(
        kKindStop,
        QStringLiteral("ホストの人が「ホストの移行を行わない」設定で強制的に終了しました。"));
  } else {
    report_.Log(kKindStop,
                {QStringLiteral("原因不明の接続解除が発生しました。"),
                 QStringLiteral("ホストのパソコンに緊急事態が生じた可能性があります。")});
  }
  report_.Log(kKindStop, QStringLiteral("今回の参加者全てが強制的に接続解除されました。"));
  EndLostSession();
}

void SessionEngine::EndLostSession() {
  EndVoiceChat();
  // Before the voice client has connected there is no voice tab, so EndVoiceChat ends
  // nothing; and no button can end the session any more.
  if (HoldsSession() && !releasing_) ReleaseSession();
}

void SessionEngine::DirectPlay8Event_IndicatedConnectAborted() {
  if (!TakesCallbacks()) return;
  report_.Log(kKindError,
              QStringLiteral("ホストへの接続は完了しましたが、セッションに参加できませんでした。"));
  ReleaseSession();
}

void SessionEngine::DirectPlay8Event_CreateGroup(quint32 groupId) {
  if (!TakesCallbacks()) return;
  // The host creates Team1 to Team4 first; every member numbers the groups in the
  // order they arrive, and later groups are not teams.
  ++teamCount_;
  if (teamCount_ <= int(teamIds_.size())) teamIds_[teamCount_ - 1] = groupId;
}

void SessionEngine::DirectPlay8Event_AppDesc() {
  if (!TakesCallbacks()) return;
  window_.UpdateUserCount();
}

void SessionEngine::timPING_Timer() {
  if (!TakesCallbacks()) return;
  quint32 count = 0;
  if (peer_->GetCountPlayersAndGroups(kEnumPlayers, count) != kOk) return;
  QList<quint32> others;
  for (quint32 n = 1; n <= count; ++n) {
    quint32 id = 0;
    if (peer_->GetPlayerOrGroup(n, id) != kOk) return;
    if (id != ownPlayerId_) others.append(id);
  }
  for (const quint32 id : std::as_const(others)) {
    ConnectionInfo connection;
    if (peer_->GetConnectionInfo(id, connection) != kOk) return;
    window_.SetUserPing(id, QString::number(connection.roundTripMs) + QStringLiteral("ms"));
  }
}

}  // namespace tv::session
