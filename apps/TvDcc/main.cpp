// The one-file transfer program: a sender or a receiver window for the transfer its
// command line names, and nothing else. Without a transfer to carry out it ends at once.

#include "app/Fonts.h"
#include "app/StartUp.h"
#include "dcc/CommandLine.h"
#include "dcc/DccWidgets.h"
#include "dcc/TvDccStart.h"

#include <QApplication>
#include <QDBusConnection>
#include <QStandardPaths>
#include <QWidget>

#include <csignal>

int main(int argc, char *argv[]) {
  // A file-size limit shows as a write error the receiver reports, not as a signal.
  std::signal(SIGXFSZ, SIG_IGN);
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  // Qt sees only the program name, so no word of the command line acts as its option.
  int qtArgc = 1;
  char *qtArgv[] = {argv[0], nullptr};
  QApplication application(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("TvDcc"));

  const tv::dcc::StartCommand command = tv::dcc::ParseStartCommand(arguments);
  if (command.kind == tv::dcc::StartCommand::Kind::Quit) return 0;
  tv::app::InstallFontSubstitutes();
  if (command.kind == tv::dcc::StartCommand::Kind::BadCommand) {
    tv::dcc::ExecErrorBox(QStringLiteral("起動時のコマンドが不正です。"));
    return 0;
  }
  // TvDcc.ini and the default save folder: the folder Talvora keeps its data in.
  const QString dataFolder =
      tv::app::DataFolderFor(QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  tv::dcc::TvDccStart start(command, dataFolder, QDBusConnection::sessionBus());
  start.window()->show();
  start.window()->raise();
  start.window()->activateWindow();
  const int code = application.exec();
  start.finish();
  return code;
}
