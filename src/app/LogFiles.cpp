#include "app/LogFiles.h"

#include "app/FileRoutines.h"
#include "app/InfoLogCsv.h"
#include "app/ProblemReport.h"
#include "app/StringRoutines.h"
#include "platform/richtext/RichTextFiles.h"
#include "platform/text/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace tv::app {
namespace {

constexpr int kMaxSuffix = 100000;

bool ensureFolder(const QString &folder, QString *error) {
  if (FolderExists(folder) || QDir().mkpath(folder)) return true;
  *error = QStringLiteral("フォルダを作成できません。");
  return false;
}

QString noFreeName() { return QStringLiteral("空いているファイル名が見つかりません。"); }

}  // namespace

QString LogTimeStamp(const QDateTime &now) {
  return now.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

QString FreeLogPath(const QString &folder, const QString &base, const QString &ext) {
  const QString dir = AddBackslash(folder);
  QString candidate = dir + base + ext;
  for (int n = 1; QFileInfo::exists(candidate); ++n) {
    if (n > kMaxSuffix) return {};
    candidate = dir + base + u'_' + QString::number(n) + ext;
  }
  return candidate;
}

LogSaveResult SaveLogFile(const QTextDocument &view, const QString &folder, const QString &name,
                          const QString &mode, const QDateTime &now) {
  LogSaveResult result;
  const bool text = mode == u"1";
  if (!text && mode != u"2") return result;
  if (!ensureFolder(folder, &result.error)) {
    result.path = AddBackslash(folder);
    return result;
  }
  const QString base = SafeFileName(name) + u'_' + LogTimeStamp(now);
  result.path = FreeLogPath(folder, base, text ? QStringLiteral(".txt") : QStringLiteral(".rtf"));
  if (result.path.isEmpty()) {
    result.path = AddBackslash(folder) + base;
    result.error = noFreeName();
    return result;
  }
  const bool ok = text ? richtext::saveTextFile(view, result.path, &result.error)
                       : richtext::saveRtfFile(view, result.path, &result.error);
  if (ok)
    result.error.clear();
  else if (result.error.isEmpty())
    result.error = QStringLiteral("書き込みに失敗しました。");
  return result;
}

LogSaveResult SaveInfoCsv(const QString &folder, const QStringList &headers,
                          const QList<QStringList> &rows, const QDateTime &now) {
  LogSaveResult result;
  if (!ensureFolder(folder, &result.error)) {
    result.path = AddBackslash(folder);
    return result;
  }
  const QString base = QStringLiteral("INFO_") + LogTimeStamp(now);
  result.path = FreeLogPath(folder, base, QStringLiteral(".csv"));
  if (result.path.isEmpty()) {
    result.path = AddBackslash(folder) + base;
    result.error = noFreeName();
    return result;
  }
  if (!text::writeCp932Lines(result.path, InfoCsvLines(headers, rows)))
    result.error = QStringLiteral("書き込みに失敗しました。");
  return result;
}

QStringList LogSaveFailureReport(const LogSaveResult &result) {
  return FileProblemLines(QStringLiteral("ログファイルを保存できませんでした。"), result.path,
                          result.error);
}

}  // namespace tv::app
