#pragma once
// Problems that the user must hear about although they happen where no window can say
// so: at start-up before the main window exists, in the settings writer, when a list
// file cannot be written. They go to the information log as "ERR" lines, each kind
// once per run (a full disk would otherwise add a report for every write); what comes
// before the log is attached waits for it. UI thread only.

#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

namespace tv::app {

class ProblemReport {
 public:
  using Sink = std::function<void(const QStringList &lines)>;

  // Attaches the information log and hands it what waited.
  void attach(Sink sink);
  // Reports the lines (a headline and detail lines) unless a problem of this kind was
  // reported already in this run. True when they were reported or are waiting.
  bool once(const QString &kind, const QStringList &lines);

 private:
  Sink sink_;
  QSet<QString> reported_;
  QList<QStringList> waiting_;
};

// The lines of a file that could not be written: the headline, the file and the
// reason, aligned as every other error report of the program.
QStringList FileProblemLines(const QString &headline, const QString &path, const QString &reason);

}  // namespace tv::app
