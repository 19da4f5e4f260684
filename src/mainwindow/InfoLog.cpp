#include "mainwindow/InfoLog.h"

#include "app/Fonts.h"
#include "app/UiRoutines.h"
#include "mainwindow/ChatText.h"

#include <QHeaderView>
#include <QTime>

namespace tv::mainwindow {

InfoLog::InfoLog(QWidget *parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstINF"));
  setAccessibleName(QStringLiteral("システムログ"));
  setToolTip(QStringLiteral("システムログ"));
  setFont(app::LogFont(9));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("機能"), QStringLiteral("種別"),
                   QStringLiteral("メッセージ")});
  header()->setStretchLastSection(false);
  setColumnWidth(0, 70);
  setColumnWidth(1, 50);
  setColumnWidth(2, 60);
}

void InfoLog::addRow(const QString &area, const QString &kind, const QString &message) {
  auto *item = new QTreeWidgetItem({TimeOfDayText(QTime::currentTime()), area, kind, message});
  addTopLevelItem(item);
  scrollToItem(item);
  app::FitLastColumn(this);
}

InfoLog::Row InfoLog::row(int index) const {
  const QTreeWidgetItem *item = topLevelItem(index);
  if (!item) return {};
  return {item->text(0), item->text(1), item->text(2), item->text(3)};
}

app::LogSaveResult InfoLog::saveCsv(const QString &folder) const {
  QStringList headers;
  for (int c = 0; c < columnCount(); ++c) headers.append(headerItem()->text(c));
  QList<QStringList> rows;
  rows.reserve(rowCount());
  for (int i = 0; i < rowCount(); ++i) {
    const Row r = row(i);
    rows.append({r.time, r.area, r.kind, r.message});
  }
  return app::SaveInfoCsv(folder, headers, rows);
}

void InfoLog::resizeEvent(QResizeEvent *event) {
  QTreeWidget::resizeEvent(event);
  app::FitLastColumn(this);
}

}  // namespace tv::mainwindow
