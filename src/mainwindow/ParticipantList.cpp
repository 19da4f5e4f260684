#include "mainwindow/ParticipantList.h"

#include "app/Fonts.h"
#include "app/StringRoutines.h"
#include "app/UiRoutines.h"
#include "mainwindow/ColourTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tv::mainwindow {
namespace {
const QString kNone = QStringLiteral("－");
constexpr int kKeyRole = Qt::UserRole;
}  // namespace

ParticipantList::ParticipantList(QWidget *parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lstUSER"));
  setAccessibleName(QStringLiteral("参加者リスト"));
  setToolTip(QStringLiteral("参加者リスト"));
  setFont(app::LogFont(9));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHeaderLabels({QStringLiteral("NickName"), QStringLiteral("声"), QStringLiteral("チ"),
                   QStringLiteral("Ping")});
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  setColumnWidth(0, app::TwipsToPixels(this, 1100));
  setColumnWidth(kVoiceColumn, app::TwipsToPixels(this, 300));
  setColumnWidth(kTeamColumn, app::TwipsToPixels(this, 300));
}

void ParticipantList::AddParticipantRow(std::uint32_t id, const QString &name) {
  RemoveParticipantRow(id);
  auto *row = new QTreeWidgetItem({name, kNone, kNone, kNone});
  row->setData(0, kKeyRole, app::PlayerKey(std::int32_t(id)));
  for (int c = 0; c < columnCount(); ++c) row->setForeground(c, QColor(Qt::black));
  addTopLevelItem(row);
  rows_.insert(id, row);
}

void ParticipantList::RemoveParticipantRow(std::uint32_t id) { delete rows_.take(id); }

void ParticipantList::ClearRows() {
  rows_.clear();
  clear();
}

QString ParticipantList::RowText(std::uint32_t id) const {
  const QTreeWidgetItem *row = item(id);
  return row ? row->text(0) : QString();
}

QString ParticipantList::ParticipantName(std::uint32_t id) const {
  return app::StripLeadingAt(RowText(id));
}

void ParticipantList::SetParticipantName(std::uint32_t id, const QString &name) {
  if (QTreeWidgetItem *row = item(id)) row->setText(0, name);
}

void ParticipantList::MarkHostRow(std::uint32_t id) {
  if (QTreeWidgetItem *row = item(id)) row->setText(0, u'@' + app::StripLeadingAt(row->text(0)));
}

std::optional<std::uint32_t> ParticipantList::UserColor(std::uint32_t id) const {
  const QTreeWidgetItem *row = item(id);
  if (!row) return std::nullopt;
  return ValueFromColour(row->foreground(0).color());
}

void ParticipantList::SetUserColor(std::uint32_t id, std::uint32_t colour) {
  QTreeWidgetItem *row = item(id);
  if (!row) return;
  // Only the name takes the member's colour: a pale colour would make the marks, the
  // team digit and the round-trip time unreadable.
  row->setForeground(0, ColourFromValue(colour));
}

void ParticipantList::SetUserPing(std::uint32_t id, const QString &text) {
  if (QTreeWidgetItem *row = item(id)) row->setText(kPingColumn, text);
}

void ParticipantList::SetUserTeamText(std::uint32_t id, const QString &text) {
  if (QTreeWidgetItem *row = item(id)) row->setText(kTeamColumn, text);
}

void ParticipantList::MarkTalking(std::uint32_t id, bool talking) {
  if (QTreeWidgetItem *row = item(id))
    row->setText(kVoiceColumn, talking ? QStringLiteral("○") : kNone);
}

QString ParticipantList::CellText(std::uint32_t id, int column) const {
  const QTreeWidgetItem *row = item(id);
  return row ? row->text(column) : QString();
}

std::uint32_t ParticipantList::SelectedUserId() const {
  const QList<QTreeWidgetItem *> selected = selectedItems();
  if (selected.isEmpty()) return 0;
  bool ok = false;
  const int id = selected.first()->data(0, kKeyRole).toString().mid(1).toInt(&ok);
  return ok ? std::uint32_t(id) : 0;
}

void ParticipantList::SelectUser(std::uint32_t id) {
  clearSelection();
  if (QTreeWidgetItem *row = item(id)) {
    row->setSelected(true);
    setCurrentItem(row);
  }
}

void ParticipantList::fitPingColumn() {
  const int left = header()->sectionPosition(kPingColumn);
  setColumnWidth(kPingColumn, std::max(app::TwipsToPixels(this, 300),
                                       viewport()->width() - left - app::TwipsToPixels(this, 60)));
}

void ParticipantList::resizeEvent(QResizeEvent *event) {
  QTreeWidget::resizeEvent(event);
  fitPingColumn();
}

void ParticipantList::keyPressEvent(QKeyEvent *event) {
  if (app::IsMenuKey(*event)) {
    const QTreeWidgetItem *row = currentItem();
    const QRect at = row ? visualItemRect(row) : QRect();
    Q_EMIT menuKeyPressed(viewport()->mapToGlobal(at.bottomLeft()));
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void ParticipantList::mouseReleaseEvent(QMouseEvent *event) {
  QTreeWidget::mouseReleaseEvent(event);
  Q_EMIT mouseReleased(event->button(), event->globalPosition().toPoint());
}

}  // namespace tv::mainwindow
