#pragma once
// The process-wide values that start-up fixes once and everything else reads. Built in
// main() and passed by reference to whoever needs them; there is no global copy.

#include <QString>

namespace tv::app {

inline const QString kAppTitle = QStringLiteral("Talvora");
inline const QString kTitleTag = QStringLiteral("[Talvora]");
inline const QString kAppVersion = QStringLiteral(TV_APP_VERSION);

struct AppInfo {
  QString programFolder;             // folder of the running program file, ending in "/"
  QString appFolder;                 // data folder (see DataFolderFor), ending in "/"
  QString titleTag = kTitleTag;      // prefix of box and window titles
  QString appVersion = kAppVersion;  // major.minor.revision
  QString defaultNick = kAppTitle;   // offered when the nickname lists are empty

  QString settingsPath() const { return appFolder + kAppTitle + QStringLiteral(".ini"); }
  // A data file: settings, list files, the Log and IMG folders.
  QString filePath(const QString &name) const { return appFolder + name; }
  // One of the suite's programs (TvIRC, TvDcc, TvSoundTest), beside the running one.
  QString programPath(const QString &name) const { return programFolder + name; }
};

}  // namespace tv::app
