#include "dcc/ValueLabel.h"

namespace tv::dcc {

ValueLabel::ValueLabel(const QString &objectName, const QString &caption, QWidget *parent)
    : QLabel(parent) {
  setObjectName(objectName);
  setAccessibleName(caption);
  setTextFormat(Qt::PlainText);
}

void ValueLabel::setValue(const QString &value) {
  if (value == text()) return;
  setText(value);
  setAccessibleDescription(value);
}

}  // namespace tv::dcc
