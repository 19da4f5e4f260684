// The IRC connection component: serves clsIRC objects on the session bus until none is
// left, its clients leave, or a client stops answering its pings.

#include "ircsock/IrcBusAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("TvIRC"));

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fputs("TvIRC: D-Bus のセッションバスに接続できません。\n", stderr);
    return 1;
  }

  tv::ircsock::IrcBusAdaptor adaptor(bus, tv::ircsock::IrcBusAdaptor::Options{});
  QObject::connect(&adaptor, &tv::ircsock::IrcBusAdaptor::finished, &application,
                   [](int exitCode) { QCoreApplication::exit(exitCode); });
  if (!adaptor.start()) {
    std::fputs("TvIRC: 既に別の TvIRC が動作しています。\n", stderr);
    return 1;
  }
  return QCoreApplication::exec();
}
