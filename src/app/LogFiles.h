#pragma once
// Saving chat views and the information log to the log folder. File names are
// name + "_" + yyyyMMdd_hhmmss + extension, with "_1", "_2", ... before the extension
// when that file exists already; no file is ever overwritten. Writes are atomic, and
// every failure comes back with its reason so that the caller can report it.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace tv::app {

// The local time as yyyyMMdd_hhmmss (20021028_080214).
QString LogTimeStamp(const QDateTime &now);

// folder + base + ext, or the first of base_1 + ext, base_2 + ext, ... that does not
// exist. Empty when no free name is found.
QString FreeLogPath(const QString &folder, const QString &base, const QString &ext);

struct LogSaveResult {
  QString path;   // the file written, or attempted
  QString error;  // why it failed; empty on success
  bool attempted() const { return !path.isEmpty() || !error.isEmpty(); }
  bool ok() const { return attempted() && error.isEmpty(); }
};

// Saves the view under SafeFileName(name) + "_" + stamp: mode "1" as ".txt" plain text
// (CP932, CR LF), mode "2" as ".rtf". Any other mode writes nothing (attempted() is
// false). A missing log folder is created first.
LogSaveResult SaveLogFile(const QTextDocument &view, const QString &folder, const QString &name,
                          const QString &mode, const QDateTime &now = QDateTime::currentDateTime());

// Writes the information log as "INFO_" + stamp + ".csv" (see InfoLogCsv.h).
LogSaveResult SaveInfoCsv(const QString &folder, const QStringList &headers,
                          const QList<QStringList> &rows,
                          const QDateTime &now = QDateTime::currentDateTime());

// The information-log lines that report a failed save: a headline and detail lines.
QStringList LogSaveFailureReport(const LogSaveResult &result);

}  // namespace tv::app
