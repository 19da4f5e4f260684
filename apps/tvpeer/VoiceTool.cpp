#include "VoiceTool.h"

#include "session/SessionMessage.h"

#include <QTextStream>
#include <QThread>

namespace tv::tvpeer {

using namespace tv::peer;

namespace {

constexpr int kTeamCount = 4;
constexpr int kTimesPollMs = 5;
constexpr int kEffectPollMs = 5;
constexpr int kEffectLimitMs = 5000;
constexpr int kStallLimitMs = 60000;
// A message type no peer sends: receivers drop it after taking it in whole.
constexpr std::int32_t kBlobType = 0x7FFF;

QString hex(Result r) { return formatResult(r); }
QString micros(int64_t ns) { return QString::number(ns / 1000); }

void complain(const QString &text) { QTextStream(stderr) << "tvpeer: " << text << '\n'; }

}  // namespace

VoiceTool::VoiceTool(Peer &peer, VoiceClient &client, VoiceServer &server,
                     audio::WavBackend &devices, const VoiceOptions &options, Print print)
    : peer_(peer),
      client_(client),
      server_(server),
      devices_(devices),
      options_(options),
      print_(std::move(print)) {
  config_.flags = kClientManualVoiceActivated;
  config_.threshold = 1;
  config_.notifyPeriodMs = 20;
  connect(&client_, &VoiceClient::connectResult, this,
          [this](quint32 r) { print_(QStringLiteral("ConnectResult ") + hex(r)); });
  connect(&client_, &VoiceClient::disconnectResult, this,
          [this](quint32 r) { print_(QStringLiteral("DisconnectResult ") + hex(r)); });
  connect(&client_, &VoiceClient::sessionLost, this,
          [this](quint32 r) { print_(QStringLiteral("SessionLost ") + hex(r)); });
  connect(&client_, &VoiceClient::createVoicePlayer, this, &VoiceTool::onCreateVoicePlayer);
  connect(&client_, &VoiceClient::deleteVoicePlayer, this,
          [this](quint32 id) { print_(QStringLiteral("DeleteVoicePlayer %1").arg(id)); });
  connect(&client_, &VoiceClient::playerVoiceStart, this,
          [this](quint32 id) { print_(QStringLiteral("PlayerVoiceStart %1").arg(id)); });
  connect(&client_, &VoiceClient::playerVoiceStop, this,
          [this](quint32 id) { print_(QStringLiteral("PlayerVoiceStop %1").arg(id)); });
  connect(&client_, &VoiceClient::recordStart, this,
          [this] { print_(QStringLiteral("RecordStart")); });
  connect(&client_, &VoiceClient::recordStop, this,
          [this] { print_(QStringLiteral("RecordStop")); });
  connect(&client_, &VoiceClient::soundDeviceLost, this,
          [this](quint32 r) { print_(QStringLiteral("SoundDeviceLost ") + hex(r)); });
  connect(&client_, &VoiceClient::soundDeviceRestored, this,
          [this] { print_(QStringLiteral("SoundDeviceRestored")); });
  if (options_.levels) {
    connect(&client_, &VoiceClient::inputLevel, this, [this](int peak, int volume) {
      print_(QStringLiteral("InputLevel %1 %2").arg(peak).arg(volume));
    });
    connect(&client_, &VoiceClient::outputLevel, this, [this](int peak, int volume) {
      print_(QStringLiteral("OutputLevel %1 %2").arg(peak).arg(volume));
    });
  }
  timesPoll_.setInterval(kTimesPollMs);
  connect(&timesPoll_, &QTimer::timeout, this, &VoiceTool::pollTimes);
}

void VoiceTool::hosted() {
  server_.Initialize(&peer_);
  for (int n = 1; n <= kTeamCount; ++n) {
    quint32 id = 0;
    if (peer_.CreateGroup({QStringLiteral("Team%1").arg(n), 0}, id) == kOk) teams_.insert(n, id);
  }
  CompressionInfo codec;
  Result r = server_.GetCompressionType(options_.codec, codec);
  if (r == kOk) {
    VoiceSessionDesc desc;
    desc.compressionGuid = codec.guid;
    r = server_.StartSession(desc);
  }
  if (r != kOk) complain(QStringLiteral("voice session: ") + resultName(r) + u' ' + hex(r));
  if (options_.member) connectVoice();
}

void VoiceTool::joined() {
  if (options_.member) connectVoice();
}

void VoiceTool::connectVoice() {
  client_.Initialize(&peer_);
  client_.StartClientNotification();
  const Result r = client_.Connect({}, config_);
  if (r != kPending && r != kOk) {
    print_(QStringLiteral("ConnectResult ") + hex(r));
    return;
  }
  print_(QStringLiteral("VoiceOutStart ") + micros(devices_.times().playbackStart.load()));
  if (!options_.input.isEmpty()) timesPoll_.start();
}

void VoiceTool::onCreateVoicePlayer(quint32 id, quint32 flags) {
  print_(QStringLiteral("CreateVoicePlayer %1 %2").arg(id).arg(flags));
  // Somebody hears now: the input file starts.
  if (!(flags & kVoicePlayerLocal) && !inputStarted_) {
    inputStarted_ = true;
    devices_.startCaptureFile();
  }
}

void VoiceTool::pollTimes() {
  const auto &times = devices_.times();
  if (!printedIn_ && times.captureFileStart.load() != 0) {
    printedIn_ = true;
    print_(QStringLiteral("VoiceInStart ") + micros(times.captureFileStart.load()));
  }
  if (printedIn_ && !printedInEnd_ && times.captureFileEnd.load() != 0) {
    printedInEnd_ = true;
    print_(QStringLiteral("VoiceInEnd ") + micros(times.captureFileEnd.load()));
    timesPoll_.stop();
  }
}

bool VoiceTool::isHost() const {
  PlayerInfo info;
  return peer_.GetPeerInfo(self_, info) == kOk && (info.playerFlags & kPlayerHost);
}

void VoiceTool::whenTrue(std::function<bool()> done, const QString &words) {
  if (done()) {
    print_(QStringLiteral("Done ") + words);
    return;
  }
  auto *poll = new QTimer(this);
  auto *waited = new int(0);
  poll->setInterval(kEffectPollMs);
  connect(poll, &QTimer::timeout, this, [this, poll, waited, done, words] {
    *waited += kEffectPollMs;
    const bool ok = done();
    if (!ok && *waited < kEffectLimitMs) return;
    if (ok)
      print_(QStringLiteral("Done ") + words);
    else
      complain(words + QStringLiteral(": did not take effect"));
    poll->stop();
    poll->deleteLater();
    delete waited;
  });
  poll->start();
}

bool VoiceTool::command(const QString &verb, const QString &rest) {
  static const QStringList kVerbs = {QStringLiteral("mute"), QStringLiteral("volume"),
                                     QStringLiteral("team"), QStringLiteral("tx"),
                                     QStringLiteral("blob"), QStringLiteral("stall"),
                                     QStringLiteral("stats")};
  if (!kVerbs.contains(verb)) return false;
  const QStringList args = rest.split(u' ', Qt::SkipEmptyParts);
  const QString words = (QStringList{verb} + args).join(u' ');
  const auto bad = [&] {
    complain(QStringLiteral("bad arguments: ") + words);
    return true;
  };
  bool ok = false;
  const int n = args.isEmpty() ? 0 : args.last().toInt(&ok);

  if (verb == u"mute" || verb == u"volume") {
    if (args.size() != 2 || (args[0] != u"record" && args[0] != u"playback")) return bad();
    const bool record = args[0] == u"record";
    VoiceClientConfig c = config_;
    if (verb == u"mute") {
      if (args[1] != u"on" && args[1] != u"off") return bad();
      const quint32 bit = record ? kClientRecordMute : kClientPlaybackMute;
      c.flags = args[1] == u"on" ? c.flags | bit : c.flags & ~bit;
    } else {
      if (!ok || n < kVolumeMin || n > kVolumeMax) return bad();
      (record ? c.recordVolume : c.playbackVolume) = n;
    }
    if (const Result r = client_.SetClientConfig(c)) {
      complain(words + QStringLiteral(": ") + resultName(r));
      return true;
    }
    config_ = c;
    whenTrue([this] { return client_.ConfigApplied(); }, words);
  } else if (verb == u"team") {
    if (args.size() != 1 || !ok || n < 0 || n > kTeamCount) return bad();
    if (isHost()) moveToTeam(self_, n);
    peer_.SendTo(0, session::encodeValueMessage(session::kTeam, n),
                 kSendGuaranteed | kSendNoLoopback);
    whenTrue(
        [this, n] {
          for (int t = 1; t <= kTeamCount; ++t)
            if (members_.value(teamGroup(t)).contains(self_) != (t == n)) return false;
          return true;
        },
        words);
  } else if (verb == u"tx") {
    if (args.size() != 1 || !ok || n < 0 || n > kTeamCount || (n > 0 && !teamGroup(n)))
      return bad();
    if (const Result r = client_.SetTransmitTargets({n == 0 ? 0u : teamGroup(n)})) {
      complain(words + QStringLiteral(": ") + resultName(r));
      return true;
    }
    print_(QStringLiteral("Done ") + words);
  } else if (verb == u"blob") {
    if (args.size() != 1 || !ok || n < 4 || n > kMaxMessageBytes) return bad();
    QByteArray blob = session::encodeValueMessage(kBlobType, 0);
    blob.resize(n, '\x5A');
    if (const Result r = peer_.SendTo(0, blob, kSendGuaranteed | kSendNoLoopback)) {
      complain(words + QStringLiteral(": ") + resultName(r));
      return true;
    }
    print_(QStringLiteral("Done ") + words);
  } else if (verb == u"stall") {
    if (args.size() != 1 || !ok || n < 0 || n > kStallLimitMs) return bad();
    QThread::msleep(ulong(n));
    print_(QStringLiteral("Done ") + words);
  } else {
    printStats();
    print_(QStringLiteral("Done ") + words);
  }
  return true;
}

void VoiceTool::received(quint32 sender, const QByteArray &data) {
  const auto message = session::decodeMessage(data);
  if (message && message->type == session::kTeam && message->value >= 0 &&
      message->value <= kTeamCount && isHost())
    moveToTeam(sender, message->value);
}

void VoiceTool::moveToTeam(quint32 playerId, int team) {
  // As Talvora's host does: out of every team, then into the chosen one.
  for (int t = 1; t <= kTeamCount; ++t)
    if (const quint32 group = teamGroup(t)) peer_.RemovePlayerFromGroup(group, playerId);
  if (const quint32 group = teamGroup(team)) peer_.AddPlayerToGroup(group, playerId);
}

void VoiceTool::groupCreated(quint32 groupId) {
  GroupInfo info;
  if (peer_.GetGroupInfo(groupId, info) != kOk) return;
  for (int t = 1; t <= kTeamCount; ++t)
    if (info.name == QStringLiteral("Team%1").arg(t) && !teams_.contains(t))
      teams_.insert(t, groupId);
}

void VoiceTool::groupChanged(quint32 message, quint32 groupId, quint32 playerId) {
  if (message == kMsgAddPlayerToGroup)
    members_[groupId].insert(playerId);
  else if (message == kMsgRemovePlayerFromGroup)
    members_[groupId].remove(playerId);
}

void VoiceTool::printStats() {
  QList<SpeakerStats> stats;
  client_.GetSpeakerStats(stats);
  for (const SpeakerStats &s : std::as_const(stats))
    print_(QStringLiteral("VoiceStats %1 %2 %3 %4 %5")
               .arg(s.playerId)
               .arg(s.played)
               .arg(s.concealed)
               .arg(s.dropped)
               .arg(s.delayMs));
}

}  // namespace tv::tvpeer
