#include "app/UiRoutines.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QWidget>

#include <cmath>

namespace tv::app {

void PauseMs(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
  QCoreApplication::processEvents();
}

namespace {
QUrl webUrl(const QString &text) {
  const QString t = text.trimmed();
  if (t.isEmpty() || t.size() > 8192) return {};
  QUrl url(
      t.startsWith(QStringLiteral("www."), Qt::CaseInsensitive) ? QStringLiteral("http://") + t : t,
      QUrl::StrictMode);
  if (!url.isValid()) return {};
  const QString scheme = url.scheme().toLower();
  if (scheme == u"mailto") return url.path().contains(u'@') ? url : QUrl();
  if ((scheme == u"http" || scheme == u"https" || scheme == u"ftp") && !url.host().isEmpty())
    return url;
  return {};
}
}  // namespace

bool IsOpenableWebAddress(const QString &text) { return webUrl(text).isValid(); }

bool OpenUrl(const QString &text, const UrlOpener &opener) {
  const QUrl url = webUrl(text);
  if (!url.isValid()) return false;
  return opener ? opener(url) : QDesktopServices::openUrl(url);
}

bool OpenLocalPath(const QString &path) {
  return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

double TwipsPerPixel(const QWidget *widget) {
  double dpi = 96.0;
  if (widget && widget->screen()) dpi = widget->screen()->logicalDotsPerInchX();
  if (dpi <= 0) dpi = 96.0;
  return 1440.0 / dpi;
}

int TwipsToPixels(const QWidget *widget, int twips) {
  return static_cast<int>(std::lround(twips / TwipsPerPixel(widget)));
}

int PixelsToTwips(const QWidget *widget, int pixels) {
  return static_cast<int>(std::lround(pixels * TwipsPerPixel(widget)));
}

void FitLastColumn(QTreeWidget *list) {
  if (!list || list->columnCount() == 0) return;
  QHeaderView *header = list->header();
  const int last = list->columnCount() - 1;
  const int width = list->viewport()->width() - header->sectionPosition(last);
  header->resizeSection(last, std::max(width, header->minimumSectionSize()));
  list->viewport()->update();
}

QString ArrayName(const QString &controlName, int index) {
  return controlName + u'(' + QString::number(index) + u')';
}

QString SelectedOptionIndex(const QWidget *window, const QString &controlName) {
  const QString prefix = controlName + u'(';
  for (const QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
    const QString name = b->objectName();
    if (b->isChecked() && name.startsWith(prefix) && name.endsWith(u')'))
      return name.mid(prefix.size(), name.size() - prefix.size() - 1);
  }
  return QStringLiteral("0");
}

QPushButton *MakeButton(const QString &objectName, const QString &caption, QWidget *parent,
                        const QString &accessibleName) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(accessibleName.isEmpty() ? caption : accessibleName);
  return b;
}

QComboBox *MakeHistoryCombo(const QString &objectName, const QString &accessibleName,
                            QWidget *parent) {
  auto *c = new QComboBox(parent);
  c->setObjectName(objectName);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setAccessibleName(accessibleName);
  c->lineEdit()->setAccessibleName(accessibleName);
  return c;
}

bool IsMenuKey(const QKeyEvent &event) {
  return event.key() == Qt::Key_Menu ||
         (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

}  // namespace tv::app
