#pragma once
// The D-Bus face of TvIRC (names in IrcBusContract.h): a factory at /TvIRC that creates
// ClsIRC objects, and one node per object that checks each call (caller, signature,
// arguments) before handing it to the ClsIRC, and turns the object's events into
// signals addressed to its creator.
//
// Lifetime policy: an object whose creator leaves the bus is released at once; when no
// object remains the process gives up its name and asks to end (finished(0)); a process
// in which nobody creates an object ends after idleExitMs. A missed ping, or a ping
// that cannot be sent, asks the process to end at once (finished(2)).
//
// Threading: the thread of the bus connection's owner (the main thread), one message
// at a time.

#include "ircsock/ClsIRC.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QTimer>

#include <map>
#include <memory>

namespace tv::ircsock {

class IrcBusAdaptor : public QDBusVirtualObject {
  Q_OBJECT

 public:
  struct Options {
    ClsIRC::Timings timings;
    int maxObjects = 64;
    int idleExitMs = 30000;
    // After the last object goes, calls already on their way are still served this long.
    int lingerMs = 200;
  };

  static constexpr int kExitWatchdog = 2;

  IrcBusAdaptor(QDBusConnection bus, Options options, QObject *parent = nullptr);
  ~IrcBusAdaptor() override;

  // Serves the tree under /TvIRC and takes the well-known name. False when there is no
  // bus or another process holds the name.
  bool start();

  int objectCount() const { return int(objects_.size()); }

  QString introspect(const QString &path) const override;
  bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

 Q_SIGNALS:
  // The process should end with this exit code.
  void finished(int exitCode);

 private:
  struct Entry {
    std::unique_ptr<ClsIRC> irc;
    QString creator;
  };

  void createObject(const QDBusMessage &message);
  void callObject(const QDBusMessage &message, quint32 id, Entry &entry);
  void properties(const QDBusMessage &message, const Entry *entry);
  void wire(quint32 id, ClsIRC *irc);
  bool sendSignal(quint32 id, const QString &name, const QVariantList &arguments = {});
  void release(quint32 id);
  void onCreatorGone(const QString &creator);
  void afterRelease();
  void onLingerTimeout();
  void reply(const QDBusMessage &reply);

  QDBusConnection bus_;
  Options options_;
  QDBusServiceWatcher creators_;
  QTimer linger_;
  std::map<quint32, Entry> objects_;
  quint32 nextId_ = 1;
  bool registered_ = false;
  bool ownsName_ = false;
  bool finishing_ = false;
};

}  // namespace tv::ircsock
