#pragma once
// The main program's handle on one clsIRC object of TvIRC: the same members, called
// over the session bus, and the object's events as Qt signals delivered on the thread
// that owns the proxy (the UI thread).
//
// Calls block until TvIRC answers (it answers at once; the limit is callTimeoutMs).
// Signals never arrive in the middle of a call, so a slot may call back into the proxy
// (IsThereRxMessage, ircGetData, ircPONG) while it handles ircDataArrival or ircPING.
//
// A broken link is permanent: once a call fails or TvIRC leaves the bus, failed() is
// true, every later call fails at once without touching the bus, and the caller
// reports it (IrcLinkFailure.h) and drops the proxy. A call that fails returns false or
// nullopt; a TvIRC that leaves the bus between calls raises linkBroken() once.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QVariant>

#include <optional>

namespace tv::irc {

class ClsIRCProxy : public QObject {
  Q_OBJECT

 public:
  static constexpr int kStartWaitMs = 5000;
  static constexpr int kCallTimeoutMs = 10000;

  // appFolder: the folder of the running program, which holds TvIRC.
  ClsIRCProxy(QDBusConnection bus, QString appFolder, QObject *parent = nullptr);
  // Releases the object without waiting for TvIRC.
  ~ClsIRCProxy() override;

  // Creates the object. When the bus cannot start TvIRC, starts appFolder/TvIRC and
  // waits up to kStartWaitMs for it. False (and failed()) when no object could be made.
  bool create();
  bool isCreated() const { return !path_.isEmpty(); }

  std::optional<QString> ircGetData();
  bool ircSendData(const QString &strTxt);
  bool ircQuickSend(const QString &strTxt);
  std::optional<bool> IsThereRxMessage();
  std::optional<bool> IsActive();
  std::optional<QString> GetLocalIP();
  bool ircClose();
  bool DoConnect(const QString &strIP, const QString &strPORT);
  bool ircPONG();
  // Ends the object in TvIRC. The proxy cannot be used afterwards.
  void Release();

  bool failed() const { return failed_; }
  // What went wrong, for a detail line or a debug log: a D-Bus error name and text.
  QString failureDetail() const { return failureDetail_; }
  // The object path in TvIRC ("/TvIRC/clsIRC/N") and TvIRC's unique bus name.
  QString objectPath() const { return path_; }
  QString componentName() const { return owner_; }

 Q_SIGNALS:
  void ircConnected(const QString &strLIP, const QString &strSIP);
  void ircConnectTimeOut();
  // The event ircClose: the server or the network closed the connection.
  void ircClosed();
  void ircDataArrival();
  void ircPING();
  void ircSysMsg(const QVariant &strMsg);
  // TvIRC left the bus (ended, crashed, or ended itself by its watchdog) between calls.
  void linkBroken();

 private Q_SLOTS:
  // Receives every signal of the object; string-based because QtDBus offers no other way.
  void onBusSignal(const QDBusMessage &message);

 private:
  QDBusMessage call(const QString &member, const QVariantList &arguments = {});
  std::optional<QVariant> property(const QString &name);
  bool fail(const QString &detail);
  bool startProgram();
  void subscribe(bool on);
  void onComponentGone();

  QDBusConnection bus_;
  QString appFolder_;
  QString owner_;
  QString path_;
  QDBusServiceWatcher watcher_;
  bool failed_ = false;
  bool released_ = false;
  QString failureDetail_;
};

}  // namespace tv::irc
