#include "app/FolderDialog.h"

#include "app/FileRoutines.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QScreen>
#include <QTimer>

namespace tv::app {

QRect EnlargedFolderDialogRect(const QRect &dialog, int treeHeight, const QRect &workArea) {
  QRect r = dialog;
  r.setHeight(dialog.height() + treeHeight);
  if (r.bottom() > workArea.bottom()) {
    r.moveTop(dialog.top() - treeHeight);
    r.moveBottom(workArea.bottom());
  }
  return r;
}

QString BrowseForFolder(QWidget *owner, const QString &title, const QString &startFolder) {
  QFileDialog dialog(owner, title, startFolder);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::DontResolveSymlinks, true);
  if (!startFolder.isEmpty()) dialog.selectFile(startFolder);
  // Once shown, the dialog grows by the height its folder view had.
  QTimer::singleShot(0, &dialog, [&dialog] {
    const auto *view = dialog.findChild<QAbstractItemView *>(QStringLiteral("listView"));
    const int treeHeight = view ? view->height() : dialog.height() / 2;
    const QScreen *screen = dialog.screen();
    if (!screen) return;
    dialog.setGeometry(
        EnlargedFolderDialogRect(dialog.geometry(), treeHeight, screen->availableGeometry()));
  });
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || !FolderExists(chosen.front())) return {};
  return chosen.front();
}

}  // namespace tv::app
