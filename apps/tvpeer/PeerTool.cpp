#include "PeerTool.h"

#include "session/SessionMessage.h"

#include <QCoreApplication>
#include <QTimer>

namespace tv::tvpeer {

namespace {

using namespace tv::peer;

// The application every Talvora session uses, so tvpeer meets the main program.
const QUuid kApplicationGuid(QStringLiteral("{3F6A1C2E-8B47-4D19-A0E5-72C4B9D1E608}"));
// A join gives up when no host answers for this long.
constexpr int kSearchLimitMs = 31000;

// One printable field: control characters would let a peer forge lines.
QString printable(const QString &text) {
  QString out = text;
  for (QChar &c : out)
    if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
        c == QChar::ParagraphSeparator)
      c = u'?';
  return out;
}

QString hex(Result r) { return formatResult(r); }

bool parsePort(const QString &text, quint16 &port) {
  bool ok = false;
  const uint n = text.toUInt(&ok);
  if (!ok || n == 0 || n > 65535) return false;
  port = quint16(n);
  return true;
}

}  // namespace

QString usage() {
  return QStringLiteral(
      "usage: tvpeer host NICK [--port P] [--max N] [--detect MS] [VOICE...]\n"
      "       tvpeer join NICK HOST [--port P] [--detect MS] [VOICE...]\n"
      "VOICE: --voice --voice-in FILE.wav --voice-out FILE.wav --codec N --levels\n");
}

std::optional<Options> parseOptions(const QStringList &arguments, QString &error) {
  Options o;
  QStringList rest = arguments;
  if (rest.size() < 2) {
    error = QStringLiteral("missing arguments");
    return std::nullopt;
  }
  const QString mode = rest.takeFirst();
  if (mode == u"host") {
    o.mode = Options::Mode::Host;
  } else if (mode == u"join") {
    o.mode = Options::Mode::Join;
  } else {
    error = QStringLiteral("unknown mode: ") + mode;
    return std::nullopt;
  }
  o.nick = rest.takeFirst();
  if (o.mode == Options::Mode::Join) {
    if (rest.isEmpty() || rest.first().startsWith(u"--")) {
      error = QStringLiteral("join needs the host");
      return std::nullopt;
    }
    o.host = rest.takeFirst();
  }
  while (!rest.isEmpty()) {
    const QString option = rest.takeFirst();
    if (option == u"--voice" || option == u"--levels") {
      o.voice.member = true;
      if (option == u"--levels") o.voice.levels = true;
      continue;
    }
    if (rest.isEmpty()) {
      error = QStringLiteral("missing value for ") + option;
      return std::nullopt;
    }
    const QString value = rest.takeFirst();
    bool ok = true;
    if (option == u"--port") {
      ok = parsePort(value, o.port);
    } else if (option == u"--max" && o.mode == Options::Mode::Host) {
      o.maxPlayers = value.toUInt(&ok);
      ok = ok && o.maxPlayers <= kMaxPlayersLimit;
    } else if (option == u"--detect") {
      o.detectMs = value.toInt(&ok);
      ok = ok && o.detectMs >= 200 && o.detectMs <= 600000;
    } else if (option == u"--voice-in" || option == u"--voice-out") {
      (option == u"--voice-in" ? o.voice.input : o.voice.output) = value;
      o.voice.member = true;
      ok = !value.isEmpty();
    } else if (option == u"--codec") {
      o.voice.codec = value.toUInt(&ok);
      ok = ok && o.voice.codec >= 1 && o.voice.codec <= compressionTypeCount();
    } else {
      error = QStringLiteral("unknown option: ") + option;
      return std::nullopt;
    }
    if (!ok) {
      error = QStringLiteral("bad value for ") + option + QStringLiteral(": ") + value;
      return std::nullopt;
    }
  }
  return o;
}

PeerTool::PeerTool(Peer &peer, const Options &options, QTextStream &out)
    : peer_(peer), options_(options), out_(out) {
  connect(&peer_, &Peer::connectComplete, this, [this](quint32 result) {
    print(QStringLiteral("ConnectComplete ") + hex(result));
    if (result != kOk) return leave(1);
    if (voice_) voice_->joined();
  });
  connect(&peer_, &Peer::createPlayer, this, [this](quint32 id) {
    PlayerInfo info;
    const bool own = peer_.GetPeerInfo(id, info) == kOk && (info.playerFlags & kPlayerLocal);
    if (own) selfId_ = id;
    print(QStringLiteral("CreatePlayer ") + describe(id));
    if (own && voice_) {
      voice_->setSelf(id);
      if (options_.mode == Options::Mode::Host) voice_->hosted();
    }
  });
  connect(&peer_, &Peer::destroyPlayer, this, [this](quint32 id, quint32 reason) {
    PlayerInfo info;
    peer_.GetPeerInfo(id, info);
    print(QStringLiteral("DestroyPlayer %1 %2 %3 %4")
              .arg(id)
              .arg(reason)
              .arg(printable(info.name))
              .arg(info.playerFlags));
    if (id == selfId_) leave(0);
  });
  connect(&peer_, &Peer::hostMigrate, this,
          [this](quint32 id) { print(QStringLiteral("HostMigrate ") + describe(id)); });
  connect(&peer_, &Peer::enumHostsResponse, this, &PeerTool::onEnumResponse);
  connect(&peer_, &Peer::receive, this, &PeerTool::onReceive);
  connect(&peer_, &Peer::infoNotify, this, [this](quint32 message, quint32 id) {
    PlayerInfo info;
    peer_.GetPeerInfo(id, info);
    print(
        QStringLiteral("InfoNotify %1 %2 %3").arg(hex(message)).arg(id).arg(printable(info.name)));
  });
  connect(&peer_, &Peer::terminateSession, this, [this](quint32 result) {
    print(QStringLiteral("TerminateSession ") + hex(result));
    leave(0);
  });
  connect(&peer_, &Peer::indicatedConnectAborted, this,
          [this] { print(QStringLiteral("IndicatedConnectAborted")); });
  connect(&peer_, &Peer::createGroup, this, [this](quint32 group, quint32 owner) {
    GroupInfo info;
    peer_.GetGroupInfo(group, info);
    print(QStringLiteral("CreateGroup %1 %2 %3").arg(group).arg(owner).arg(printable(info.name)));
    if (voice_) voice_->groupCreated(group);
  });
  connect(&peer_, &Peer::appDesc, this, [this] {
    ApplicationDesc d;
    peer_.GetApplicationDesc(d);
    print(QStringLiteral("AppDesc %1 %2 %3")
              .arg(d.currentPlayers)
              .arg(d.maxPlayers)
              .arg(printable(d.sessionName)));
  });
  connect(&peer_, &Peer::addRemovePlayerGroup, this,
          [this](quint32 message, quint32 group, quint32 player) {
            print(QStringLiteral("AddRemovePlayerGroup %1 %2 %3")
                      .arg(hex(message))
                      .arg(group)
                      .arg(player));
            if (voice_) voice_->groupChanged(message, group, player);
          });
  connect(&peer_, &Peer::asyncOpComplete, this, [this](quint32 handle, quint32 result) {
    print(QStringLiteral("AsyncOpComplete %1 %2").arg(handle).arg(hex(result)));
  });
}

bool PeerTool::start() {
  peer_.RegisterMessageHandler();
  peer_.SetPeerInfo({options_.nick, 0});
  Address device;
  device.SetSP(tcpIpProviderGuid());
  ApplicationDesc desc;
  desc.applicationGuid = kApplicationGuid;
  Result r = kOk;
  if (options_.mode == Options::Mode::Host) {
    device.setPort(options_.port);
    desc.flags = kSessionMigrateHost;
    desc.maxPlayers = options_.maxPlayers;
    desc.sessionName =
        QStringLiteral("Talvora") + QStringLiteral(TV_APP_VERSION) + u'.' + options_.nick;
    r = peer_.Host(desc, device);
  } else {
    Address host;
    r = host.BuildFromURL(QStringLiteral("x-directplay:/hostname=") + options_.host);
    host.setPort(options_.port);
    if (r == kOk) r = peer_.EnumHosts(desc, host, device, -1, 0, -1, search_);
    if (r == kOk)
      QTimer::singleShot(kSearchLimitMs, this, [this] {
        if (search_ == 0) return;
        peer_.CancelAsyncOperation(search_);
        QTextStream(stderr) << "tvpeer: no host answered\n";
        leave(1);
      });
  }
  if (r != kOk) {
    QTextStream(stderr) << "tvpeer: " << resultName(r) << ' ' << hex(r) << ": "
                        << resultDescription(r) << '\n';
    return false;
  }
  return true;
}

void PeerTool::onEnumResponse(const EnumHostsResponse &response) {
  print(QStringLiteral("EnumHostsResponse %1 %2 %3 %4 %5")
            .arg(printable(response.desc.sessionName))
            .arg(response.desc.currentPlayers)
            .arg(response.desc.maxPlayers)
            .arg(response.roundTripMs)
            .arg(response.senderUrl));
  if (search_ == 0) return;
  peer_.CancelAsyncOperation(search_);
  search_ = 0;
  Address host, device;
  host.BuildFromURL(response.senderUrl);
  device.SetSP(tcpIpProviderGuid());
  ApplicationDesc desc;
  desc.applicationGuid = response.desc.applicationGuid;
  desc.instanceGuid = response.desc.instanceGuid;
  if (const Result r = peer_.Connect(desc, host, device)) {
    print(QStringLiteral("ConnectComplete ") + hex(r));
    leave(1);
  }
}

void PeerTool::onReceive(quint32 sender, const QByteArray &data) {
  if (voice_) voice_->received(sender, data);
  const auto message = session::decodeMessage(data);
  if (message && message->type == session::kChatLine)
    print(QStringLiteral("Receive %1 %2").arg(sender).arg(printable(message->text)));
  else
    print(QStringLiteral("Receive %1 [%2 bytes]").arg(sender).arg(data.size()));
}

void PeerTool::command(const QString &line) {
  const QString verb = line.section(u' ', 0, 0);
  const QString rest = line.section(u' ', 1);
  Result r = kOk;
  if (verb == u"say") {
    r = peer_.SendTo(0, session::encodeTextMessage(session::kChatLine, rest),
                     kSendGuaranteed | kSendNoLoopback);
  } else if (verb == u"name") {
    r = peer_.SetPeerInfo({rest, 0});
  } else if (verb == u"group") {
    quint32 id = 0;
    r = peer_.CreateGroup({rest, 0}, id);
  } else if (verb == u"kick") {
    r = peer_.DestroyPeer(rest.toUInt());
  } else if (verb == u"max") {
    ApplicationDesc d;
    r = peer_.GetApplicationDesc(d);
    d.maxPlayers = rest.toUInt();
    if (r == kOk) r = peer_.SetApplicationDesc(d);
  } else if (verb == u"quit") {
    leave(0);
    return;
  } else if (voice_ && voice_->command(verb, rest)) {
    return;
  } else if (!verb.isEmpty()) {
    QTextStream(stderr) << "tvpeer: unknown command: " << verb << '\n';
    return;
  }
  if (r != kOk && r != kPending)
    QTextStream(stderr) << "tvpeer: " << verb << ": " << resultName(r) << ' ' << hex(r) << '\n';
}

void PeerTool::print(const QString &line) {
  out_ << line << '\n';
  out_.flush();
}

QString PeerTool::describe(quint32 playerId) const {
  PlayerInfo info;
  peer_.GetPeerInfo(playerId, info);
  return QStringLiteral("%1 %2 %3").arg(playerId).arg(printable(info.name)).arg(info.playerFlags);
}

void PeerTool::leave(int exitCode) {
  if (done_) return;
  done_ = true;
  if (voice_) voice_->printStats();
  peer_.Close();
  Q_EMIT finished(exitCode);
}

}  // namespace tv::tvpeer
