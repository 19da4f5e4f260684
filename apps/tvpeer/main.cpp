// tvpeer: hosts or joins a session from the command line and prints its callbacks.

#include "PeerTool.h"
#include "VoiceTool.h"
#include "platform/audio/WavBackend.h"
#include "platform/peer/EnetPlatform.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>

#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char *argv[]) {
  // SIGINT and SIGTERM end tvpeer as `quit` does, so its files are complete. They are
  // blocked before any thread starts and read from a descriptor instead.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  QCoreApplication application(argc, argv);
  QString error;
  const auto options = tv::tvpeer::parseOptions(application.arguments().mid(1), error);
  if (!options) {
    QTextStream(stderr) << "tvpeer: " << error << '\n' << tv::tvpeer::usage();
    return 2;
  }
  // The sound devices are files; both are checked before anything joins.
  const tv::tvpeer::VoiceOptions &voice = options->voice;
  tv::audio::WavBackend devices({voice.input, voice.output, true});
  if (!devices.checkCaptureFile(error) || !devices.preparePlaybackFile(error)) {
    QTextStream(stderr) << "tvpeer: " << error << '\n';
    return 2;
  }

  tv::peer::PeerConfig config;
  if (options->detectMs > 0) config.detectionLimitMs = options->detectMs;
  // No audio set-up is asked of a tool.
  tv::peer::EnetPlatform platform(config, QString(), &devices);
  const std::unique_ptr<tv::peer::Peer> peer = platform.CreatePeer();
  const std::unique_ptr<tv::peer::VoiceServer> server = platform.CreateVoiceServer();
  const std::unique_ptr<tv::peer::VoiceClient> client = platform.CreateVoiceClient();

  QTextStream out(stdout);
  out.setEncoding(QStringConverter::Utf8);
  tv::tvpeer::PeerTool tool(*peer, *options, out);
  tv::tvpeer::VoiceTool voiceTool(*peer, *client, *server, devices, voice,
                                  [&tool](const QString &line) { tool.print(line); });
  tool.setVoice(&voiceTool);
  QObject::connect(&tool, &tv::tvpeer::PeerTool::finished, &application, &QCoreApplication::exit,
                   Qt::QueuedConnection);

  const int signals = signalfd(-1, &stop, SFD_NONBLOCK | SFD_CLOEXEC);
  QSocketNotifier stopRequest(signals, QSocketNotifier::Read);
  QObject::connect(&stopRequest, &QSocketNotifier::activated, &tool, [&] {
    signalfd_siginfo info;
    while (::read(signals, &info, sizeof info) == sizeof info) {
    }
    tool.command(QStringLiteral("quit"));
  });

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
  const int status = application.exec();
  ::close(signals);
  return status;
}
