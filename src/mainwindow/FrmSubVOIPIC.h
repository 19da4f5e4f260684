#pragma once
// The picture window frmSubVOIPIC: a place (home folder, "/", mounted volumes), a
// folder tree and the picture files of the chosen folder; a click on a file shows its
// size and a preview with scroll bars, a double click or Enter sends it (the window
// hides first and closes after the send). The pictures are decoded under the same
// caps as the chat log's, vector metafiles through the drawing helper. The window
// remembers its place in the settings section "frmSubVOIPIC" and its folder under
// "VOICE"/"PicturePath".
//
// UI thread only.

#include "app/AppInfo.h"
#include "app/WindowPlacement.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QFileSystemModel;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QScrollBar;
class QTreeView;

namespace tv::app {
class Settings;
}
namespace tv::metafile {
class WmfHelper;
}

namespace tv::mainwindow {

struct PictureWindowServices {
  std::function<void(const QString &path)> sendPicture;  // the main window's VSendPIC
  metafile::WmfHelper *metafiles = nullptr;              // draws vector previews
  // The places offered besides the home folder and "/" (mounted volumes when empty).
  std::function<QStringList()> volumes;
};

class FrmSubVOIPIC : public QWidget {
  Q_OBJECT
 public:
  FrmSubVOIPIC(const app::AppInfo &info, const app::Settings &settings,
               PictureWindowServices services, QWidget *parent = nullptr);

  // The folder the file list shows.
  QString folder() const { return folder_; }
  // Shows a folder in the tree and its picture files in the list.
  void showFolder(const QString &path);
  // A place of drvPIC: its root in the tree; one that cannot be read puts the list
  // back on the current folder's place. False then.
  bool choosePlace(int index);
  // A click on a file: its size and the preview.
  void previewSelected();
  // A double click or Enter on the file list.
  void sendSelected();

  QComboBox *drvPIC() const { return drvPIC_; }
  QTreeView *dirPIC() const { return dirPIC_; }
  QListWidget *filPIC() const { return filPIC_; }
  QLabel *lblFSize() const { return lblFSize_; }
  QFrame *picBASE() const { return picBASE_; }
  QLabel *picBOX() const { return picBOX_; }
  QScrollBar *scbH() const { return scbH_; }
  QScrollBar *scbV() const { return scbV_; }

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void fillPlaces();
  int placeOf(const QString &path) const;
  void showPreview(const QImage &image);
  void updateScrollBars();
  void layoutControls();

  const app::Settings &settings_;
  PictureWindowServices services_;
  app::WindowPlacement placement_;
  QString appFolder_;
  QString folder_;
  bool pictureLoaded_ = false;
  quint64 previewTicket_ = 0;

  QLabel *placeLabel_;
  QComboBox *drvPIC_;
  QFileSystemModel *folders_;
  QTreeView *dirPIC_;
  QListWidget *filPIC_;
  QGroupBox *sizeBox_;
  QLabel *lblFSize_;
  QFrame *picBASE_;
  QLabel *picBOX_;
  QScrollBar *scbH_;
  QScrollBar *scbV_;
};

}  // namespace tv::mainwindow
