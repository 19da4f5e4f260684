#pragma once
// One copy of the main program per user session. The first copy owns a well-known
// name on the D-Bus session bus; a second copy asks the owner to raise its window and
// then ends without a window of its own. UI thread only.

#include "app/BusNames.h"

#include <QDBusConnection>
#include <QObject>

namespace tv::app {

// Takes a well-known name on the bus for this process alone, without waiting in line
// for it. False when another process holds it or the bus cannot be asked.
bool ClaimBusName(QDBusConnection &bus, const QString &name);

class SingleInstance : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "Talvora.Instance")
  Q_PROPERTY(int RaiseCount READ raiseCount)

 public:
  explicit SingleInstance(QDBusConnection bus, QObject *parent = nullptr);
  ~SingleInstance() override;

  // Registers the object and takes the name. False when another copy holds it (or
  // there is no bus to ask).
  bool claim();

  // Asks the copy that holds the name to raise its window. True when it answered yes
  // within the time limit.
  static bool activateRunningCopy(QDBusConnection bus, int timeoutMs = 1000);

  int raiseCount() const { return raiseCount_; }

 public Q_SLOTS:
  // Called over D-Bus by a second copy. Always accepts; the window is raised from the
  // event loop once it exists.
  bool Raise();

 Q_SIGNALS:
  void raiseRequested();

 private:
  QDBusConnection bus_;
  bool owned_ = false;
  int raiseCount_ = 0;
};

}  // namespace tv::app
