// SessionEngine: the voice client's set-up and connection, voice members, level and
// talking display, and the four voice-team groups.
#include "app/Settings.h"
#include "platform/peer/AudioSetup.h"
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"
#include "session/SessionWindow.h"

#include <algorithm>

namespace tv::session {

using namespace tv::peer;

namespace {

const QString kVoiceTab = QStringLiteral("VOICE");
constexpr qint32 kNotifyPeriodMs = 20;

qint32 volumeSetting(const app::Settings &settings, QStringView key) {
  // A hand-edited value out of range would make every connection fail.
  const qint64 v = settings.ReadIniNumber(u"DX8", key, u"0");
  return qint32(std::clamp<qint64>(v, kVolumeMin, kVolumeMax));
}

}  // namespace

VoiceClientConfig SessionEngine::ConfigForConnect() const {
  VoiceClientConfig config = clientConfig_;
  config.flags =
      (config.flags & (kClientRecordMute | kClientPlaybackMute)) | kClientManualVoiceActivated;
  config.recordVolume = volumeSetting(settings_, u"RecordVolume");
  config.playbackVolume = volumeSetting(settings_, u"PlaybackVolume");
  config.threshold = 1;
  config.bufferQuality = 0;
  config.bufferAggressiveness = 0;
  config.notifyPeriodMs = kNotifyPeriodMs;
  return config;
}

Result SessionEngine::GetClientConfig(VoiceClientConfig &out) const {
  if (voiceConnected_ && voiceClient_) return voiceClient_->GetClientConfig(out);
  out = clientConfig_;
  return kOk;
}

Result SessionEngine::SetClientConfig(const VoiceClientConfig &config) {
  if (voiceConnected_ && voiceClient_)
    if (const Result r = voiceClient_->SetClientConfig(config)) return r;
  clientConfig_ = config;
  return kOk;
}

Result SessionEngine::ConnectVoiceClient() {
  report_.Log(kKindStart, QStringLiteral("音声クライアント設定開始"));
  // When the session went away meanwhile there is nothing left to report.
  if (!PumpKeeps()) return kOk;
  if (const Result r = voiceClient_->StartClientNotification()) return r;
  if (const Result r = voiceClient_->Initialize(peer_.get())) return r;
  report_.Log(kKindStart, QStringLiteral("音声クライアント初期化完了"));
  if (!PumpKeeps()) return kOk;

  const SoundDeviceConfig sound;  // the default devices
  clientConfig_ = ConfigForConnect();
  report_.Log(kKindStart, QStringLiteral("音声(録音/再生)機能設定完了"));
  if (!PumpKeeps()) return kOk;

  Result r = voiceClient_->Connect(sound, clientConfig_);
  if (r == DVERR_RUNSETUP) {
    // The set-up has never been run on this PC: run it once, then try again.
    const quint64 generation = generation_;
    const Result setUp = options_.checkAudioSetup ? options_.checkAudioSetup()
                         : AudioSetup(options_.audioSetupPath).markRun() ? kOk
                                                                         : DPNERR_GENERIC;
    // A set-up dialog runs its own event loop: the session may have ended meanwhile.
    if (generation != generation_) return kOk;
    if (setUp != kOk) return setUp;
    r = voiceClient_->Connect(sound, clientConfig_);
  }
  voiceConnected_ = r == kOk || r == kPending;
  if (r != kOk && r != kPending) {
    report_.Log(
        kKindError,
        {QStringLiteral("DirectX8 音声クライアントの接続失敗"), ErrorNumberLine(r),
         ErrorDescriptionLine(r),
         ErrorDescriptionLine(QStringLiteral("マイクを接続して音声テストを行ってみてください。")),
         kStartAbandoned});
    ReleaseSession();
  }
  return kOk;
}

void SessionEngine::DirectPlayVoiceEvent8_ConnectResult(quint32 result) {
  if (!TakesCallbacks()) return;
  if (result != kOk) {
    report_.Log(kKindError, {QStringLiteral("音声通信システムへの接続に失敗しました。"),
                             ErrorNumberLine(result), kStartAbandoned});
    ReleaseSession();
    return;
  }
  report_.Log(kKindStart, QStringLiteral("音声通信システムへの接続に成功しました。"));
  if (!PumpKeeps()) return;
  const QString handler = QStringLiteral("ConnectResult");
  if (const Result r = voiceClient_->GetClientConfig(clientConfig_))
    return report_.CallbackError(handler, r);
  if (!PauseKeeps()) return;
  if (const Result r = voiceClient_->SetClientConfig(clientConfig_))
    return report_.CallbackError(handler, r);
  // The sliders' handlers run as a user's move would, pauses included: the session may
  // have ended meanwhile.
  const quint64 generation = generation_;
  window_.SetVolumeSliders(clientConfig_.playbackVolume, clientConfig_.recordVolume);
  if (generation != generation_ || !TakesCallbacks()) return;
  window_.UpdateUserCount();
  if (!window_.HasTab(kVoiceTab)) window_.AddTab(kVoiceTab, QStringLiteral("音声"));
  window_.SyncSelectedTab();
  timPING_.start();
}

void SessionEngine::DirectPlayVoiceEvent8_DisconnectResult(quint32 result) {
  if (!TakesCallbacks()) return;
  if (result == kOk) {
    report_.Log(kKindStop,
                {QStringLiteral("音声通信の切断完了"), QStringLiteral("ピアをクローズします。")});
    if (!PumpKeeps()) return;
    peer_->Close();
    return;
  }
  report_.Log(kKindError,
              {QStringLiteral("音声通信の切断に失敗しました。"), ErrorNumberLine(result),
               QStringLiteral("　　<エラー後の処理> 音声チャット機能を全て解放します。")});
  ReleaseSession();
}

void SessionEngine::DirectPlayVoiceEvent8_CreateVoicePlayer(quint32 playerId, quint32 flags) {
  if (!TakesCallbacks()) return;
  const QString handler = QStringLiteral("CreateVoicePlayer");
  PlayerInfo info;
  if (const Result r = peer_->GetPeerInfo(playerId, info)) return report_.CallbackError(handler, r);

  if (!(flags & kVoicePlayerLocal) && playerId != ownPlayerId_) {
    report_.Chat(info.name + QStringLiteral("さんが音声通信の接続を開始しました。"));
    // A newcomer hears the topic from every member who has one.
    if (const QString topic = window_.Topic(); !topic.isEmpty())
      SendSessionMessage(encodeTextMessage(kTopic, topic), 0);
    window_.UpdateUserCount();
    return;
  }

  if (const Result r = voiceClient_->SetTransmitTargets({0}))
    return report_.CallbackError(handler, r);
  RemoveFromAllTeams(playerId);
  report_.Chat(
      {QStringLiteral("音声通信の接続を開始しました。"), QStringLiteral("＜音声圧縮情報＞")});
  if (const Result r = ReportOwnVoiceSession()) report_.CallbackError(handler, r);
}

Result SessionEngine::ReportOwnVoiceSession() {
  VoiceSessionDesc session;
  if (const Result r = voiceClient_->GetSessionDesc(session)) return r;
  if (!PauseKeeps()) return kOk;
  quint32 codecs = 0;
  if (const Result r = voiceClient_->GetCompressionTypeCount(codecs)) return r;
  for (quint32 n = 1; n <= codecs; ++n) {
    CompressionInfo codec;
    if (const Result r = voiceClient_->GetCompressionType(n, codec)) return r;
    if (!PauseKeeps()) return kOk;
    if (codec.guid == session.compressionGuid) {
      report_.Chat(QStringLiteral("　") + codec.name + u'(' +
                   QString::number(codec.maxBitsPerSecond) + QStringLiteral("bits/s)"));
      break;
    }
  }

  report_.Chat(QStringLiteral("＜参加者情報＞"));
  quint32 players = 0;
  if (const Result r = peer_->GetCountPlayersAndGroups(kEnumPlayers, players)) return r;
  for (quint32 n = 1; n <= players; ++n) {
    quint32 id = 0;
    PlayerInfo info;
    if (const Result r = peer_->GetPlayerOrGroup(n, id)) return r;
    if (const Result r = peer_->GetPeerInfo(id, info)) return r;
    QString mark;
    if (info.playerFlags & kPlayerLocal) mark += QStringLiteral("(あなた)");
    if (info.playerFlags & kPlayerHost) mark += QStringLiteral("(ホスト)");
    report_.Chat(QStringLiteral("　参加者#") + QString::number(n) + QStringLiteral(" = ") +
                 info.name + mark);
  }
  return kOk;
}

void SessionEngine::DirectPlayVoiceEvent8_DeleteVoicePlayer(quint32 playerId) {
  if (!TakesCallbacks()) return;
  if (playerId == ownPlayerId_) {
    EndVoiceChat();
    return;
  }
  ReportDeparture(QStringLiteral("DeleteVoicePlayer"), playerId,
                  QStringLiteral("さんが音声通信を切断しました。"));
}

void SessionEngine::DirectPlayVoiceEvent8_InputLevel(int peakLevel) {
  if (TakesCallbacks()) window_.SetInputLevel(peakLevel);
}

void SessionEngine::DirectPlayVoiceEvent8_OutputLevel(int peakLevel) {
  if (TakesCallbacks()) window_.SetOutputLevel(peakLevel);
}

void SessionEngine::DirectPlayVoiceEvent8_PlayerVoiceStart(quint32 playerId) {
  if (TakesCallbacks()) window_.MarkTalking(playerId, true);
}

void SessionEngine::DirectPlayVoiceEvent8_PlayerVoiceStop(quint32 playerId) {
  if (TakesCallbacks()) window_.MarkTalking(playerId, false);
}

void SessionEngine::DirectPlayVoiceEvent8_RecordStart() {
  if (TakesCallbacks()) window_.MarkTalking(ownPlayerId_, true);
}

void SessionEngine::DirectPlayVoiceEvent8_RecordStop() {
  if (TakesCallbacks()) window_.MarkTalking(ownPlayerId_, false);
}

void SessionEngine::DirectPlayVoiceEvent8_SoundDeviceLost(quint32 result) {
  if (!TakesCallbacks()) return;
  report_.ErrorBlock(
      QStringLiteral("音声デバイスが使えなくなりました。"), result,
      QStringLiteral("　　<エラー後の処理> 音声チャットを続けます。デバイスが戻ると再開します。"));
}

void SessionEngine::DirectPlayVoiceEvent8_SoundDeviceRestored() {
  if (TakesCallbacks())
    report_.Log(kKindStart, QStringLiteral("音声デバイスが使えるようになりました。"));
}

quint32 SessionEngine::TeamGroupId(int team) const {
  return team >= 1 && team <= int(teamIds_.size()) ? teamIds_[team - 1] : 0;
}

void SessionEngine::RemoveFromAllTeams(quint32 playerId) {
  if (!peer_) return;
  // A player outside a group is normal; every failure is ignored.
  for (const quint32 group : teamIds_)
    if (group != 0) peer_->RemovePlayerFromGroup(group, playerId);
}

void SessionEngine::MoveToTeam(quint32 playerId, int team) {
  if (!peer_) return;
  RemoveFromAllTeams(playerId);
  if (const quint32 group = TeamGroupId(team)) peer_->AddPlayerToGroup(group, playerId);
}

}  // namespace tv::session
