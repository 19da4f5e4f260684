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

#include "irc/IrcLink.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace tv::irc {

class ClsIRCProxy : public IrcLink {
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
  bool create() override;
  bool isCreated() const override { return !path_.isEmpty(); }

  std::optional<QString> ircGetData() override;
  // The calls go out together and their answers are taken in order, so a burst costs
  // one round trip to TvIRC rather than one per line.
  std::optional<QStringList> ircGetLines(int count) override;
  bool ircSendData(const QString &strTxt) override;
  bool ircQuickSend(const QString &strTxt) override;
  std::optional<bool> IsThereRxMessage() override;
  std::optional<bool> IsActive() override;
  std::optional<QString> GetLocalIP() override;
  bool ircClose() override;
  bool DoConnect(const QString &strIP, const QString &strPORT) override;
  bool ircPONG() override;
  // Ends the object in TvIRC. The proxy cannot be used afterwards.
  void Release() override;

  bool failed() const override { return failed_; }
  // A D-Bus error name and text.
  QString failureDetail() const override { return failureDetail_; }
  // The object path in TvIRC ("/TvIRC/clsIRC/N") and TvIRC's unique bus name.
  QString objectPath() const { return path_; }
  QString componentName() const { return owner_; }

 private Q_SLOTS:
  // Receives every signal of the object; string-based because QtDBus offers no other way.
  void onBusSignal(const QDBusMessage &message);

 private:
  QDBusMessage call(const QString &member, const QVariantList &arguments = {});
  QDBusMessage request(const QString &member) const;
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
