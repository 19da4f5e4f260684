#include "common/TvPeerProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>

namespace tv::test {

TvPeerProcess::TvPeerProcess(const QString &program, const QStringList &arguments) {
  process_.setProgram(program);
  process_.setArguments(arguments);
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_, [this] {
    buffer_ += process_.readAllStandardOutput();
    qsizetype eol;
    while ((eol = buffer_.indexOf('\n')) >= 0) {
      lines.append(QString::fromUtf8(buffer_.left(eol)));
      buffer_.remove(0, eol + 1);
    }
  });
  process_.start();
  process_.waitForStarted();
}

TvPeerProcess::~TvPeerProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished();
  }
}

void TvPeerProcess::send(const QString &command) { process_.write(command.toUtf8() + '\n'); }

void TvPeerProcess::killHard() {
  process_.kill();
  process_.waitForFinished();
}

void TvPeerProcess::finish(int timeoutMs) {
  send(QStringLiteral("quit"));
  if (!finished(timeoutMs)) killHard();
}

bool TvPeerProcess::finished(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (process_.state() != QProcess::NotRunning && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return process_.state() == QProcess::NotRunning;
}

QString TvPeerProcess::waitLine(const QString &pattern, int timeoutMs) {
  const QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"));
  const QDeadlineTimer deadline(timeoutMs);
  for (qsizetype seen = 0;;) {
    for (; seen < lines.size(); ++seen)
      if (re.match(lines[seen]).hasMatch()) return lines[seen];
    if (deadline.hasExpired()) return {};
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
}

int TvPeerProcess::countLines(const QString &pattern) const {
  const QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"));
  int n = 0;
  for (const QString &l : lines)
    if (re.match(l).hasMatch()) ++n;
  return n;
}

}  // namespace tv::test
