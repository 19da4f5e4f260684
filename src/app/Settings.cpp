#include "app/Settings.h"

#include "app/ProblemReport.h"
#include "platform/text/LeadingNumber.h"

namespace tv::app {

qint64 Settings::ReadIniNumber(QStringView section, QStringView key,
                               QStringView defaultValue) const {
  return text::leadingNumber(ReadIni(section, key, defaultValue));
}

bool Settings::WriteIni(QStringView section, QStringView key, QStringView value) const {
  QString error;
  if (file_.write(section, key, value, &error)) return true;
  if (problems_)
    problems_->once(
        QStringLiteral("settings"),
        FileProblemLines(QStringLiteral("設定を保存できませんでした。"), path(), error));
  return false;
}

}  // namespace tv::app
