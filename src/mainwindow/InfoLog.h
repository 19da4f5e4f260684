#pragma once
// The information log lstINF: one row per event with time, area, kind and text.
// Texts come from peers and servers too, so every cell is plain text.

#include "app/LogFiles.h"

#include <QTreeWidget>

namespace tv::mainwindow {

class InfoLog : public QTreeWidget {
  Q_OBJECT
 public:
  explicit InfoLog(QWidget *parent = nullptr);

  // Appends a row stamped with the local time of day and scrolls it into view.
  void addRow(const QString &area, const QString &kind, const QString &message);

  struct Row {
    QString time, area, kind, message;
  };
  Row row(int index) const;
  int rowCount() const { return topLevelItemCount(); }

  // Writes the headers and rows as "INFO_" + time stamp + ".csv" in the folder.
  app::LogSaveResult saveCsv(const QString &folder) const;

 protected:
  void resizeEvent(QResizeEvent *event) override;
};

}  // namespace tv::mainwindow
