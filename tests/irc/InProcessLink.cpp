#include "InProcessLink.h"

namespace tv::test {

InProcessLink::InProcessLink(ircsock::ClsIRC::Timings timings) : irc_(timings) {
  connect(&irc_, &ircsock::ClsIRC::ircConnected, this, &IrcLink::ircConnected);
  connect(&irc_, &ircsock::ClsIRC::ircConnectTimeOut, this, &IrcLink::ircConnectTimeOut);
  connect(&irc_, &ircsock::ClsIRC::ircClosed, this, &IrcLink::ircClosed);
  connect(&irc_, &ircsock::ClsIRC::ircDataArrival, this, &IrcLink::ircDataArrival);
  connect(&irc_, &ircsock::ClsIRC::ircPING, this, &IrcLink::ircPING);
  connect(&irc_, &ircsock::ClsIRC::ircSysMsg, this,
          [this](const QString &message) { Q_EMIT ircSysMsg(message); });
}

bool InProcessLink::call() { return !failed_ && !released; }

void InProcessLink::breakLink(bool signal) {
  failed_ = true;
  irc_.ircClose();
  if (signal) Q_EMIT linkBroken();
}

bool InProcessLink::create() {
  if (refuseCreate) failed_ = true;
  created_ = call();
  return created_;
}

std::optional<QString> InProcessLink::ircGetData() {
  if (!call()) return std::nullopt;
  return irc_.ircGetData();
}

bool InProcessLink::ircSendData(const QString &strTxt) {
  if (failSends) failed_ = true;
  if (!call()) return false;
  irc_.ircSendData(strTxt);
  return true;
}

bool InProcessLink::ircQuickSend(const QString &strTxt) {
  if (!call()) return false;
  irc_.ircQuickSend(strTxt);
  return true;
}

std::optional<bool> InProcessLink::IsThereRxMessage() {
  if (!call()) return std::nullopt;
  return irc_.IsThereRxMessage();
}

std::optional<bool> InProcessLink::IsActive() {
  if (!call()) return std::nullopt;
  return irc_.IsActive();
}

std::optional<QString> InProcessLink::GetLocalIP() {
  if (failLocalIP) failed_ = true;
  if (!call()) return std::nullopt;
  if (!localAddress.isEmpty()) return localAddress;
  return irc_.GetLocalIP();
}

bool InProcessLink::ircClose() {
  if (!call()) return false;
  irc_.ircClose();
  return true;
}

bool InProcessLink::DoConnect(const QString &strIP, const QString &strPORT) {
  const std::optional<quint16> port = ircsock::ClsIRC::portFromText(strPORT);
  if (!call() || !port) return false;
  irc_.DoConnect(strIP, *port);
  return true;
}

bool InProcessLink::ircPONG() {
  if (!call()) return false;
  irc_.ircPONG();
  return true;
}

}  // namespace tv::test
