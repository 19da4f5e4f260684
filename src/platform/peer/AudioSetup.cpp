#include "platform/peer/AudioSetup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tv::peer {

namespace {
constexpr char16_t kSection[] = u"Voice";
constexpr char16_t kKey[] = u"AudioSetupDone";
}  // namespace

QString AudioSetup::defaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Talvora/platform.ini");
}

bool AudioSetup::hasRun() const {
  return file_.path().isEmpty() || file_.read(kSection, kKey, u"0") == u"1";
}

bool AudioSetup::markRun() const {
  QDir().mkpath(QFileInfo(file_.path()).absolutePath());
  return file_.write(kSection, kKey, u"1");
}

}  // namespace tv::peer
