#pragma once
// The voice pane's two tool windows: the rich message composer (btnRichChat) and the
// picture window (btnPIC). Each is created on its first request and shown again on
// later ones while it lives; the picture window ends after a send, the composer stays
// open. A file dropped on the chat log is sent as a picture.

#include <QObject>
#include <QPointer>

namespace tv::app {
struct AppInfo;
class Settings;
}  // namespace tv::app

namespace tv::mainwindow {

class FrmMain;
class FrmSubVOIMSG;
class FrmSubVOIPIC;
struct PictureWindowServices;

class ChatToolWindows : public QObject {
  Q_OBJECT
 public:
  // Every dependency outlives this object; the windows are children of the main window.
  ChatToolWindows(FrmMain &main, const app::AppInfo &info, const app::Settings &settings);
  // Closes the windows that are open, so that they keep their places.
  ~ChatToolWindows() override;

  // Shown, created on first use.
  FrmSubVOIMSG *showComposer();
  FrmSubVOIPIC *showPictureWindow();
  // While they live.
  FrmSubVOIMSG *composer() const;
  FrmSubVOIPIC *pictureWindow() const;

 private:
  FrmMain &main_;
  const app::AppInfo &info_;
  const app::Settings &settings_;
  QPointer<FrmSubVOIMSG> composer_;
  QPointer<FrmSubVOIPIC> pictureWindow_;
};

}  // namespace tv::mainwindow
