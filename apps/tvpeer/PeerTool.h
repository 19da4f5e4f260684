#pragma once
// tvpeer's logic: hosts or joins one session and prints every callback as one line,
// the callback's name and its arguments separated by blanks (IDs in decimal, result
// codes as 0x and upper-case hexadecimal). Lines from the standard input are commands:
//
//   say TEXT       a chat line to everyone
//   name NICK      rename
//   group NAME     create a group
//   kick ID        remove a member (host only)
//   max N          set the member limit (host only)
//   quit           leave and end
//
// and the voice commands of VoiceTool.h.
//
// Texts from other members are printed with control characters replaced, so a peer
// cannot forge lines.

#include "VoiceTool.h"
#include "platform/peer/Peer.h"

#include <QObject>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace tv::tvpeer {

struct Options {
  enum class Mode { Host, Join } mode = Mode::Host;
  QString nick;
  QString host;      // join: the host's name or address
  quint16 port = 0;  // 0: the default session port
  quint32 maxPlayers = 8;
  int detectMs = 0;  // 0: the service's default
  VoiceOptions voice;
};

// The options, or empty with `error` set.
std::optional<Options> parseOptions(const QStringList &arguments, QString &error);
QString usage();

class PeerTool : public QObject {
  Q_OBJECT
 public:
  PeerTool(peer::Peer &peer, const Options &options, QTextStream &out);
  // The voice side; set before start().
  void setVoice(VoiceTool *voice) { voice_ = voice; }

  // Hosts, or starts the host search. False (after printing why) when that fails.
  bool start();
  void command(const QString &line);

 Q_SIGNALS:
  void finished(int exitCode);

 public:
  void print(const QString &line);

 private:
  QString describe(quint32 playerId) const;
  void onEnumResponse(const peer::EnumHostsResponse &response);
  void onReceive(quint32 sender, const QByteArray &data);
  void leave(int exitCode);

  peer::Peer &peer_;
  Options options_;
  QTextStream &out_;
  quint32 search_ = 0;
  quint32 selfId_ = 0;
  bool done_ = false;
  VoiceTool *voice_ = nullptr;
};

}  // namespace tv::tvpeer
