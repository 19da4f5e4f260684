#include "app/Settings.h"

#include "platform/text/LeadingNumber.h"

namespace tv::app {

qint64 Settings::ReadIniNumber(QStringView section, QStringView key,
                               QStringView defaultValue) const {
  return text::leadingNumber(ReadIni(section, key, defaultValue));
}

}  // namespace tv::app
