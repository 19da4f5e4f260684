#pragma once
// ReadIni/WriteIni on Talvora.ini in the data folder. Every call goes to the file. A
// failed write is reported once per run to the problem report, when one is given.

#include "platform/profile/ProfileFile.h"

#include <QString>

namespace tv::app {

class ProblemReport;

class Settings {
 public:
  explicit Settings(const QString &iniPath, ProblemReport *problems = nullptr)
      : file_(iniPath), problems_(problems) {}

  QString ReadIni(QStringView section, QStringView key, QStringView defaultValue) const {
    return file_.read(section, key, defaultValue);
  }
  // The value read by the leading-number rule ("12abc" is 12, "abc" is 0).
  qint64 ReadIniNumber(QStringView section, QStringView key, QStringView defaultValue) const;
  bool WriteIni(QStringView section, QStringView key, QStringView value) const;
  bool WriteIni(QStringView section, QStringView key, qint64 value) const {
    return WriteIni(section, key, QString::number(value));
  }
  const QString &path() const { return file_.path(); }

 private:
  profile::ProfileFile file_;
  ProblemReport *problems_;
};

}  // namespace tv::app
