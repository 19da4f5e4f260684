#pragma once
// A label that shows one of a window's values (a nickname, a size, a time). Screen
// readers know it by its caption ("送信先", "受信済みサイズ", ...) and read the value from
// its accessible description, which follows the text. Text from the network is shown
// as plain text.

#include <QLabel>

namespace tv::dcc {

class ValueLabel : public QLabel {
  Q_OBJECT
 public:
  ValueLabel(const QString &objectName, const QString &caption, QWidget *parent);

  void setValue(const QString &value);
  QString value() const { return text(); }
};

}  // namespace tv::dcc
