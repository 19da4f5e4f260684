#pragma once
// What an IRC pane writes to the information log when a call into TvIRC fails: a line
// naming the pane's routine, then the line saying the link is broken, both with the
// kind kLinkFailureKind.

#include <QString>
#include <QStringList>

namespace tv::irc {

enum class IrcRoutine {
  Connect,       // IrcConnect
  Receive,       // the ircDataArrival handler
  Send,          // every ircSendData call
  HealthCheck,   // the ircPING handler (and a TvIRC that left the bus)
  Quit,          // TxQUIT
  ForcedClose,   // timQUIT
  VoiceRecruit,  // the voice recruitment announcement
};

inline const QString kLinkFailureKind = QStringLiteral("切断");
inline const QString kLinkBrokenLine =
    QStringLiteral("IRC用サブプログラム(TvIRC)とのリンクが切れました。");

// The first line for the routine in which the call failed.
QString routineFailureLine(IrcRoutine routine);

// Both lines, in the order they are written.
inline QStringList linkFailureLines(IrcRoutine routine) {
  return {routineFailureLine(routine), kLinkBrokenLine};
}

}  // namespace tv::irc
