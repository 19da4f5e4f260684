#include "app/StartUp.h"

#include "app/FileRoutines.h"
#include "app/ModChk.h"
#include "app/Settings.h"
#include "platform/text/TextFile.h"

#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace tv::app {

QString LogonUserName() {
  // getpwuid_r with a bounded buffer; the account database is the system's record of
  // who is logged on to this process.
  struct passwd pwd {};
  struct passwd *result = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pwd, buffer, sizeof buffer, &result) != 0 || !result) return {};
  return QString::fromLocal8Bit(result->pw_name);
}

QString DefaultNickFor(const QString &userName) {
  QString name = userName.left(255);
  const qsizetype nul = name.indexOf(QChar(u'\0'));
  if (nul >= 0) name.truncate(nul);
  if (name.isEmpty() || !IsValidNickname(name)) return kAppTitle;
  return name;
}

void ApplyVersionReset(const Settings &settings, const QString &version) {
  if (settings.ReadIni(u"Talvora", u"Version", u"NEW") != version) DeleteIfExists(settings.path());
  settings.WriteIni(u"Talvora", u"Version", version);
}

bool MigrateChannelList(const QString &appFolder) {
  const QString oldPath = appFolder + QStringLiteral("AutoJoinChannel.txt");
  if (!FileExists(oldPath)) return false;
  const QStringList old = text::readCp932Lines(oldPath).value_or(QStringList());

  QStringList out{QStringLiteral(":チェック状態,チャンネル名称")};
  for (qsizetype i = 0; i < old.size(); ++i) {
    const QString &a = old[i];
    if (a.isEmpty() || a.startsWith(u'[') || a.startsWith(u':')) continue;
    const QString b = i + 1 < old.size() ? old[i + 1] : QString();
    ++i;
    if (b.isEmpty()) continue;
    qsizetype lead = 0;
    while (lead < a.size() && a[lead] == u' ') ++lead;
    out.append(a.mid(lead) + u',' + b);
  }
  const QString newPath = appFolder + QStringLiteral("CHList.txt");
  if (!text::writeCp932Lines(newPath, out)) return false;
  DeleteIfExists(oldPath);
  return true;
}

AppInfo RunStartUp(const QString &programDir, const QString &userName) {
  AppInfo info;
  info.appFolder = AddBackslash(programDir);
  ApplyVersionReset(Settings(info.settingsPath()), info.appVersion);
  info.defaultNick = DefaultNickFor(userName);
  MigrateChannelList(info.appFolder);
  return info;
}

}  // namespace tv::app
