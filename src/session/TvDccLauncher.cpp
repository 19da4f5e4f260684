#include "session/TvDccLauncher.h"

#include "dcc/OfferChecks.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

namespace tv::session {

namespace {

const QString kBadOffer =
    QStringLiteral("受信したファイル送信の申し出が正しい形式ではありません。");

qint64 steadyMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

}  // namespace

bool TvDccLauncher::StartDetached(const QString &program, const QStringList &arguments) {
  return QFileInfo(program).isExecutable() && QProcess::startDetached(program, arguments);
}

TvDccLauncher::TvDccLauncher(QString programPath, Starter start, Clock clock)
    : programPath_(std::move(programPath)),
      start_(std::move(start)),
      clock_(clock ? std::move(clock) : Clock(&steadyMs)) {}

bool TvDccLauncher::ProgramExists() const { return QFileInfo(programPath_).isFile(); }

std::optional<QStringList> TvDccLauncher::SendArguments(dcc::Mode mode, quint32 handle,
                                                        const QString &nick, QString &why) {
  if (!dcc::IsPlainWord(nick)) {
    why = QStringLiteral("送信先のニックネームをTvDccに渡せません。");
    return std::nullopt;
  }
  return QStringList{dcc::ModeWord(mode), QString::number(handle), nick};
}

std::optional<QStringList> TvDccLauncher::ReceiveArguments(dcc::Mode mode, quint32 handle,
                                                           const QString &senderName,
                                                           const QStringList &fields,
                                                           QString &why) {
  if (!dcc::IsPlainWord(senderName)) {
    why = QStringLiteral("送信者のニックネームをTvDccに渡せません。");
    return std::nullopt;
  }
  if (!dcc::AreOfferFields(fields)) {
    why = kBadOffer;
    return std::nullopt;
  }
  return QStringList{dcc::ModeWord(mode), QString::number(handle), senderName} + fields;
}

QString TvDccLauncher::StartSender(dcc::Mode mode, quint32 handle, const QString &nick) {
  QString why;
  const std::optional<QStringList> arguments = SendArguments(mode, handle, nick, why);
  return arguments ? start(*arguments) : why;
}

QString TvDccLauncher::StartReceiver(dcc::Mode mode, quint32 handle, const QString &senderName,
                                     const QStringList &fields) {
  QString why;
  const std::optional<QStringList> arguments =
      ReceiveArguments(mode, handle, senderName, fields, why);
  if (!arguments) return why;
  if (!receiveAllowed()) return QStringLiteral("短時間に多数のファイル送信の申し出がありました。");
  why = start(*arguments);
  if (why.isEmpty()) receiveStarts_.append(clock_());
  return why;
}

QString TvDccLauncher::StartReceiver(const QString &senderName, const QString &offer) {
  // The offer is the sender's "file address port size", separated by single blanks.
  return StartReceiver(dcc::Mode::Vrec, kMainWindowHandle, senderName, offer.split(u' '));
}

bool TvDccLauncher::receiveAllowed() {
  const qint64 now = clock_();
  while (!receiveStarts_.isEmpty() && now - receiveStarts_.first() >= kReceivePeriodMs)
    receiveStarts_.removeFirst();
  return receiveStarts_.size() < kReceiveStarts;
}

QString TvDccLauncher::start(const QStringList &arguments) {
  if (!start_ || !start_(programPath_, arguments))
    return QStringLiteral("TvDccを起動できませんでした。(") + programPath_ + u')';
  return {};
}

}  // namespace tv::session
