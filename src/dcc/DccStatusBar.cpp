#include "dcc/DccStatusBar.h"

#include "app/UiRoutines.h"

#include <QLabel>

namespace tv::dcc {

namespace {

QLabel *panelLabel(int index, const QString &name) {
  auto *label = new QLabel;
  label->setObjectName(app::ArrayName(QStringLiteral("stbPanel"), index));
  label->setAccessibleName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void setPanelText(QLabel *label, const QString &text) {
  label->setText(text);
  label->setAccessibleDescription(text);
}

}  // namespace

DccStatusBar::DccStatusBar(QWidget *parent)
    : QStatusBar(parent),
      status_(panelLabel(0, QStringLiteral("状態"))),
      incomplete_(panelLabel(1, QStringLiteral("未完了のファイル"))) {
  setObjectName(QStringLiteral("stbMAIN"));
  setSizeGripEnabled(false);
  addWidget(status_, 1);
  addWidget(incomplete_, 1);
  incomplete_->hide();
}

void DccStatusBar::setStatus(const QString &text) { setPanelText(status_, text); }

QString DccStatusBar::status() const { return status_->text(); }

void DccStatusBar::setIncompleteFile(const QString &name) {
  setPanelText(incomplete_,
               name.isEmpty() ? QString() : QStringLiteral("未完了のファイル: ") + name);
  incomplete_->setVisible(!name.isEmpty());
}

}  // namespace tv::dcc
