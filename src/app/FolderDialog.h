#pragma once
// The folder-choice dialog: a chooser of file-system folders, owned by the given
// window, that opens at a start folder and is enlarged so that more of the folder
// tree shows.

#include <QRect>
#include <QString>

#include <functional>

class QWidget;

namespace tv::app {

// The dialog's rectangle after its folder view of height `treeHeight` is doubled: it
// grows downwards by that height or, when that would pass the work area's bottom, its
// top moves up by that height and its bottom sits on the work area's bottom.
QRect EnlargedFolderDialogRect(const QRect &dialog, int treeHeight, const QRect &workArea);

// Shows the dialog; returns the chosen folder, or "" when the user cancels or the
// choice is not an existing folder.
QString BrowseForFolder(QWidget *owner, const QString &title, const QString &startFolder);

// The chooser as a dependency, so that windows can be tested without a modal dialog.
using FolderChooser =
    std::function<QString(QWidget *owner, const QString &title, const QString &startFolder)>;

}  // namespace tv::app
