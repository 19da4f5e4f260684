#include "app/RecentList.h"

#include "platform/text/TextFile.h"

#include <QComboBox>

#include <algorithm>

namespace tv::app {
namespace {

QStringList comboEntries(const QComboBox *combo) {
  QStringList list;
  list.reserve(combo->count());
  for (int i = 0; i < combo->count(); ++i) list.append(combo->itemText(i));
  return list;
}

void setComboEntries(QComboBox *combo, const QStringList &list) {
  const QString edit = combo->isEditable() ? combo->currentText() : QString();
  combo->clear();
  combo->addItems(list);
  if (combo->isEditable()) combo->setEditText(edit);
}

}  // namespace

void AddRecentEntry(QStringList &list, const QString &text) {
  if (text.isEmpty()) return;
  list.removeIf([&](const QString &e) { return e.isEmpty() || e == text; });
  list.prepend(text);
  if (list.size() > kRecentListMax) list.resize(kRecentListMax);
}

QStringList LoadListFile(const QString &path) {
  text::LineLimits limits;
  limits.maxLines = 10000;
  QStringList lines = text::readCp932Lines(path, limits).value_or(QStringList());
  std::reverse(lines.begin(), lines.end());
  return lines;
}

bool SaveListFile(const QStringList &list, const QString &path, QString *error) {
  if (list.isEmpty()) return true;
  QStringList lines = list;
  std::reverse(lines.begin(), lines.end());
  return text::writeCp932Lines(path, lines, error);
}

void AddRecentEntry(QComboBox *combo, const QString &text) {
  if (text.isEmpty()) return;
  QStringList list = comboEntries(combo);
  AddRecentEntry(list, text);
  setComboEntries(combo, list);
}

void LoadListFile(QComboBox *combo, const QString &path) {
  setComboEntries(combo, LoadListFile(path));
}

bool SaveListFile(const QComboBox *combo, const QString &path, QString *error) {
  return SaveListFile(comboEntries(combo), path, error);
}

bool StoreRecentEntry(QComboBox *combo, const QString &entry, const QString &path) {
  if (std::any_of(entry.begin(), entry.end(),
                  [](QChar c) { return c.category() == QChar::Other_Control; }))
    return true;
  AddRecentEntry(combo, entry);
  return SaveListFile(combo, path);
}

QStringList SaveFailureLines(const QString &what, const QString &path) {
  return {what + QStringLiteral("を保存できませんでした。"),
          QStringLiteral("　　<保存先　　　　> ") + path};
}

}  // namespace tv::app
