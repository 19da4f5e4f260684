#pragma once
// The process-wide values that start-up fixes once and everything else reads. Built in
// main() and passed by reference to whoever needs them; there is no global copy.

#include <QString>

namespace tv::app {

inline const QString kAppTitle = QStringLiteral("Talvora");
inline const QString kTitleTag = QStringLiteral("[Talvora]");
inline const QString kAppVersion = QStringLiteral(TV_APP_VERSION);

struct AppInfo {
  QString appFolder;                 // folder of the running program file, ending in "/"
  QString titleTag = kTitleTag;      // prefix of box and window titles
  QString appVersion = kAppVersion;  // major.minor.revision
  QString defaultNick = kAppTitle;   // offered when the nickname lists are empty

  QString settingsPath() const { return appFolder + kAppTitle + QStringLiteral(".ini"); }
  QString filePath(const QString &name) const { return appFolder + name; }
};

}  // namespace tv::app
