#include "dcc/DdeClient.h"

#include "dcc/DdeEndpoint.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace tv::dcc {

void SendOfferLine(QDBusConnection bus, quint64 handle, const QString &text, QObject *context,
                   std::function<void(bool ok)> done, int timeoutMs) {
  if (!bus.isConnected()) {
    QTimer::singleShot(0, context, [done] { done(false); });
    return;
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kDdeService), DdePath(handle),
                                     QString::fromLatin1(kDdeInterface), QStringLiteral("SetText"));
  call.setAutoStartService(false);
  call << text;
  auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [done](QDBusPendingCallWatcher *w) {
                     w->deleteLater();
                     done(!w->isError());
                   });
}

}  // namespace tv::dcc
