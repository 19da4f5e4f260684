#pragma once
// The all-chat log window frmAllLOG: every line shown in any chat view, voice and IRC
// alike, labelled with its source, in one scrolling view for the whole run of the
// program. Closing it by its frame only hides it; GoUnload closes it for real and
// saves its place.

#include "app/UiRoutines.h"
#include "app/WindowPlacement.h"

#include <QList>
#include <QWidget>

class QAction;
class QMenu;

namespace tv::richtext {
class RichTextView;
}

namespace tv::app {

struct AppInfo;
class Settings;

class FrmAllLOG : public QWidget {
  Q_OBJECT
 public:
  // `opener` opens links (the desktop's handler when empty; tests pass their own).
  FrmAllLOG(const AppInfo &info, const Settings &settings, UrlOpener opener = {},
            QWidget *parent = nullptr);

  // Appends one RTF fragment, after source + ">" when source is not empty. A reader
  // who scrolled back is not moved; otherwise the view follows the new line.
  void AddLog(QByteArrayView rtf, const QString &source);
  // Lets the window close, saving its place in section "frmAllLOG".
  void GoUnload();

  richtext::RichTextView *txtLOG() const { return txtLOG_; }
  QMenu *popupMenu() const { return menu_; }
  // "コピー(&C)" and the six window commands, in menu order.
  QList<QAction *> menuActions() const;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  void copySelection();
  void showPopup(const QPoint &globalPos);
  void placeFrame(int left, int top, int width, int height);

  richtext::RichTextView *txtLOG_;
  QMenu *menu_;
  QAction *copyAction_;
  UrlOpener opener_;
  WindowPlacement placement_;
  bool unloading_ = false;
};

}  // namespace tv::app
