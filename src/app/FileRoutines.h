#pragma once
// File and folder routines of the start-up module. Paths use "/" as the separator;
// AddBackslash is kept under its historical name and appends the platform separator.

#include <QString>

namespace tv::app {

QString AddBackslash(const QString &path);
bool FileExists(const QString &path);
bool FolderExists(const QString &path);
void DeleteIfExists(const QString &path);
// Creates appFolder + name when it is missing; true when the folder exists afterwards.
bool EnsureAppSubfolder(const QString &appFolder, const QString &name);

}  // namespace tv::app
