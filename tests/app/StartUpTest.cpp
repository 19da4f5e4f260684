#include "app/ProblemReport.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace tv::app;

namespace {

TEST(StartUp, FirstRunWritesOnlyTheVersion) {
  QTemporaryDir dir;
  const AppInfo info = RunStartUp(dir.path(), QStringLiteral("alice"));
  EXPECT_EQ(info.appFolder, dir.path() + u'/');
  EXPECT_EQ(info.titleTag, QStringLiteral("[Talvora]"));
  EXPECT_EQ(info.appVersion, QStringLiteral("3.0.3"));
  EXPECT_EQ(info.settingsPath(), dir.filePath(QStringLiteral("Talvora.ini")));
  EXPECT_EQ(tv::test::readBytes(info.settingsPath()), QByteArray("[Talvora]\r\nVersion=3.0.3\r\n"));
}

TEST(StartUp, AnotherVersionDiscardsEverySetting) {
  QTemporaryDir dir;
  const Settings settings(dir.filePath(QStringLiteral("Talvora.ini")));
  struct Case {
    const char16_t *storedVersion;
    bool kept;
  } cases[] = {{u"3.0.2", false}, {u"3.0.3", true}, {u"", false}};
  for (const Case &c : cases) {
    QFile::remove(settings.path());
    settings.WriteIni(u"Talvora", u"Version", QStringView(c.storedVersion));
    settings.WriteIni(u"IRC", u"KickMessage", u"custom");
    ApplyVersionReset(settings, QStringLiteral("3.0.3"));
    EXPECT_EQ(settings.ReadIni(u"IRC", u"KickMessage", u"default"),
              c.kept ? QStringLiteral("custom") : QStringLiteral("default"));
    EXPECT_EQ(settings.ReadIni(u"Talvora", u"Version", u"NEW"), QStringLiteral("3.0.3"));
  }
}

TEST(StartUp, DefaultNickFollowsTheNicknameRule) {
  struct Case {
    QString user, nick;
  } cases[] = {
      {QStringLiteral("alice"), QStringLiteral("alice")},
      {QStringLiteral("9lives"), QStringLiteral("Talvora")},
      {QStringLiteral("たろう"), QStringLiteral("Talvora")},
      {QString(), QStringLiteral("Talvora")},
      {QStringLiteral("bob") + QChar(u'\0') + QStringLiteral("junk"), QStringLiteral("bob")},
      {QString(300, u'a'), QString(255, u'a')},
  };
  for (const Case &c : cases) EXPECT_EQ(DefaultNickFor(c.user), c.nick) << c.user.toStdString();
}

TEST(StartUp, MigratesTheOldChannelList) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  EXPECT_FALSE(MigrateChannelList(folder));  // nothing to convert
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("CHList.txt")));

  tv::test::writeBytes(folder + QStringLiteral("CHList.txt"), "stale\r\n");
  tv::test::writeBytes(folder + QStringLiteral("AutoJoinChannel.txt"),
                       "1\r\n#chat\r\n[section]\r\n\r\n0\r\n#talk\r\n  1\r\n\r\n:x\r\n"
                       "1\r\n#\x93\xfa\x96\x7b\r\n");
  EXPECT_TRUE(MigrateChannelList(folder));
  EXPECT_EQ(tv::test::readBytes(folder + QStringLiteral("CHList.txt")),
            QByteArray("\x3a\x83\x60\x83\x46\x83\x62\x83\x4e\x8f\xf3\x91\xd4\x2c\x83\x60\x83\x83"
                       "\x83\x93\x83\x6c\x83\x8b\x96\xbc\x8f\xcc\r\n"
                       "1,#chat\r\n0,#talk\r\n1,#\x93\xfa\x96\x7b\r\n"));
  EXPECT_FALSE(QFile::exists(folder + QStringLiteral("AutoJoinChannel.txt")));
}

// What cannot be done without losing something is left undone and reported once per
// run, whenever the information log comes to exist.
TEST(StartUp, ProblemsKeepTheFilesAndAreReportedOnce) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  const QByteArray tooLarge(4 * 1024 * 1024 + 1, 'x');
  tv::test::writeBytes(folder + QStringLiteral("AutoJoinChannel.txt"), tooLarge);
  tv::test::writeBytes(folder + QStringLiteral("CHList.txt"), "kept\r\n");
  ProblemReport problems;
  EXPECT_FALSE(MigrateChannelList(folder, &problems));
  EXPECT_FALSE(MigrateChannelList(folder, &problems));  // a second try is not reported again
  EXPECT_EQ(tv::test::readBytes(folder + QStringLiteral("CHList.txt")), "kept\r\n");
  EXPECT_EQ(tv::test::readBytes(folder + QStringLiteral("AutoJoinChannel.txt")), tooLarge);

  const Settings settings(dir.filePath(QStringLiteral("missing/Talvora.ini")), &problems);
  EXPECT_FALSE(settings.WriteIni(u"VOICE", u"MyColor", 3));
  EXPECT_FALSE(settings.WriteIni(u"VOICE", u"MyColor", 4));

  QList<QStringList> shown;
  problems.attach([&](const QStringList &lines) { shown.append(lines); });
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0][0], QStringLiteral("古いチャンネル一覧を変換できませんでした。"));
  EXPECT_TRUE(shown[0][1].endsWith(QStringLiteral("AutoJoinChannel.txt")));
  EXPECT_EQ(shown[1][0], QStringLiteral("設定を保存できませんでした。"));
  EXPECT_TRUE(shown[1][1].endsWith(QStringLiteral("Talvora.ini")));
  EXPECT_TRUE(shown[1][2].startsWith(QStringLiteral("　　<エラーの説明　> ")));
  EXPECT_GT(shown[1][2].size(), 12);  // with the reason
  EXPECT_FALSE(settings.WriteIni(u"VOICE", u"MyColor", 5));
  EXPECT_EQ(shown.size(), 2);
}

// An installed copy's program folder is read-only: the data goes to the user's data
// folder. A writable one keeps it beside the programs.
TEST(StartUp, DataFolderFollowsTheProgramFolder) {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("prog"));
  const QString home = dir.filePath(QStringLiteral("share"));
  QDir().mkpath(program);
  EXPECT_EQ(DataFolderFor(program, home), program + u'/');
  if (::geteuid() == 0) return;  // root writes anywhere; the install test covers it
  QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const AppInfo info = RunStartUp(program, QStringLiteral("alice"), home);
  EXPECT_EQ(info.programFolder, program + u'/');
  EXPECT_EQ(info.appFolder, home + QStringLiteral("/Talvora/"));
  EXPECT_TRUE(QFile::exists(home + QStringLiteral("/Talvora/Talvora.ini")));
  EXPECT_EQ(info.programPath(QStringLiteral("TvIRC")), program + QStringLiteral("/TvIRC"));
  QFile::setPermissions(program,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace
