#include "mainwindow/FlowLayout.h"

#include <QWidget>

namespace tv::mainwindow {

FlowLayout::FlowLayout(QWidget *parent, int hSpacing, int vSpacing)
    : QLayout(parent), hSpacing_(hSpacing), vSpacing_(vSpacing) {
  setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
  while (QLayoutItem *item = takeAt(0)) delete item;
}

void FlowLayout::addItem(QLayoutItem *item) { items_.append(item); }

QLayoutItem *FlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

QSize FlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem *item : items_) size = size.expandedTo(item->minimumSize());
  return size;
}

void FlowLayout::setGeometry(const QRect &rect) {
  QLayout::setGeometry(rect);
  arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool place) const {
  int y = rect.y();
  int used = 0;
  qsizetype rowStart = 0;
  while (rowStart < items_.size()) {
    // Take as many items as fit into this row (at least one).
    int width = 0, height = 0;
    qsizetype rowEnd = rowStart;
    for (; rowEnd < items_.size(); ++rowEnd) {
      const QLayoutItem *item = items_[rowEnd];
      if (item->isEmpty()) continue;
      const QSize hint = item->sizeHint();
      const int next = width == 0 ? hint.width() : width + hSpacing_ + hint.width();
      if (width > 0 && next > rect.width()) break;
      width = next;
      height = std::max(height, hint.height());
    }
    if (place) {
      int x = rect.x();
      for (qsizetype i = rowStart; i < rowEnd; ++i) {
        QLayoutItem *item = items_[i];
        if (item->isEmpty()) continue;
        const QSize hint = item->sizeHint();
        item->setGeometry(QRect(QPoint(x, y + (height - hint.height()) / 2), hint));
        x += hint.width() + hSpacing_;
      }
    }
    if (height > 0) {
      used = y + height - rect.y();
      y += height + vSpacing_;
    }
    rowStart = rowEnd;
  }
  return used;
}

}  // namespace tv::mainwindow
