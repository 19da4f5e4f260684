#pragma once
// The information log as CSV: line 1 the four column headers joined by ",", then one
// line per row: time, area, kind and message joined by ",". Fields are neither quoted
// nor escaped, so a message holding "," simply holds more commas; readers join every
// field from the fourth on back into the message.

#include <QList>
#include <QStringList>

#include <optional>

namespace tv::app {

QStringList InfoCsvLines(const QStringList &headers, const QList<QStringList> &rows);

// The rows of a CSV file's lines, each of four columns. The first line (the headers)
// is skipped, empty lines too. Empty optional when a line has fewer than four fields:
// the file is damaged or not an information log.
std::optional<QList<QStringList>> ParseInfoCsv(const QStringList &lines);

}  // namespace tv::app
