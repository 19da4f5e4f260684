// tvpeer: hosts or joins a session from the command line and prints its callbacks.

#include "PeerTool.h"
#include "platform/peer/EnetPlatform.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QString error;
  const auto options = tv::tvpeer::parseOptions(application.arguments().mid(1), error);
  if (!options) {
    QTextStream(stderr) << "tvpeer: " << error << '\n' << tv::tvpeer::usage();
    return 2;
  }
  tv::peer::PeerConfig config;
  if (options->detectMs > 0) config.detectionLimitMs = options->detectMs;
  tv::peer::EnetPlatform platform(config);
  const std::unique_ptr<tv::peer::Peer> peer = platform.CreatePeer();

  QTextStream out(stdout);
  out.setEncoding(QStringConverter::Utf8);
  tv::tvpeer::PeerTool tool(*peer, *options, out);
  QObject::connect(&tool, &tv::tvpeer::PeerTool::finished, &application, &QCoreApplication::exit,
                   Qt::QueuedConnection);

  // Commands from the standard input, a line at a time; its end means quit.
  QByteArray pending;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, &tool, [&] {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input.setEnabled(false);
      tool.command(QStringLiteral("quit"));
      return;
    }
    pending.append(buffer, n);
    qsizetype eol;
    while ((eol = pending.indexOf('\n')) >= 0) {
      const QString line = QString::fromUtf8(pending.left(eol)).trimmed();
      pending.remove(0, eol + 1);
      tool.command(line);
    }
    if (pending.size() > 65536) pending.clear();  // an endless line is dropped
  });

  if (!tool.start()) return 1;
  return application.exec();
}
