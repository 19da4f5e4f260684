#include "irc/IrcLinkFailure.h"

namespace tv::irc {

QString routineFailureLine(IrcRoutine routine) {
  switch (routine) {
    case IrcRoutine::Connect:
      return QStringLiteral("接続ルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::Receive:
      return QStringLiteral("受信ルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::Send:
      return QStringLiteral("送信ルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::HealthCheck:
      return QStringLiteral("ヘルスチェックルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::Quit:
      return QStringLiteral("PART送信ルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::ForcedClose:
      return QStringLiteral("QUIT送信ルーチンのIRC用サブプログラム呼び出しエラー");
    case IrcRoutine::VoiceRecruit:
      return QStringLiteral("音声参加募集ルーチンのIRC用サブプログラム呼び出しエラー");
  }
  return QString();
}

}  // namespace tv::irc
