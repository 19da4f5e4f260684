#pragma once
// One end of the file-offer hand-off: the object a sending TvDcc calls once to hand its
// offer line to the window that started it. The main window and every IRC pane serve
// one on the connection that owns the program's bus name (Talvora.Instance), at
// "/Talvora/Dde/<n>" with interface "Talvora.Dde": method SetText(s text) and the
// read-only property Owner ("VOICE", or the pane's tab key "IRC<m>"). n is the
// window's link handle: 1 for the main window, 2, 3, ... for panes in the order they
// were made, never reused in a run.
//
// SetText takes only one offer line of the endpoint's form (the accepts function) and
// hands it on (deliver); anything else is refused with InvalidArgs and changes
// nothing. Empty text does nothing. A caller the endpoint's caller check refuses gets
// AccessDenied; a delivery that has no room left, LimitsExceeded. UI thread only.

#include "app/BusNames.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

#include <functional>

namespace tv::dcc {

// The hand-off endpoints live on the connection of the main program's single
// instance, so they are reached under its name.
inline constexpr auto &kDdeService = app::kInstanceService;
inline constexpr char kDdeInterface[] = "Talvora.Dde";
QString DdePath(quint64 handle);

class DdeEndpoint : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "Talvora.Dde")
  Q_PROPERTY(QString Owner READ Owner)

 public:
  using Accepts = std::function<bool(const QString &text)>;
  // Takes an accepted line; false when it has no room for it.
  using Deliver = std::function<bool(const QString &text)>;
  // Whether the bus name of a caller may hand over offers; empty: everyone on the bus.
  using CallerCheck = std::function<bool(const QString &busName)>;

  DdeEndpoint(QDBusConnection bus, quint32 handle, QString owner, Accepts accepts, Deliver deliver,
              CallerCheck callerCheck = {}, QObject *parent = nullptr);
  ~DdeEndpoint() override;

  // The object is on the bus (false without a bus, or when the path was taken).
  bool isRegistered() const { return registered_; }
  quint32 handle() const { return handle_; }
  QString Owner() const { return owner_; }

 public Q_SLOTS:
  void SetText(const QString &text);

 private:
  QDBusConnection bus_;
  quint32 handle_;
  QString owner_;
  Accepts accepts_;
  Deliver deliver_;
  CallerCheck callerCheck_;
  bool registered_ = false;
};

}  // namespace tv::dcc
