#include "common/TestSupport.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/ProfileText.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tv::profile;

namespace {

TEST(ProfileText, FindsValuesByTheProfileRules) {
  const QByteArray content =
      "; comment\r\n"
      "[IRC]\r\n"
      "KickMessage = \x82\xa0\x82\xa2 \r\n"  // trimmed, CP932
      "Empty=\r\n"
      "Quoted=\"  spaced  \"\r\n"
      "Number=12abc\r\n"
      "[Other]\r\n"
      "Empty=other\r\n"
      "[irc]\r\n"
      "Late=second section of the same name is not read\r\n";
  struct Case {
    const char16_t *section, *key;
    std::optional<QString> value;
  } cases[] = {
      {u"IRC", u"KickMessage", QStringLiteral("あい")},
      {u"irc", u"kickmessage", QStringLiteral("あい")},
      {u"IRC", u"Empty", QString()},  // present and empty: not the default
      {u"IRC", u"Quoted", QStringLiteral("  spaced  ")},
      {u"IRC", u"Number", QStringLiteral("12abc")},
      {u"IRC", u"Missing", std::nullopt},
      {u"Nowhere", u"Empty", std::nullopt},
      {u"IRC", u"Late", std::nullopt},
  };
  for (const Case &c : cases) {
    const auto v = findValue(content, QStringView(c.section), QStringView(c.key));
    EXPECT_EQ(v.has_value(), c.value.has_value()) << QString::fromUtf16(c.key).toStdString();
    if (v && c.value) {
      EXPECT_EQ(*v, *c.value);
    }
  }
}

TEST(ProfileText, LongValuesReadBackCutTo510Bytes) {
  const QByteArray content = "[S]\r\nK=" + QByteArray(600, 'x') + "\r\n";
  EXPECT_EQ(findValue(content, u"S", u"K")->size(), 510);
  // A double-byte character straddling byte 510 is not split.
  QByteArray japanese;
  for (int i = 0; i < 300; ++i) japanese += "\x82\xa0";
  const auto v = findValue("[S]\r\nK=x" + japanese, u"S", u"K");
  EXPECT_EQ(v->size(), 1 + 254);
}

TEST(ProfileText, SetValueReplacesInsertsAndAppends) {
  struct Case {
    QByteArray before;
    const char16_t *section, *key, *value;
    QByteArray after;
  } cases[] = {
      {"", u"Talvora", u"Version", u"3.0.3", "[Talvora]\r\nVersion=3.0.3\r\n"},
      {"[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", u"a", u"Z", u"9",
       "[A]\r\nx=1\r\nZ=9\r\n\r\n[B]\r\ny=2\r\n"},
      {"[A]\nX = old\n", u"A", u"x", u"new", "[A]\r\nx=new\r\n"},
      {"[A]\r\nx=1\r\n", u"B", u"y", u"two\r\nlines", "[A]\r\nx=1\r\n[B]\r\ny=two  lines\r\n"},
      {"junk without section\r\n", u"A", u"k", u"v", "junk without section\r\n[A]\r\nk=v\r\n"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(setValue(c.before, QStringView(c.section), QStringView(c.key), QStringView(c.value)),
              c.after)
        << c.before.data();
}

TEST(ProfileFile, ReadsDefaultsForMissingAndDamagedFiles) {
  QTemporaryDir dir;
  const ProfileFile missing(dir.filePath(QStringLiteral("none.ini")));
  EXPECT_EQ(missing.read(u"Talvora", u"Version", u"NEW"), QStringLiteral("NEW"));

  const QString damagedPath = dir.filePath(QStringLiteral("damaged.ini"));
  tv::test::writeBytes(damagedPath, QByteArray("\0\0\xff\xfe[Talv\0ora]\r\n", 16));
  EXPECT_EQ(ProfileFile(damagedPath).read(u"Talvora", u"Version", u"NEW"), QStringLiteral("NEW"));
}

TEST(ProfileFile, WritesThroughAndRefusesToTouchAnOversizedFile) {
  QTemporaryDir dir;
  const ProfileFile ini(dir.filePath(QStringLiteral("Talvora.ini")));
  ASSERT_TRUE(ini.write(u"IRC", u"KickMessage", u"あなたは追放です"));
  ASSERT_TRUE(ini.write(u"irc", u"kickmessage", u""));
  EXPECT_EQ(ini.read(u"IRC", u"KickMessage", u"default"), QString());
  EXPECT_EQ(tv::test::readBytes(ini.path()), QByteArray("[IRC]\r\nkickmessage=\r\n"));

  const QString bigPath = dir.filePath(QStringLiteral("big.ini"));
  const QByteArray big = "[S]\r\nK=v\r\n" + QByteArray(ProfileFile::kMaxFileBytes, ';');
  tv::test::writeBytes(bigPath, big);
  EXPECT_FALSE(ProfileFile(bigPath).write(u"S", u"K", u"w"));
  EXPECT_EQ(tv::test::readBytes(bigPath), big);
}

TEST(ProfileFile, AFailedWriteLeavesTheOldFileWhole) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Talvora.ini"));
  const ProfileFile ini(path);
  ASSERT_TRUE(ini.write(u"S", u"K", u"old"));
  // A read-only folder makes the temporary file impossible (root ignores permissions,
  // so only check the outcome when the write really failed).
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
  const bool wrote = ini.write(u"S", u"K", u"new");
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(ini.read(u"S", u"K", u""), wrote ? QStringLiteral("new") : QStringLiteral("old"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Talvora.ini")});
}

}  // namespace
