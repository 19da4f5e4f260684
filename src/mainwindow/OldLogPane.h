#pragma once
// The old-log pane fraLOG: the auto-save options of the information log, the voice
// chat view and the IRC channel views with their settings, the log folder and its
// buttons, and the old-log viewer (file filter, file list filLOG, and the views
// txtOldLog for TXT/RTF and lstOldINF for CSV). It owns the log folder that every
// log is saved to, and saves logs for the views that end.
//
// The viewer never stalls the program, whatever the size of a file: files are read
// and parsed off the UI thread (OldLogLoader) and go into the views in slices of a few
// milliseconds each; choosing another file cancels the one still loading.

#include "app/FolderDialog.h"
#include "app/UiRoutines.h"
#include "mainwindow/OldLogLoader.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QLabel;
class QListWidget;
class QStackedWidget;
class QTextDocument;
class QTimer;
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
  // Shows the file of the list's row in the viewer. Returns at once; the file appears
  // when it has been read, slice by slice.
  void showFile(const QString &name);
  // A file is being read or going into the viewer.
  bool loading() const;

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
  void showLoaded(const QString &path, std::shared_ptr<OldLogLoader::Content> content);
  void feedSlice();
  void stopFeeding();
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

  OldLogLoader loader_;
  QTimer *feed_;
  std::shared_ptr<OldLogLoader::Content> feeding_;  // what goes into the viewer now
  qsizetype fed_ = 0;                               // characters or rows already in
  qsizetype slice_ = 0;                             // characters per slice, adapted
};

}  // namespace tv::mainwindow
