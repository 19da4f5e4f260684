#include "common/TestSupport.h"
#include "platform/text/TextFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace tv::text;

namespace {

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
  struct Case {
    QByteArray bytes;
    QStringList lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r\n\r\nc", {"a", "b", "", "c"}},
      {QByteArray("ab\0cd\r\ne", 8), {"ab", "e"}},  // cut at NUL
      {"\x93\xfa\r\n", {QStringLiteral("日")}},
  };
  for (const Case &c : cases) EXPECT_EQ(splitCp932Lines(c.bytes), c.lines) << c.bytes.data();
}

TEST(TextFile, LimitsCutLinesAtCharacterBoundariesAndCapTheLineCount) {
  LineLimits limits;
  limits.maxLineBytes = 3;
  limits.maxLines = 2;
  // "日本" is four bytes; three bytes would split the second character.
  EXPECT_EQ(splitCp932Lines("\x93\xfa\x96\x7b\r\nabcdef\r\nx\r\n", limits),
            (QStringList{QStringLiteral("日"), QStringLiteral("abc")}));
  EXPECT_EQ(truncateCp932("a\x93\xfa", 2), QByteArray("a"));
}

TEST(TextFile, WritesCp932WithCrLfAndReadsItBack) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("list.txt"));
  const QStringList lines{QStringLiteral("さよなら～"), QString(), QStringLiteral("①㈱")};
  ASSERT_TRUE(writeCp932Lines(path, lines));
  EXPECT_EQ(tv::test::readBytes(path), QByteArray("\x82\xb3\x82\xe6\x82\xc8\x82\xe7\x81\x60\r\n"
                                                  "\r\n\x87\x40\x87\x8a\r\n"));
  EXPECT_EQ(readCp932Lines(path), lines);
}

TEST(TextFile, MissingOrOversizedFilesGiveNothing) {
  QTemporaryDir dir;
  EXPECT_FALSE(readCp932Lines(dir.filePath(QStringLiteral("missing.txt"))).has_value());
  const QString big = dir.filePath(QStringLiteral("big.txt"));
  tv::test::writeBytes(big, QByteArray(100, 'x'));
  LineLimits limits;
  limits.maxFileBytes = 99;
  EXPECT_FALSE(readCp932Lines(big, limits).has_value());
}

TEST(TextFile, AFailedWriteLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sub/list.txt"));  // folder missing
  EXPECT_FALSE(writeCp932Lines(path, {QStringLiteral("x")}));
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
