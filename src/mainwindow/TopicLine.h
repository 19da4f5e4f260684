#pragma once
// The topic line txtTOPIC of the voice pane. It shows the committed topic; an edit is
// committed with Enter (when not empty) and otherwise discarded by Esc or by leaving
// the line. Topics come from peers and are shown as plain text.

#include <QLineEdit>

namespace tv::mainwindow {

class TopicLine : public QLineEdit {
  Q_OBJECT
 public:
  explicit TopicLine(QWidget *parent = nullptr);

  QString topic() const { return topic_; }
  // Stores the topic and shows it.
  void SetTopic(const QString &topic);

 Q_SIGNALS:
  // Enter with a text that is not empty; the owner sets, shows and sends it.
  void topicEntered(const QString &text);

 protected:
  void keyPressEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;

 private:
  QString topic_;
};

}  // namespace tv::mainwindow
