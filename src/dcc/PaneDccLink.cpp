#include "dcc/PaneDccLink.h"

#include "dcc/OfferLine.h"

namespace tv::dcc {

PaneDccLink::PaneDccLink(QDBusConnection bus, quint32 handle, const QString &tabKey,
                         SendLine sendLine, DdeEndpoint::CallerCheck callerCheck, QObject *parent)
    : QObject(parent),
      handOff_(std::move(sendLine)),
      endpoint_(
          std::move(bus), handle, tabKey, &IsIrcOfferLine,
          [this](const QString &text) { return handOff_.setText(text); }, std::move(callerCheck)) {}

}  // namespace tv::dcc
