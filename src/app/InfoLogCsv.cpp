#include "app/InfoLogCsv.h"

namespace tv::app {

QStringList InfoCsvLines(const QStringList &headers, const QList<QStringList> &rows) {
  QStringList lines;
  lines.reserve(rows.size() + 1);
  lines.append(headers.join(u','));
  for (const QStringList &row : rows) lines.append(row.join(u','));
  return lines;
}

std::optional<QList<QStringList>> ParseInfoCsv(const QStringList &lines) {
  QList<QStringList> rows;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    if (lines[i].isEmpty()) continue;
    const QStringList fields = lines[i].split(u',');
    if (fields.size() < 4) return std::nullopt;
    rows.append({fields[0], fields[1], fields[2], fields.mid(3).join(u',')});
  }
  return rows;
}

}  // namespace tv::app
