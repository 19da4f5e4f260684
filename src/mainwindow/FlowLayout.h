#pragma once
// A layout that places its items left to right at their preferred sizes and starts a
// new row when the next item would not fit, so that a row of controls stays usable
// in a narrow window. Items of one row share the row's height and are centred in it.

#include <QLayout>
#include <QList>

namespace tv::mainwindow {

class FlowLayout : public QLayout {
 public:
  FlowLayout(QWidget *parent, int hSpacing, int vSpacing);
  ~FlowLayout() override;

  void addItem(QLayoutItem *item) override;
  int count() const override { return int(items_.size()); }
  QLayoutItem *itemAt(int index) const override { return items_.value(index); }
  QLayoutItem *takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
  QSize minimumSize() const override;
  QSize sizeHint() const override { return minimumSize(); }
  void setGeometry(const QRect &rect) override;

 private:
  // Places the items in `rect` (or only measures) and returns the height used.
  int arrange(const QRect &rect, bool place) const;

  QList<QLayoutItem *> items_;
  int hSpacing_, vSpacing_;
};

}  // namespace tv::mainwindow
