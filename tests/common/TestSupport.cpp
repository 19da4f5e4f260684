#include "common/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTextEdit>
#include <QThread>

namespace tv::test {

QByteArray readBytes(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QString programFolder() { return qEnvironmentVariable("TV_BIN_DIR"); }
QString sourceFolder() { return qEnvironmentVariable("TV_SOURCE_DIR"); }

QString unnamedControls(const QWidget *root) {
  QStringList unnamed;
  for (QWidget *w : root->findChildren<QWidget *>()) {
    const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
                         qobject_cast<QTextEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                         qobject_cast<QTabBar *>(w) ||
                         (qobject_cast<QAbstractItemView *>(w) && !qobject_cast<QHeaderView *>(w) &&
                          !w->parentWidget()->inherits("QComboBoxPrivateContainer"));
    // Empty labels (unused message lines) have nothing to read out.
    const auto *label = qobject_cast<QLabel *>(w);
    if (!control && !(label && !label->text().isEmpty())) continue;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    if (!iface || iface->text(QAccessible::Name).trimmed().isEmpty())
      unnamed << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                            : w->objectName());
  }
  return unnamed.join(u',');
}

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout) {
  QDeadlineTimer deadline(timeout);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace tv::test
