#pragma once
// Starts the file-transfer program TvDcc in its receive mode for a file offer that a
// session member sent (VREC). Everything on its command line except the mode and the
// link handle came from the network, so every argument is checked first and a check
// that fails starts nothing. The program is started with an argument vector, never
// through a shell, and is not waited for. UI thread only.

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

  // programPath: the TvDcc program file in the program folder. linkHandle: the decimal
  // handle of the main window's file-offer link (TvDcc's receive mode does not use it,
  // but the word must be there).
  TvDccLauncher(QString programPath, std::function<QString()> linkHandle = {},
                Starter start = &TvDccLauncher::StartDetached);

  // The arguments after the program for a received offer: "VREC", the handle, the
  // sender's name, then the offer's four words (file name, IPv4 address as a decimal
  // number, port, size). Empty, with the reason in `why`, when an argument fails its
  // check.
  std::optional<QStringList> ReceiveArguments(const QString &senderName, const QString &offer,
                                              QString &why) const;

  // Checks and starts. Returns the reason (Japanese, for the information log) when
  // nothing was started; empty on success.
  QString StartReceiver(const QString &senderName, const QString &offer) const;

  // One word that can stand on TvDcc's command line: not empty, no blanks or control
  // characters, not taken for an option.
  static bool IsPlainWord(const QString &word);
  // A file name that cannot leave the folder it is joined to.
  static bool IsPlainFileName(const QString &name);
  // Decimal digits only, of a value from min to max.
  static bool IsDecimalInRange(const QString &text, quint64 min, quint64 max);

 private:
  QString programPath_;
  std::function<QString()> linkHandle_;
  Starter start_;
};

}  // namespace tv::session
