#include "dcc/DccWidgets.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTime>
#include <QToolButton>

namespace tv::dcc {

namespace {

QMessageBox *errorBox(QWidget *parent, const QString &message) {
  QString text = message;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto *box = new QMessageBox(QMessageBox::Critical, kBoxTitle, text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("frmDccBox"));
  box->setTextFormat(Qt::PlainText);
  // Scripts and screen readers read the message here; the box's own label has none.
  box->setAccessibleDescription(text);
  if (QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
    label->setAccessibleDescription(text);
  return box;
}

}  // namespace

QLabel *CaptionLabel(const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QToolButton *PictureButton(const QString &objectName, const QString &caption,
                           const QString &toolTip, QStyle::StandardPixmap picture,
                           QWidget *parent) {
  auto *button = new QToolButton(parent);
  button->setObjectName(objectName);
  button->setText(caption);
  button->setAccessibleName(caption);
  button->setToolTip(toolTip);
  button->setIcon(QApplication::style()->standardIcon(picture));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

void ShowErrorBox(QWidget *parent, const QString &text, std::function<void()> closed) {
  QMessageBox *box = errorBox(parent, text);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
  box->open();
}

void ExecErrorBox(const QString &text) {
  QMessageBox *box = errorBox(nullptr, text);
  box->exec();
  delete box;
}

QString TimeOfDay(const QTime &time) { return time.toString(QStringLiteral("H:mm:ss")); }

}  // namespace tv::dcc
