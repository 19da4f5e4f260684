// CtlIRC: the link to the connection component, the drain of received lines, and how
// the pane ends.
#include "app/AppInfo.h"
#include "irc/CtlIRC.h"
#include "irc/IrcLink.h"
#include "irc/IrcLists.h"
#include "platform/text/TextFile.h"

#include <QTimer>

namespace tv::irc {

void CtlIRC::IrcConnect(const QString &nick, const QString &address, const QString &port) {
  // A pane that ended before is reused by the host: it starts afresh.
  if (finished_) AllInitialize();
  QStringList autoJoin;
  if (services_.info)
    autoJoin = AutoJoinChannels(
        text::readCp932Lines(services_.info->filePath(QStringLiteral("CHList.txt")))
            .value_or(QStringList()));
  // The port as a number and back, as the component expects it.
  const QString portText = QString::number(port.trimmed().toInt());
  handler_.beginConnect(nick, address, portText, autoJoin);
  if (!link_) attachLink();
  if (!link_ || !link_->create() || !link_->DoConnect(address, portText))
    failLink(IrcRoutine::Connect);
}

void CtlIRC::attachLink() {
  if (!services_.makeLink) return;
  link_ = services_.makeLink().release();
  if (!link_) return;
  connect(link_, &IrcLink::ircConnected, this,
          [this](const QString &local, const QString &) { onConnected(local); });
  connect(link_, &IrcLink::ircConnectTimeOut, this, &CtlIRC::onConnectTimeOut);
  connect(link_, &IrcLink::ircClosed, this, &CtlIRC::onServerClosed);
  connect(link_, &IrcLink::ircDataArrival, this, &CtlIRC::scheduleDrain);
  connect(link_, &IrcLink::ircPING, this, &CtlIRC::onPing);
  connect(link_, &IrcLink::ircSysMsg, this,
          [this](const QVariant &message) { sysMsg(QStringLiteral("ERR"), message.toString()); });
  connect(link_, &IrcLink::linkBroken, this, [this] { failLink(IrcRoutine::HealthCheck); });
}

void CtlIRC::releaseLink(bool now) {
  if (!link_) return;
  IrcLink *link = link_;
  link_ = nullptr;
  link->disconnect(this);
  link->Release();
  if (now)
    delete link;
  else
    link->deleteLater();
}

void CtlIRC::onConnected(const QString &localAddress) {
  if (finished_) return;
  Q_EMIT EvLIP(localAddress);
  handler_.connected();
  settle();
}

void CtlIRC::onConnectTimeOut() {
  if (finished_) return;
  sysMsg(QStringLiteral("ERR"), QStringLiteral("接続要求がタイムアウトしました。"));
  sysMsg(QStringLiteral("ERR"), QStringLiteral("TCP/IPを解放しました。"));
  finish();
}

void CtlIRC::onServerClosed() {
  if (finished_) return;
  // Lines the server sent before closing are still waiting: they come first.
  if (!drain(-1)) return;
  sysMsg(kLinkFailureKind, QStringLiteral("IRCサーバとの接続が切断されました。"));
  handler_.closeAll();
  finish();
}

void CtlIRC::onPing() {
  if (finished_ || !link_) return;
  if (!link_->ircPONG()) failLink(IrcRoutine::HealthCheck);
}

void CtlIRC::scheduleDrain() {
  // Arrivals come one event per line; one drain takes them all.
  if (drainQueued_ || finished_) return;
  drainQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    drainQueued_ = false;
    if (drain(kDrainSliceMs) && !finished_ && link_ && drainSliceFull_) scheduleDrain();
  });
}

bool CtlIRC::drain(int sliceMs) {
  drainSliceFull_ = false;
  if (finished_ || !link_) return !finished_;
  QElapsedTimer slice;
  slice.start();
  batching_ = true;
  const std::unique_ptr<CtlIRC, void (*)(CtlIRC *)> endBatch(this,
                                                             [](CtlIRC *p) { p->endBatch(); });
  // One line, then ever more at once while the ring stays full: a lone line costs two
  // calls, a burst a round trip per kMaxBatch lines.
  int batch = 1;
  for (;;) {
    const std::optional<QStringList> lines = link_->ircGetLines(batch);
    if (!lines) {
      failLink(IrcRoutine::Receive);
      return false;
    }
    for (const QString &line : *lines) {
      handler_.handleLine(line);
      settle();
      if (finished_ || !link_) return false;
    }
    // Fewer lines than calls: the ring ran empty.
    if (lines->size() < batch) return true;
    if (sliceMs >= 0 && slice.elapsed() >= sliceMs) {
      drainSliceFull_ = true;
      return true;
    }
    batch = std::min(batch * 2, kMaxBatch);
  }
}

bool CtlIRC::sendLine(const QString &line) {
  if (!link_ || finished_) return false;
  if (!link_->ircSendData(line)) {
    sendFailed_ = true;
    return false;
  }
  return true;
}

void CtlIRC::settle(IrcRoutine routine) {
  if (!sendFailed_) return;
  sendFailed_ = false;
  failLink(routine);
}

void CtlIRC::closeConnection() {
  if (link_) link_->ircClose();
}

void CtlIRC::failLink(IrcRoutine routine) {
  if (finished_) return;
  for (const QString &line : linkFailureLines(routine)) sysMsg(kLinkFailureKind, line);
  handler_.stop();
  handler_.closeAll();
  finish();
}

void CtlIRC::finish() {
  if (finished_) return;
  finished_ = true;
  handler_.stop();
  timDccReport_->stop();
  releaseLink();
  Q_EMIT EvRemoveMe();
}

}  // namespace tv::irc
