#include "mainwindow/TopicLine.h"

#include "app/Fonts.h"
#include "session/SessionMessage.h"

#include <QKeyEvent>
#include <QTimer>

namespace tv::mainwindow {

TopicLine::TopicLine(QWidget *parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("txtTOPIC"));
  setAccessibleName(QStringLiteral("トピック"));
  setToolTip(QStringLiteral("トピック(Enterで設定、Escで元に戻す)"));
  setFont(app::LogFont(9));
  // As for the input line: a paste cut here is still too long to be set.
  setMaxLength(int(session::kMaxTopicBytes) + 1);
}

void TopicLine::SetTopic(const QString &topic) {
  topic_ = topic;
  setText(topic);
  setCursorPosition(0);
}

void TopicLine::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      setText(topic_);
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!text().isEmpty()) Q_EMIT topicEntered(text());
      event->accept();
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

void TopicLine::focusInEvent(QFocusEvent *event) {
  QLineEdit::focusInEvent(event);
  QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void TopicLine::focusOutEvent(QFocusEvent *event) {
  QLineEdit::focusOutEvent(event);
  // Only a popup (the edit's own menu) may take the focus without ending the edit.
  if (event->reason() != Qt::PopupFocusReason) setText(topic_);
}

}  // namespace tv::mainwindow
