#pragma once
// The program's one top-level window: a tab strip tabMAIN over one pane per tab.
// This first version holds the INFO pane with the information log and the old-log
// pane; the voice pane and the IRC panes are added by their subsystems.

#include "app/AppInfo.h"
#include "app/WindowPlacement.h"

#include <QWidget>

class QStackedWidget;
class QTabBar;

namespace tv::app {
class Settings;
}

namespace tv::mainwindow {

class InfoLog;
class OldLogPane;

class FrmMain : public QWidget {
  Q_OBJECT
 public:
  FrmMain(const app::AppInfo &info, const app::Settings &settings, QWidget *parent = nullptr);

  // Information-log rows: area, kind, text.
  void addINF(const QString &funcClass, const QString &msgClass, const QString &message);
  void addIINF(const QString &msgClass, const QString &message);
  void LogVoiceInfo(const QString &kind, const QString &message);

  InfoLog *lstINF() const { return lstINF_; }
  OldLogPane *fraLOG() const { return fraLOG_; }
  QTabBar *tabMAIN() const { return tabMAIN_; }
  QString currentViewKey() const;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void addTab(const QString &key, const QString &caption, QWidget *pane);

  const app::AppInfo &info_;
  const app::Settings &settings_;
  QTabBar *tabMAIN_;
  QStackedWidget *panes_;
  InfoLog *lstINF_;
  OldLogPane *fraLOG_;
  app::WindowPlacement placement_;
};

}  // namespace tv::mainwindow
