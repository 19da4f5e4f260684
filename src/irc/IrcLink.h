#pragma once
// What an IRC pane needs of its connection component: the members and events of one
// clsIRC object. ClsIRCProxy reaches a TvIRC object over the session bus; tests put an
// in-process ircsock::ClsIRC with short pacing behind the same interface.
//
// Contract, for every implementation: calls return at once; events are delivered on the
// owner's thread and never in the middle of a call, so a handler may call back into the
// link (IsThereRxMessage, ircGetData, ircPONG). A call that fails returns false or
// nullopt and leaves failed() true; the link is then broken for good, and the caller
// reports it and lets the link go. A component that vanishes between calls raises
// linkBroken() once.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace tv::irc {

class IrcLink : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Makes the object in the component (starting it when needed). False when none
  // could be made.
  virtual bool create() = 0;
  virtual bool isCreated() const = 0;

  virtual std::optional<QString> ircGetData() = 0;
  // `count` calls of ircGetData in one go, the lines they returned in order ("" left
  // out: fewer lines than `count` means the ring ran empty). nullopt when a call
  // failed. A link may overlap the calls; this default makes them one by one.
  virtual std::optional<QStringList> ircGetLines(int count);
  virtual bool ircSendData(const QString &strTxt) = 0;
  virtual bool ircQuickSend(const QString &strTxt) = 0;
  virtual std::optional<bool> IsThereRxMessage() = 0;
  virtual std::optional<bool> IsActive() = 0;
  virtual std::optional<QString> GetLocalIP() = 0;
  virtual bool ircClose() = 0;
  virtual bool DoConnect(const QString &strIP, const QString &strPORT) = 0;
  virtual bool ircPONG() = 0;
  // Ends the object in the component; the link cannot be used afterwards.
  virtual void Release() = 0;

  virtual bool failed() const = 0;
  // What went wrong, for a detail line or a debug log.
  virtual QString failureDetail() const = 0;

 Q_SIGNALS:
  void ircConnected(const QString &strLIP, const QString &strSIP);
  void ircConnectTimeOut();
  // The event ircClose: the server or the network closed the connection.
  void ircClosed();
  void ircDataArrival();
  void ircPING();
  void ircSysMsg(const QVariant &strMsg);
  // The component left (ended, crashed, or ended itself by its watchdog) between calls.
  void linkBroken();
};

}  // namespace tv::irc
