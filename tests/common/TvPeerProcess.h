#pragma once
// One running tvpeer (or any program that prints lines) and the lines it has printed,
// for tests and benchmarks that drive separate processes. Waiting runs the event loop.

#include <QProcess>
#include <QStringList>

namespace tv::test {

class TvPeerProcess {
 public:
  TvPeerProcess(const QString &program, const QStringList &arguments);
  // Kills it if it still runs (call finish() first for complete files).
  ~TvPeerProcess();
  void send(const QString &command);
  void killHard();  // SIGKILL: no goodbye
  // Sends `quit` and waits for the end (its files are complete then).
  void finish(int timeoutMs = 10000);
  bool finished(int timeoutMs);
  int exitCode() const { return process_.exitCode(); }
  qint64 processId() const { return process_.processId(); }
  // The first line matching the pattern (anchored), waiting for it; "" if none came.
  QString waitLine(const QString &pattern, int timeoutMs = 10000);
  int countLines(const QString &pattern) const;
  QStringList lines;

 private:
  QProcess process_;
  QByteArray buffer_;
};

}  // namespace tv::test
