// The pane's part in direct file transfers: its hand-off endpoint, the user's offer
// (ISEND) and an IRC user's offer (IREC). Kept apart from the pane's other files.

#include "app/StringRoutines.h"
#include "dcc/PaneDccLink.h"
#include "irc/CtlIRC.h"
#include "irc/IrcCommands.h"
#include "irc/OutgoingText.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatText.h"
#include "session/TvDccLauncher.h"

namespace tv::irc {

namespace {

const QString kNoLauncher = QStringLiteral("TvDccを起動できませんでした。");

}  // namespace

void CtlIRC::setTabKey(const QString &key) {
  if (dccLink_ || !services_.bus) return;
  // An accepted offer line goes to the server like any line the pane sends; a send
  // that fails there ends the pane as any other would. A line longer than IRC allows
  // once encoded (the hand-off counts UTF-8) is not sent: cut, it would reach the other
  // user as a broken offer.
  dccLink_ = new dcc::PaneDccLink(
      *services_.bus, ddeHandle_, key,
      [this](const QString &line) {
        if (encodedLength(line) > kMaxIrcLineBytes)
          Q_EMIT EvSysMsg(QStringLiteral("DCC"), QStringLiteral("送信できませんでした。"));
        else
          SendLine(line);
      },
      services_.ddeCallerCheck, this);
}

void CtlIRC::StartDccSend(const QString &listEntry) {
  const int slot = handler_.currentSlot();
  if (finished_ || slot < 0 || slot >= handler_.recordCount() || !handler_.slot(slot).isChannel)
    return;
  // The nickname without its status mark ("@" or "+"), as every other user command.
  const QString nick = EntryNick(listEntry);
  if (nick.isEmpty()) return;
  const QString why =
      services_.dcc ? services_.dcc->StartSender(dcc::Mode::Isend, ddeHandle_, nick) : kNoLauncher;
  if (why.isEmpty()) return;
  txtLOG(slot)->appendSystemLines(mainwindow::FileSendErrorLines(why));
}

QString CtlIRC::startReceiver(const QString &sender, const QString &offer) {
  // The handler read the request: "file address port size", the file's blanks already
  // made "_"; the launcher checks every word.
  if (!services_.dcc) return kNoLauncher;
  return services_.dcc->StartReceiver(dcc::Mode::Irec, ddeHandle_, sender, offer.split(u' '));
}

}  // namespace tv::irc
