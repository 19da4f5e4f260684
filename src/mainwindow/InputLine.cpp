#include "mainwindow/InputLine.h"

#include "app/Fonts.h"
#include "app/RecentList.h"
#include "session/SessionMessage.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace tv::mainwindow {

InputLine::InputLine(QWidget *parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("cboTX"));
  setAccessibleName(QStringLiteral("発言入力"));
  setToolTip(QStringLiteral("過去のデータ呼び出しは↓キー、ドロップダウンはALT + ↓キー"));
  setEditable(true);
  lineEdit()->setAccessibleName(QStringLiteral("発言入力"));
  // One character more than a chat line may hold: a longer paste is cut to a text that
  // is still too long, and so refused when sent rather than sent shortened.
  lineEdit()->setMaxLength(int(session::kMaxLineTextBytes) + 1);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxCount(app::kRecentListMax);
  setFont(app::LogFont(9));
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(8);
  // The history is no source of suggestions while typing a new line.
  setCompleter(nullptr);
}

void InputLine::keyPressEvent(QKeyEvent *event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QComboBox::keyPressEvent(event);
    return;
  }
  // A history entry chosen with the arrow keys is the edit text as well.
  const QString text = currentText();
  if (text.isEmpty()) {
    event->accept();
    return;
  }
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (handler_ && handler_(text, ctrl))
    event->accept();
  else
    QComboBox::keyPressEvent(event);
}

void InputLine::focusInEvent(QFocusEvent *event) {
  QComboBox::focusInEvent(event);
  // After the click that gave the focus has placed the caret.
  QTimer::singleShot(0, this, [this] {
    if (lineEdit()) lineEdit()->selectAll();
  });
}

void InputLine::commit(const QString &text) {
  app::AddRecentEntry(this, text);
  setCurrentIndex(-1);
  setEditText(QString());
}

QStringList InputLine::history() const {
  QStringList list;
  for (int i = 0; i < count(); ++i) list.append(itemText(i));
  return list;
}

void InputLine::loadHistory(const QString &path) {
  app::LoadListFile(this, path);
  setCurrentIndex(-1);
  setEditText(QString());
}

bool InputLine::saveHistory(const QString &path, QString *error) const {
  return app::SaveListFile(this, path, error);
}

}  // namespace tv::mainwindow
