#pragma once
// ReadIni/WriteIni on Talvora.ini in the program folder. Every call goes to the file.

#include "platform/profile/ProfileFile.h"

#include <QString>

namespace tv::app {

class Settings {
 public:
  explicit Settings(const QString &iniPath) : file_(iniPath) {}

  QString ReadIni(QStringView section, QStringView key, QStringView defaultValue) const {
    return file_.read(section, key, defaultValue);
  }
  // The value read by the leading-number rule ("12abc" is 12, "abc" is 0).
  qint64 ReadIniNumber(QStringView section, QStringView key, QStringView defaultValue) const;
  bool WriteIni(QStringView section, QStringView key, QStringView value) const {
    return file_.write(section, key, value);
  }
  bool WriteIni(QStringView section, QStringView key, qint64 value) const {
    return WriteIni(section, key, QString::number(value));
  }
  const QString &path() const { return file_.path(); }

 private:
  profile::ProfileFile file_;
};

}  // namespace tv::app
