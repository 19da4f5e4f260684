#include "mainwindow/ChatToolWindows.h"

#include "mainwindow/FrmMain.h"
#include "mainwindow/FrmSubVOIMSG.h"
#include "mainwindow/FrmSubVOIPIC.h"

namespace tv::mainwindow {
namespace {

void bringUp(QWidget *window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

ChatToolWindows::ChatToolWindows(FrmMain &main, const app::AppInfo &info,
                                 const app::Settings &settings)
    : main_(main), info_(info), settings_(settings) {
  connect(&main, &FrmMain::richComposerRequested, this, &ChatToolWindows::showComposer);
  connect(&main, &FrmMain::pictureWindowRequested, this, &ChatToolWindows::showPictureWindow);
  connect(&main, &FrmMain::pictureSendRequested, &main, &FrmMain::VSendPIC);
}

ChatToolWindows::~ChatToolWindows() {
  for (QWidget *window :
       {static_cast<QWidget *>(composer_), static_cast<QWidget *>(pictureWindow_)})
    if (window) window->close();
}

FrmSubVOIMSG *ChatToolWindows::composer() const { return composer_; }

FrmSubVOIPIC *ChatToolWindows::pictureWindow() const { return pictureWindow_; }

FrmSubVOIMSG *ChatToolWindows::showComposer() {
  if (!composer_)
    composer_ = new FrmSubVOIMSG(
        info_, settings_, [this](const QString &rtf) { return main_.TxRich(rtf); }, &main_);
  bringUp(composer_);
  return composer_;
}

FrmSubVOIPIC *ChatToolWindows::showPictureWindow() {
  if (!pictureWindow_) {
    PictureWindowServices services;
    services.sendPicture = [this](const QString &path) { main_.VSendPIC(path); };
    services.metafiles = main_.metafiles();
    pictureWindow_ = new FrmSubVOIPIC(info_, settings_, std::move(services), &main_);
  }
  bringUp(pictureWindow_);
  return pictureWindow_;
}

}  // namespace tv::mainwindow
