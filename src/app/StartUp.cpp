#include "app/StartUp.h"

#include "app/FileRoutines.h"
#include "app/ModChk.h"
#include "app/ProblemReport.h"
#include "app/Settings.h"
#include "platform/text/TextFile.h"

#include <QDir>
#include <QFileInfo>
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

bool MigrateChannelList(const QString &appFolder, ProblemReport *problems) {
  const QString oldPath = appFolder + QStringLiteral("AutoJoinChannel.txt");
  if (!FileExists(oldPath)) return false;
  const QString headline = QStringLiteral("古いチャンネル一覧を変換できませんでした。");
  const QString kind = QStringLiteral("channel list");
  // An old list that cannot be read is no empty list: converting it would lose it.
  const auto read = text::readCp932Lines(oldPath);
  if (!read) {
    if (problems)
      problems->once(kind, FileProblemLines(headline, oldPath,
                                            QStringLiteral("読み取れないか、大きすぎます。")));
    return false;
  }
  const QStringList &old = *read;

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
  QString error;
  if (!text::writeCp932Lines(newPath, out, &error)) {
    if (problems) problems->once(kind, FileProblemLines(headline, newPath, error));
    return false;
  }
  DeleteIfExists(oldPath);
  return true;
}

QString DataFolderFor(const QString &programDir, const QString &userDataHome) {
  const QString program = AddBackslash(programDir);
  if (QFileInfo(program).isWritable() || userDataHome.isEmpty()) return program;
  const QString data = AddBackslash(userDataHome) + kAppTitle + u'/';
  return FolderExists(data) || QDir().mkpath(data) ? data : program;
}

AppInfo RunStartUp(const QString &programDir, const QString &userName, const QString &userDataHome,
                   ProblemReport *problems) {
  AppInfo info;
  info.programFolder = AddBackslash(programDir);
  info.appFolder = DataFolderFor(programDir, userDataHome);
  ApplyVersionReset(Settings(info.settingsPath(), problems), info.appVersion);
  info.defaultNick = DefaultNickFor(userName);
  MigrateChannelList(info.appFolder, problems);
  return info;
}

}  // namespace tv::app
