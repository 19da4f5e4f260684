#pragma once
// The old-log pane fraLOG: the auto-save options of the information log, the voice
// chat view and the IRC channel views with their settings, the log folder and its
// buttons, and the old-log viewer (file filter, file list filLOG, and the views
// txtOldLog for TXT/RTF and lstOldINF for CSV). It owns the log folder that every
// log is saved to, and saves logs for the views that end.

#include "app/FolderDialog.h"
#include "app/UiRoutines.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QLabel;
class QListWidget;
class QStackedWidget;
class QTextDocument;
class QTreeWidget;

namespace tv::app {
struct AppInfo;
class Settings;
struct LogSaveResult;
}  // namespace tv::app

namespace tv::richtext {
class RichTextView;
}

namespace tv::mainwindow {

class InfoLog;

class OldLogPane : public QWidget {
  Q_OBJECT
 public:
  struct Services {
    // Information-log rows of area "TV": kind and text.
    std::function<void(const QString &kind, const QString &message)> report;
    app::FolderChooser chooseFolder = app::BrowseForFolder;
    std::function<bool(const QString &folder)> openFolder = app::OpenLocalPath;
  };

  // Reads the auto-save options, the filter and the log folder from the settings; a
  // stored folder that no longer exists is cleared and the default "Log" folder under
  // the program folder is used, created when missing.
  OldLogPane(const app::AppInfo &info, const app::Settings &settings, Services services,
             QWidget *parent = nullptr);

  QString logFolder() const { return folder_; }
  void setLogFolder(const QString &folder);
  // The selected index of an option group ("optINF", "optVOICE", "optIRC", "optVIEW").
  QString optionIndex(const QString &group) const;

  // Voice chat stopped: saves the view as the optVOICE option says.
  void saveVoiceLog(const QTextDocument &view);
  // An IRC channel view closed: saves it as "AutoSave"/"IRC" says (unnamed views not).
  void saveIrcLog(const QTextDocument &view, const QString &channel);
  // The program closes: writes the information log as CSV when optINF is 1 and the
  // log has rows.
  void autoSaveInfoLog(const InfoLog &log);
  // Writes the log folder and the filter to section "OldLog" (at unload).
  void saveSettings() const;

  void refreshFileList();
  // Shows the file of the list's row in the viewer.
  void showFile(const QString &name);

  QListWidget *filLOG() const { return filLOG_; }
  richtext::RichTextView *txtOldLog() const { return txtOldLog_; }
  QTreeWidget *lstOldINF() const { return lstOldINF_; }

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

 private:
  QButtonGroup *addOptions(QWidget *box, const QString &group, const QStringList &captions,
                           const QString &key, const QString &def);
  void applyFilter(int index);
  void showText(const QString &text);
  void deleteSelectedFiles();
  void chooseFolder();
  void reportSave(const app::LogSaveResult &result);

  const app::AppInfo &info_;
  const app::Settings &settings_;
  Services services_;
  QString folder_;
  QStringList patterns_;
  QButtonGroup *optVIEW_;
  QLabel *lblFolder_;
  QListWidget *filLOG_;
  QStackedWidget *viewer_;
  richtext::RichTextView *txtOldLog_;
  QTreeWidget *lstOldINF_;
};

}  // namespace tv::mainwindow
