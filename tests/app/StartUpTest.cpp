#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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

}  // namespace
