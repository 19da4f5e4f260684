#pragma once
// Starts the file-transfer program TvDcc, the one way the main program starts it in
// any of its four modes: VSEND and ISEND when the user offers a file, VREC when a
// session member's offer arrives (type 7) and IREC for an IRC user's CTCP DCC SEND.
// Every word on the command line after the mode and the link handle came from the
// network, so every word is checked first and a check that fails starts nothing. The
// program is started with an argument vector, never through a shell, in a normal,
// focused window, and is not waited for.
//
// Receive windows are limited for the whole program: at most kReceiveStarts in any
// kReceivePeriodMs, whichever pane or session the offers came from, so that a flood of
// offers cannot open a flood of windows. UI thread only; one launcher per program.

#include "dcc/CommandLine.h"
#include "dcc/DdeHandles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tv::session {

class TvDccLauncher {
 public:
  // Starts a program detached; false when it could not be started. The program uses
  // QProcess::startDetached; tests record the call instead.
  using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;
  static bool StartDetached(const QString &program, const QStringList &arguments);
  // Milliseconds of a monotonic clock; tests inject their own.
  using Clock = std::function<qint64()>;

  static constexpr int kReceiveStarts = 5;
  static constexpr qint64 kReceivePeriodMs = 10000;
  // The link handle of the main window's hand-off; IRC panes have 2, 3, ...
  static constexpr quint32 kMainWindowHandle = dcc::DdeHandles::kMainWindow;

  // programPath: the TvDcc program file in the program folder.
  explicit TvDccLauncher(QString programPath, Starter start = &TvDccLauncher::StartDetached,
                         Clock clock = {});

  const QString &programPath() const { return programPath_; }
  bool ProgramExists() const;

  // The arguments after the program, or nothing with the reason (Japanese, for a log)
  // in `why`. Send modes: mode, handle, the receiver's nickname. Receive modes: mode,
  // handle, the sender's nickname, then the offer's four fields (file name, IPv4
  // address as a decimal number, port, size).
  static std::optional<QStringList> SendArguments(dcc::Mode mode, quint32 handle,
                                                  const QString &nick, QString &why);
  static std::optional<QStringList> ReceiveArguments(dcc::Mode mode, quint32 handle,
                                                     const QString &senderName,
                                                     const QStringList &fields, QString &why);

  // Checks and starts. Each returns the reason when nothing was started; "" on success.
  QString StartSender(dcc::Mode mode, quint32 handle, const QString &nick);
  QString StartReceiver(dcc::Mode mode, quint32 handle, const QString &senderName,
                        const QStringList &fields);
  // A session member's offer (type 7): "file address port size", VREC with the main
  // window's handle.
  QString StartReceiver(const QString &senderName, const QString &offer);

 private:
  QString start(const QStringList &arguments);
  bool receiveAllowed();

  QString programPath_;
  Starter start_;
  Clock clock_;
  QList<qint64> receiveStarts_;  // times of the receive windows started lately
};

}  // namespace tv::session
