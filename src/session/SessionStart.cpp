// SessionEngine: creating the session objects, hosting, the host search and the join.
#include "session/Pacer.h"
#include "session/SessionEngine.h"
#include "session/SessionWindow.h"

#include <cmath>

namespace tv::session {

using namespace tv::peer;

namespace {

const QString kInfoTab = QStringLiteral("INFO");
const QString kStatusIdle = QStringLiteral("Status");
// Every session name starts with the program's title, then its version and the host's
// nickname: Talvora3.0.3.user7.
const QString kSessionNamePrefix = QStringLiteral("Talvora");
constexpr quint32 kStartingMaxPlayers = 8;
constexpr int kTeams = 4;
// A search gives up on the first tick after this many whole seconds.
constexpr int kSearchLimitSeconds = 30;
constexpr double kSecondsPerDay = 86400;

// The text after `key` up to the next ";" (or the end).
QString urlElement(const QString &url, const QString &key) {
  const qsizetype at = url.indexOf(key);
  if (at < 0) return {};
  const qsizetype from = at + key.size();
  const qsizetype end = url.indexOf(u';', from);
  return url.mid(from, end < 0 ? -1 : end - from);
}

}  // namespace

const QUuid &SessionEngine::ApplicationGuid() {
  static const QUuid guid(QStringLiteral("{3F6A1C2E-8B47-4D19-A0E5-72C4B9D1E608}"));
  return guid;
}

bool SessionEngine::EvHOST(const QString &nick, quint32 codecNo, quint32 deviceNo) {
  if (HoldsSession() || releasing_) return false;
  nick_ = nick;
  codecNo_ = codecNo;
  if (!Dx8Initialize(deviceNo)) return false;
  // The voice client's start may be abandoned inside StartVoiceHost (it releases the
  // session itself), or the session may end during one of its waits.
  const quint64 generation = generation_;
  return StartVoiceHost() && generation == generation_;
}

bool SessionEngine::EvJOIN(const QString &nick, const QString &address, quint32 deviceNo) {
  if (HoldsSession() || releasing_) return false;
  nick_ = nick;
  return Dx8Initialize(deviceNo) && StartHostSrch(address);
}

bool SessionEngine::Dx8Initialize(quint32 deviceNo) {
  ++generation_;
  deviceNo_ = deviceNo;
  ownPlayerId_ = 0;
  SetState(kStarting);
  window_.UpdateVoiceButtons();

  window_.SelectTab(kInfoTab);
  window_.SyncSelectedTab();
  teamCount_ = 0;
  teamIds_ = {};
  // The mute buttons show released: the configuration says the same. A mute key that
  // says "muted" mutes again from inside ResetSessionView, before the client connects.
  clientConfig_.flags &= ~(kClientRecordMute | kClientPlaybackMute);
  voiceConnected_ = false;
  window_.ResetSessionView();
  if (!PumpKeeps()) return false;
  return CreateSessionObjects();
}

bool SessionEngine::AbandonStart(const QString &headline, Result code) {
  report_.ErrorBlock(headline, code, kStartAbandoned);
  ReleaseSession();
  return false;
}

bool SessionEngine::CreateSessionObjects() {
  const auto created = [this](const QString &text) { report_.Log(kKindStart, text); };

  sinkHeld_ = true;
  created(QStringLiteral("DirectX8のイベントモジュールの設定に成功しました。"));
  rootHeld_ = true;
  created(QStringLiteral("DirectX8の本体の生成に成功しました。"));

  // The factories give no reason for a failure.
  peer_.reset(platform_.CreatePeer().release());
  if (!peer_)
    return AbandonStart(QStringLiteral("DirectX8のピア生成に失敗しました。"), DPNERR_GENERIC);
  ConnectPeerSignals();
  created(QStringLiteral("DirectX8のピア生成に成功しました。"));

  voiceServer_.reset(platform_.CreateVoiceServer().release());
  if (!voiceServer_)
    return AbandonStart(QStringLiteral("DirectX8の音声サーバ生成に失敗しました。"), DPNERR_GENERIC);
  created(QStringLiteral("DirectX8の音声サーバ生成に成功しました。"));

  voiceClient_.reset(platform_.CreateVoiceClient().release());
  if (!voiceClient_)
    return AbandonStart(QStringLiteral("DirectX8の音声クライアント生成に失敗しました。"),
                        DPNERR_GENERIC);
  ConnectVoiceSignals();
  created(QStringLiteral("DirectX8の音声クライアント生成に成功しました。"));

  if (const Result r = peer_->RegisterMessageHandler())
    return AbandonStart(
        QStringLiteral("DirectX8のピア接続のメッセージハンドラ設定に失敗しました。"), r);
  created(QStringLiteral("DirectX8のピア接続のメッセージハンドラ設定に成功しました。"));

  const QString noDevice = QStringLiteral("DirectX8の通信機器検出に失敗しました。");
  ServiceProviderInfo provider;
  if (const Result r = peer_->GetServiceProvider(deviceNo_, provider))
    return AbandonStart(noDevice, r);
  created(QStringLiteral("DirectX8通信機器「") + provider.name +
          QStringLiteral("」を検出しました。"));
  if (!PumpKeeps()) return false;
  device_.emplace();
  created(QStringLiteral("URL = ") + device_->GetURL());
  if (const Result r = device_->SetSP(provider.guid)) return AbandonStart(noDevice, r);
  return true;
}

ApplicationDesc SessionEngine::HostingDescription() const {
  ApplicationDesc desc;
  desc.flags = kSessionMigrateHost;
  desc.applicationGuid = ApplicationGuid();
  desc.maxPlayers = kStartingMaxPlayers;
  desc.sessionName = kSessionNamePrefix + options_.appVersion + u'.' + nick_;
  return desc;
}

bool SessionEngine::StartVoiceHost() {
  const auto done = [this](const QString &text) { report_.Log(kKindStart, text); };

  const QString hostFailed = QStringLiteral("ホスト起動に失敗しました。");
  if (const Result r = peer_->SetPeerInfo({nick_, 0})) return AbandonStart(hostFailed, r);
  if (const Result r = peer_->Host(HostingDescription(), device_.value_or(Address())))
    return AbandonStart(hostFailed, r);
  if (!PauseKeeps()) return false;
  done(QStringLiteral("総合通信システム起動成功"));
  device_.reset();

  const QString serverFailed = QStringLiteral("音声サーバのセッティングに失敗しました。");
  if (const Result r = voiceServer_->Initialize(peer_.get())) return AbandonStart(serverFailed, r);
  if (!PauseKeeps()) return false;
  done(QStringLiteral("音声サーバ初期化完了"));
  if (!PumpKeeps()) return false;
  CompressionInfo codec;
  if (const Result r = voiceServer_->GetCompressionType(codecNo_, codec))
    return AbandonStart(serverFailed, r);

  VoiceSessionDesc voice;
  voice.flags = 0;
  voice.sessionType = kVoiceSessionPeer;
  voice.compressionGuid = codec.guid;
  if (const Result r = voiceServer_->StartSession(voice))
    return AbandonStart(QStringLiteral("音声セッションの開始に失敗しました"), r);
  done(QStringLiteral("音声サーバ起動完了"));
  if (!PumpKeeps()) return false;

  const QString teamsFailed = QStringLiteral("音声チームの生成に失敗しました");
  for (int i = 1; i <= kTeams; ++i) {
    quint32 groupId = 0;
    if (const Result r = peer_->CreateGroup({QStringLiteral("Team%1").arg(i), 0}, groupId))
      return AbandonStart(teamsFailed, r);
  }
  done(QStringLiteral("音声チーム 1～4 生成完了"));
  if (const Result r = ConnectVoiceClient()) return AbandonStart(teamsFailed, r);
  return true;
}

bool SessionEngine::StartHostSrch(const QString &address) {
  // The platform cannot always build an address from what was typed; that abandons
  // the start like any other failure.
  const QString searchFailed = QStringLiteral("ホスト検索の開始に失敗しました。");

  ApplicationDesc desc;
  desc.applicationGuid = ApplicationGuid();
  Address host;
  if (const Result r = host.BuildFromURL(QStringLiteral("x-directplay:/hostname=") + address))
    return AbandonStart(searchFailed, r);
  ServiceProviderInfo provider;
  if (const Result r = peer_->GetServiceProvider(deviceNo_, provider))
    return AbandonStart(searchFailed, r);
  if (const Result r = host.SetSP(provider.guid)) return AbandonStart(searchFailed, r);

  report_.Log(kKindStart, QStringLiteral("ホスト検索開始"));
  searchStart_ = options_.secondsSinceMidnight();
  timSRCH_.start();
  window_.UpdateVoiceButtons();
  if (!PumpKeeps()) return false;

  quint32 handle = 0;
  if (const Result r = peer_->EnumHosts(desc, host, device_.value_or(Address()), -1, 0, -1, handle))
    return AbandonStart(searchFailed, r);
  searchHandle_ = handle;
  return true;
}

void SessionEngine::timSRCH_Timer() {
  timSRCH_.stop();
  if (!TakesCallbacks()) return;
  const double now = options_.secondsSinceMidnight();
  // Across midnight the clock starts again from 0.
  const double elapsed =
      searchStart_ > now ? now + kSecondsPerDay - searchStart_ : now - searchStart_;
  const auto seconds = qint64(std::floor(elapsed));
  if (seconds > kSearchLimitSeconds) {
    CancelSearch();
    window_.UpdateVoiceButtons();
    window_.SetStatusText(kStatusIdle);
    report_.Log(kKindError, {QStringLiteral("ホストは見つかりませんでした。"), kStartAbandoned});
    ReleaseSession();
    return;
  }
  window_.SetStatusText(QStringLiteral("ホストサーチ中・・・") + QString::number(seconds) +
                        QStringLiteral("秒経過"));
  timSRCH_.start();
}

void SessionEngine::DirectPlay8Event_EnumHostsResponse(const EnumHostsResponse &response) {
  // Only the first accepted answer of the running search counts.
  if (!TakesCallbacks() || searchHandle_ == 0 || state_ != kStarting) return;
  const QString name = response.desc.sessionName;
  if (!name.startsWith(kSessionNamePrefix)) return;
  // Talvora3.0.3.user7: the version runs from after the title through the third ".",
  // the nickname follows it.
  const qsizetype prefix = kSessionNamePrefix.size();
  const qsizetype d1 = name.indexOf(u'.', prefix);
  const qsizetype d2 = d1 < 0 ? -1 : name.indexOf(u'.', d1 + 1);
  const qsizetype d3 = d2 < 0 ? -1 : name.indexOf(u'.', d2 + 1);
  const QString hostNick = d3 < 0 ? QString() : name.mid(d3 + 1);
  const QString hostVersion = name.mid(prefix, d3 < 0 ? -1 : d3 - prefix + 1);

  CancelSearch();
  timSRCH_.stop();
  window_.UpdateVoiceButtons();
  window_.SetStatusText(kStatusIdle);
  report_.Log(
      kKindStart,
      {QStringLiteral("ホストを発見しました。"),
       QStringLiteral("　　<ホストのNickName> ") + hostNick,
       QStringLiteral("　　<最大人数　　　　> ") + QString::number(response.desc.maxPlayers),
       QStringLiteral("　　<現在の人数　　　> ") + QString::number(response.desc.currentPlayers),
       QStringLiteral("　　<Ping　　　　　　> ") + QString::number(response.roundTripMs),
       QStringLiteral("　　<このパソコンのTalvoraのバージョン> ") + options_.appVersion + u'.',
       QStringLiteral("　　<ホストのTalvoraのバージョン　　　> ") + hostVersion});

  // A failure from here on would leave a start that nothing ends: it abandons the
  // start like a failed join.
  const auto fail = [this](Result code) {
    report_.CallbackError(QStringLiteral("EnumHostsResponse"), code, kStartAbandoned);
    DeferRelease();
  };
  if (const Result r = peer_->SetPeerInfo({nick_, 0})) return fail(r);
  ApplicationDesc desc;
  desc.instanceGuid = response.desc.instanceGuid;
  desc.applicationGuid = response.desc.applicationGuid;
  Address host;
  if (const Result r = host.BuildFromURL(response.senderUrl)) return fail(r);
  if (!PauseKeeps()) return;
  const QString url = host.GetURL();
  report_.Log(
      kKindStart,
      {QStringLiteral("　　<ホストのAddress > ") + urlElement(url, QStringLiteral("hostname=")),
       QStringLiteral("　　<ホストのPort    > ") + urlElement(url, QStringLiteral("port="))});
  if (const Result r = peer_->Connect(desc, host, device_.value_or(Address()))) return fail(r);
}

void SessionEngine::DirectPlay8Event_ConnectComplete(quint32 result) {
  if (!TakesCallbacks()) return;
  device_.reset();
  if (result != kOk) {
    ReportJoinFailure(result);
    DeferRelease();
    return;
  }
  report_.Log(kKindStart, QStringLiteral("参加に成功しました。"));
  if (const Result r = ConnectVoiceClient()) {
    report_.CallbackError(QStringLiteral("ConnectComplete"), r, kStartAbandoned);
    DeferRelease();
  }
}

void SessionEngine::ReportJoinFailure(quint32 result) {
  const QString headline = QStringLiteral("参加に失敗しました。");
  switch (result) {
    case DPNERR_HOSTREJECTEDCONNECTION:
      report_.Log(kKindError, {headline, ErrorNumberLine(result),
                               ErrorDescriptionLine(QStringLiteral("接続要求を拒否されました。")),
                               kStartAbandoned});
      return;
    case DPNERR_INVALIDPASSWORD:
      // These lines pad their labels one place wider than the other reports.
      report_.Log(
          kKindError,
          {headline, QStringLiteral("　　<エラー番号　　　> ") + formatResult(result),
           QStringLiteral("　　<エラーの説明　　> パスワードが違います。"),
           QStringLiteral("　　<エラー後の処理　> 音声チャットの起動を中止します。"),
           QStringLiteral("　　<考えられる要因１> パスワードの入力を忘れた。"),
           QStringLiteral("　　<考えられる要因２> パスワードの入力を間違えた。"),
           QStringLiteral("　　<考えられる要因３> ホストの人がパスワードを変えてしまった。"),
           QStringLiteral("　　<考えられる要因４> 実はパスワードを適当に入力した。")});
      return;
    case DPNERR_SESSIONFULL:
      report_.Log(kKindError,
                  {headline, ErrorNumberLine(result),
                   ErrorDescriptionLine(QStringLiteral("接続先が満員です")), kStartAbandoned,
                   QStringLiteral("　　<エラー対策案１> 別のホストに参加する。"),
                   QStringLiteral("　　<エラー対策案２> 自分でホストになる。"),
                   QStringLiteral("　　<エラー対策案３> 空くまで何度もトライする。"),
                   QStringLiteral("　　<エラー対策案４> あきらめる。")});
      return;
    default:
      report_.Log(kKindError, {headline, ErrorNumberLine(result), kStartAbandoned});
      return;
  }
}

void SessionEngine::DeferRelease() { timDx8Clear_.start(); }

void SessionEngine::timDx8Clear_Timer() {
  timDx8Clear_.stop();
  ReleaseSession();
}

}  // namespace tv::session
