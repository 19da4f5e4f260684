#pragma once
// An IRC pane's side of the file-offer hand-off: its endpoint "/Talvora/Dde/<n>"
// (Owner "IRC<m>", the pane's tab key) that accepts the IRC form of an offer line, and
// its txtDDE/timDDE that send each accepted line, 500 ms later and in order, to the
// server as one line through the pane's send-a-line operation. The pane passes
// handle() on the ISEND and IREC command lines it starts. UI thread only.

#include "dcc/DdeEndpoint.h"
#include "dcc/DdeHandOff.h"

#include <QObject>

#include <functional>

namespace tv::dcc {

class PaneDccLink : public QObject {
  Q_OBJECT
 public:
  using SendLine = std::function<void(const QString &line)>;

  // handle: the next number of the program's DdeHandles; tabKey: "IRC" + pane number.
  PaneDccLink(QDBusConnection bus, quint32 handle, const QString &tabKey, SendLine sendLine,
              DdeEndpoint::CallerCheck callerCheck = {}, QObject *parent = nullptr);

  quint32 handle() const { return endpoint_.handle(); }
  DdeEndpoint &endpoint() { return endpoint_; }
  DdeHandOff &handOff() { return handOff_; }

 private:
  DdeHandOff handOff_;
  DdeEndpoint endpoint_;
};

}  // namespace tv::dcc
