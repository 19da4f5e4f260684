#pragma once
// Recent-entry histories of the combo boxes: newest first, at most 30 entries, no
// duplicates, no empty entries. Stored one entry per line, oldest first, in CP932.
// The list logic works on a QStringList; the combo-box overloads only copy in and out.

#include <QStringList>

class QComboBox;

namespace tv::app {

inline constexpr int kRecentListMax = 30;

void AddRecentEntry(QStringList &list, const QString &text);
// The list as LoadListFile restores it: every line, empty ones included, inserted at
// the top in file order. A missing or unreadable file gives an empty list.
QStringList LoadListFile(const QString &path);
// Writes the list oldest entry first. An empty list leaves any existing file as it is
// (returns true). False, with the reason in `error`, when the write failed; the old
// file is then unchanged.
bool SaveListFile(const QStringList &list, const QString &path, QString *error = nullptr);

void AddRecentEntry(QComboBox *combo, const QString &text);
void LoadListFile(QComboBox *combo, const QString &path);
bool SaveListFile(const QComboBox *combo, const QString &path, QString *error = nullptr);

// Puts the entry first in the combo's history and writes the list file. An entry with
// a control character would split the file's lines and is left out. False when the
// file could not be written (the old file is then unchanged).
bool StoreRecentEntry(QComboBox *combo, const QString &entry, const QString &path);
// The information-log lines (kind "ERR") that report a file that could not be written.
QStringList SaveFailureLines(const QString &what, const QString &path);

}  // namespace tv::app
