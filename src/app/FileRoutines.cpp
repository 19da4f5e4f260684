#include "app/FileRoutines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tv::app {

QString AddBackslash(const QString &path) { return path.endsWith(u'/') ? path : path + u'/'; }

bool FileExists(const QString &path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

bool FolderExists(const QString &path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isDir();
}

void DeleteIfExists(const QString &path) {
  if (FileExists(path)) QFile::remove(path);
}

bool EnsureAppSubfolder(const QString &appFolder, const QString &name) {
  const QString path = AddBackslash(appFolder) + name;
  return FolderExists(path) || QDir().mkpath(path);
}

}  // namespace tv::app
