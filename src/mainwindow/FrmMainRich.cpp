// FrmMain: rich lines from the composer.
#include "mainwindow/FrmMain.h"

#include "mainwindow/ChatLogView.h"
#include "platform/peer/PeerResult.h"
#include "session/SessionMessage.h"
#include "session/SessionReport.h"

namespace tv::mainwindow {

bool FrmMain::TxRich(const QString &rtf) {
  QByteArray message = session::encodeTextMessage(session::kRichLine, rtf);
  // A line no member could receive is not shown as if it had been said.
  if (message.size() > session::kMaxMessageBytes) {
    txtLOG()->appendSystemLines({QStringLiteral("リッチメッセージ送信エラー"),
                                 session::ErrorDescriptionLine(peer::DPNERR_SENDTOOLARGE)});
    return false;
  }
  if (!AddChatLine(rtf, ownPlayerId(), true)) return false;
  send(message, 0);
  return true;
}

}  // namespace tv::mainwindow
