#include "session/SessionEngine.h"

#include "app/Settings.h"
#include "platform/peer/AudioSetup.h"
#include "session/Pacer.h"
#include "session/PictureStore.h"
#include "session/SessionMessage.h"
#include "session/SessionWindow.h"

#include <QTime>

#include <chrono>

namespace tv::session {

using namespace tv::peer;

namespace {
constexpr int kSearchTickMs = 250;
constexpr int kDeferredReleaseMs = 1000;
constexpr int kPingMs = 2000;

double localSecondsSinceMidnight() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

qint64 steadyClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

SessionEngine::SessionEngine(SessionWindow &window, Platform &platform,
                             const app::Settings &settings, Pacer &pacer,
                             const PictureStore &pictures, TvDccLauncher &dcc, Options options)
    : window_(window),
      platform_(platform),
      settings_(settings),
      pacer_(pacer),
      options_(std::move(options)),
      report_(window),
      receiver_(
          window, report_, pictures, dcc,
          {[this](quint32 id) { return GetPlayerName(id); }, [this] { return state_ == kHost; },
           [this](quint32 id, int team) { MoveToTeam(id, team); }},
          options_.steadyMs ? options_.steadyMs : &steadyClockMs) {
  if (options_.audioSetupPath.isEmpty()) options_.audioSetupPath = AudioSetup::defaultPath();
  if (!options_.secondsSinceMidnight) options_.secondsSinceMidnight = &localSecondsSinceMidnight;
  timSRCH_.setInterval(kSearchTickMs);
  timDx8Clear_.setInterval(kDeferredReleaseMs);
  timPING_.setInterval(kPingMs);
  connect(&timSRCH_, &QTimer::timeout, this, &SessionEngine::timSRCH_Timer);
  connect(&timDx8Clear_, &QTimer::timeout, this, &SessionEngine::timDx8Clear_Timer);
  connect(&timPING_, &QTimer::timeout, this, &SessionEngine::timPING_Timer);
}

SessionEngine::~SessionEngine() {
  // No event loop will run the deferred deletes any more.
  if (peer_) peer_->disconnect(this);
  if (voiceClient_) voiceClient_->disconnect(this);
  delete voiceClient_.release();
  delete voiceServer_.release();
  delete peer_.release();
}

void SessionEngine::ConnectPeerSignals() {
  Peer *p = peer_.get();
  connect(p, &Peer::connectComplete, this, &SessionEngine::DirectPlay8Event_ConnectComplete);
  connect(p, &Peer::createPlayer, this, &SessionEngine::DirectPlay8Event_CreatePlayer);
  connect(p, &Peer::destroyPlayer, this, &SessionEngine::DirectPlay8Event_DestroyPlayer);
  connect(p, &Peer::enumHostsResponse, this, &SessionEngine::DirectPlay8Event_EnumHostsResponse);
  connect(p, &Peer::hostMigrate, this, &SessionEngine::DirectPlay8Event_HostMigrate);
  connect(p, &Peer::infoNotify, this, &SessionEngine::DirectPlay8Event_InfoNotify);
  connect(p, &Peer::receive, this, &SessionEngine::DirectPlay8Event_Receive);
  connect(p, &Peer::terminateSession, this, &SessionEngine::DirectPlay8Event_TerminateSession);
  connect(p, &Peer::indicatedConnectAborted, this,
          &SessionEngine::DirectPlay8Event_IndicatedConnectAborted);
  connect(p, &Peer::createGroup, this, &SessionEngine::DirectPlay8Event_CreateGroup);
  connect(p, &Peer::appDesc, this, &SessionEngine::DirectPlay8Event_AppDesc);
}

void SessionEngine::ConnectVoiceSignals() {
  VoiceClient *v = voiceClient_.get();
  connect(v, &VoiceClient::connectResult, this,
          &SessionEngine::DirectPlayVoiceEvent8_ConnectResult);
  connect(v, &VoiceClient::disconnectResult, this,
          &SessionEngine::DirectPlayVoiceEvent8_DisconnectResult);
  connect(v, &VoiceClient::createVoicePlayer, this,
          &SessionEngine::DirectPlayVoiceEvent8_CreateVoicePlayer);
  connect(v, &VoiceClient::deleteVoicePlayer, this,
          &SessionEngine::DirectPlayVoiceEvent8_DeleteVoicePlayer);
  connect(v, &VoiceClient::inputLevel, this, &SessionEngine::DirectPlayVoiceEvent8_InputLevel);
  connect(v, &VoiceClient::outputLevel, this, &SessionEngine::DirectPlayVoiceEvent8_OutputLevel);
  connect(v, &VoiceClient::playerVoiceStart, this,
          &SessionEngine::DirectPlayVoiceEvent8_PlayerVoiceStart);
  connect(v, &VoiceClient::playerVoiceStop, this,
          &SessionEngine::DirectPlayVoiceEvent8_PlayerVoiceStop);
  connect(v, &VoiceClient::recordStart, this, &SessionEngine::DirectPlayVoiceEvent8_RecordStart);
  connect(v, &VoiceClient::recordStop, this, &SessionEngine::DirectPlayVoiceEvent8_RecordStop);
  connect(v, &VoiceClient::soundDeviceLost, this,
          &SessionEngine::DirectPlayVoiceEvent8_SoundDeviceLost);
  connect(v, &VoiceClient::soundDeviceRestored, this,
          &SessionEngine::DirectPlayVoiceEvent8_SoundDeviceRestored);
}

void SessionEngine::SetState(int state) { state_ = state; }

bool SessionEngine::PauseKeeps() {
  const quint64 generation = generation_;
  pacer_.Pause();
  return generation == generation_;
}

bool SessionEngine::PumpKeeps() {
  const quint64 generation = generation_;
  pacer_.Pump();
  return generation == generation_;
}

SessionEngine::MemberCount SessionEngine::MemberCounts() const {
  ApplicationDesc desc;
  if (!peer_ || peer_->GetApplicationDesc(desc) != kOk) return {};
  return {int(std::min<quint32>(desc.currentPlayers, kMaxPlayersLimit)),
          int(std::min<quint32>(desc.maxPlayers, kMaxPlayersLimit))};
}

Result SessionEngine::SendSessionMessage(const QByteArray &message, quint32 target) {
  if (!peer_) return DPNERR_NOCONNECTION;
  // Callers decide whether a failure is worth a report; a lost chat line is not.
  return peer_->SendTo(target, message, kSendGuaranteed | kSendNoLoopback);
}

void SessionEngine::SendSessionMessage(std::int32_t type, bool isText, bool toAll,
                                       const QString &text, std::int32_t value, quint32 target) {
  if (!peer_) return;
  SendSessionMessage(isText ? encodeTextMessage(type, text) : encodeValueMessage(type, value),
                     toAll ? 0 : target);
}

QString SessionEngine::GetPlayerName(quint32 playerId) const {
  PlayerInfo info;
  if (!peer_ || peer_->GetPeerInfo(playerId, info) != kOk) return {};
  return info.name;
}

void SessionEngine::DirectPlay8Event_Receive(quint32 senderId, const QByteArray &data) {
  if (!TakesCallbacks()) return;
  const QString picture = receiver_.Receive(senderId, data);
  if (!picture.isEmpty()) Q_EMIT pictureStored(picture);
}

}  // namespace tv::session
