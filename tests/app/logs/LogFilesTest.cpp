// Saving logs: names, the "_n" rule, modes, the information log's CSV, and failures
// that come back with a reason instead of being lost.
#include "app/InfoLogCsv.h"
#include "app/LogFiles.h"
#include "common/TestSupport.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/SafeDocument.h"
#include "platform/text/Cp932.h"
#include "platform/text/TextFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>

#include <unistd.h>

using namespace tv::app;

namespace {

const QDateTime kNow(QDate(2002, 10, 28), QTime(8, 2, 14));

class LogFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QTextCursor c(&doc);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    c.insertText(QStringLiteral("12:00:00 <太郎> こんにちは\n"), red);
  }
  QString folder() const { return dir.path(); }
  QTemporaryDir dir;
  tv::richtext::SafeDocument doc;
};

TEST_F(LogFilesTest, TimeStamp) {
  EXPECT_EQ(LogTimeStamp(kNow), QStringLiteral("20021028_080214"));
}

TEST_F(LogFilesTest, SameSecondGetsNumberedNames) {
  struct Case {
    const char *name;
    const char *mode;
    const char *file;
  };
  for (const Case &c : {Case{"VOICE", "2", "VOICE_20021028_080214.rtf"},
                        Case{"VOICE", "2", "VOICE_20021028_080214_1.rtf"},
                        Case{"VOICE", "2", "VOICE_20021028_080214_2.rtf"},
                        Case{"#a/b", "1", "#a_b_20021028_080214.txt"},
                        Case{"x\\:,;*?<>|", "1", "x__________20021028_080214.txt"}}) {
    const LogSaveResult r = SaveLogFile(doc, folder(), QString::fromUtf8(c.name), c.mode, kNow);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(QFileInfo(r.path).fileName(), QString::fromUtf8(c.file));
    EXPECT_EQ(QFileInfo(r.path).absolutePath(), QFileInfo(folder()).absoluteFilePath());
  }
}

TEST_F(LogFilesTest, ModesAndContent) {
  for (const char *mode : {"0", "", "3", "rtf"}) {
    const LogSaveResult r = SaveLogFile(doc, folder(), QStringLiteral("VOICE"), mode, kNow);
    EXPECT_FALSE(r.attempted()) << mode;
  }
  EXPECT_TRUE(QDir(folder()).isEmpty());
  const LogSaveResult txt = SaveLogFile(doc, folder(), QStringLiteral("VOICE"), "1", kNow);
  ASSERT_TRUE(txt.ok());
  EXPECT_EQ(tv::test::readBytes(txt.path),
            QByteArray("12:00:00 <\x91\xbe\x98\x59> \x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n"));
  const LogSaveResult rtf = SaveLogFile(doc, folder(), QStringLiteral("VOICE"), "2", kNow);
  ASSERT_TRUE(rtf.ok());
  const QByteArray bytes = tv::test::readBytes(rtf.path);
  EXPECT_TRUE(bytes.startsWith("{\\rtf1\\ansi\\ansicpg932"));
  EXPECT_TRUE(bytes.contains("\\red255\\green0\\blue0"));
}

TEST_F(LogFilesTest, MissingFolderIsCreated) {
  const QString sub = dir.filePath(QStringLiteral("Log/deeper"));
  EXPECT_TRUE(SaveLogFile(doc, sub, QStringLiteral("VOICE"), "2", kNow).ok());
  EXPECT_TRUE(QFileInfo::exists(sub + QStringLiteral("/VOICE_20021028_080214.rtf")));
}

TEST_F(LogFilesTest, UnwritableFolderFailsWithAReport) {
  if (::geteuid() == 0) {
    // root writes anyway; a file standing where the folder should be cannot be passed.
    tv::test::writeBytes(dir.filePath(QStringLiteral("blocked")), "x");
  } else {
    QDir(folder()).mkdir(QStringLiteral("blocked"));
    QFile::setPermissions(dir.filePath(QStringLiteral("blocked")), QFileDevice::ReadOwner);
  }
  const QString blocked = dir.filePath(QStringLiteral("blocked"));
  for (const char *mode : {"1", "2"}) {
    const LogSaveResult r = SaveLogFile(doc, blocked, QStringLiteral("VOICE"), mode, kNow);
    EXPECT_TRUE(r.attempted());
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.error.isEmpty());
    const QStringList report = LogSaveFailureReport(r);
    ASSERT_EQ(report.size(), 3);
    EXPECT_EQ(report[0], QStringLiteral("ログファイルを保存できませんでした。"));
    EXPECT_TRUE(report[1].startsWith(QStringLiteral("　　<ファイル　　　> ")));
    EXPECT_TRUE(report[2].startsWith(QStringLiteral("　　<エラーの説明　> ")));
  }
  EXPECT_FALSE(SaveInfoCsv(blocked, {QStringLiteral("a")}, {{}}, kNow).ok());
  QFile::setPermissions(blocked,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(LogFilesTest, InfoCsvFile) {
  const QStringList headers = {QStringLiteral("時刻"), QStringLiteral("機能"),
                               QStringLiteral("種別"), QStringLiteral("メッセージ")};
  const QList<QStringList> rows = {{QStringLiteral("8:02:14"), QStringLiteral("音声"),
                                    QStringLiteral("起動"), QStringLiteral("a,b,c")},
                                   {QStringLiteral("8:02:15"), QStringLiteral("TV"),
                                    QStringLiteral("ERR"), QStringLiteral("x")}};
  const LogSaveResult first = SaveInfoCsv(folder(), headers, rows, kNow);
  const LogSaveResult second = SaveInfoCsv(folder(), headers, rows, kNow);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(QFileInfo(first.path).fileName(), QStringLiteral("INFO_20021028_080214.csv"));
  EXPECT_EQ(QFileInfo(second.path).fileName(), QStringLiteral("INFO_20021028_080214_1.csv"));
  EXPECT_EQ(tv::test::readBytes(first.path),
            QByteArray("\x8e\x9e\x8d\x8f,\x8b\x40\x94\x5c,\x8e\xed\x95\xca,\x83\x81\x83\x62\x83\x5a"
                       "\x81\x5b\x83\x57\r\n8:02:14,\x89\xb9\x90\xba,\x8b\x4e\x93\xae,a,b,c\r\n"
                       "8:02:15,TV,ERR,x\r\n"));
}

struct CsvCase {
  const char *name;
  QStringList lines;
  std::optional<QList<QStringList>> rows;
};

class InfoCsvParse : public ::testing::TestWithParam<CsvCase> {};

TEST_P(InfoCsvParse, Rows) { EXPECT_EQ(ParseInfoCsv(GetParam().lines), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Cases, InfoCsvParse,
    ::testing::Values(
        CsvCase{"headerOnly", {QStringLiteral("h")}, QList<QStringList>{}},
        CsvCase{"empty", {}, QList<QStringList>{}},
        CsvCase{"commasInMessage",
                {QStringLiteral("h"), QStringLiteral("t,a,k,m,n,,o")},
                QList<QStringList>{{"t", "a", "k", "m,n,,o"}}},
        CsvCase{"emptyLinesSkipped",
                {QStringLiteral("h"), QString(), QStringLiteral("t,a,k,")},
                QList<QStringList>{{"t", "a", "k", ""}}},
        CsvCase{"threeFieldsIsDamaged",
                {QStringLiteral("h"), QStringLiteral("t,a,k,m"), QStringLiteral("t,a,k")},
                std::nullopt},
        CsvCase{"headerNotChecked", {QStringLiteral("a,b")}, QList<QStringList>{}},
        CsvCase{"quotedMessageGoesOnOverLines",
                {"h", "1:00:00,TV,ERR,\"a", "", "b\"\"c\"", "1:00:01,TV,INF,x"},
                QList<QStringList>{{"1:00:00", "TV", "ERR", "a\r\n\r\nb\"c"},
                                   {"1:00:01", "TV", "INF", "x"}}},
        CsvCase{"quotedOnOneLine",
                {"h", "t,a,k,\"say \"\"hi\"\"\""},
                QList<QStringList>{{"t", "a", "k", "say \"hi\""}}},
        // Written before messages were quoted: taken as they stand.
        CsvCase{"oldMessageBeginningWithAQuote",
                {"h", "t,a,k,\"hi\" she said", "t,a,k,\"open"},
                QList<QStringList>{{"t", "a", "k", "\"hi\" she said"}, {"t", "a", "k", "\"open"}}},
        CsvCase{"oldRowSplitByALineBreak",
                {"h", "12:00:00,TV,ERR,a", "b,c", "12:00:01,TV,INF,x"},
                QList<QStringList>{{"12:00:00", "TV", "ERR", "a\r\nb,c"},
                                   {"12:00:01", "TV", "INF", "x"}}},
        CsvCase{"timedThreeFieldsIsDamaged",
                {"h", "12:00:00,TV,ERR,a", "12:00:01,TV,INF"},
                std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(InfoCsvLines, QuotesOnlyMessagesThatNeedItAndReadsThemBack) {
  EXPECT_EQ(InfoCsvLines({"a", "b"}, {{"1", "x\"y", "", "m,n"}}),
            (QStringList{QStringLiteral("a,b"), QStringLiteral("1,x\"y,,m,n")}));
  const QList<QStringList> rows = {{"1:00:00", "TV", "ERR", "a\r\nb"},
                                   {"1:00:01", "TV", "ERR", "\"q\" x"},
                                   {"1:00:02", "音声", "INF", "x\ny\rz,\"\r\n\r\n"},
                                   {"1:00:03", "TV", "INF", "plain, as before"}};
  const QStringList lines = InfoCsvLines({"h"}, rows);
  EXPECT_EQ(lines[1], QStringLiteral("1:00:00,TV,ERR,\"a\r\nb\""));
  EXPECT_EQ(lines[4], QStringLiteral("1:00:03,TV,INF,plain, as before"));
  // Through the file's bytes, as the viewer reads them.
  QByteArray bytes;
  for (const QString &line : lines) bytes += tv::text::encodeCp932(line) + "\r\n";
  QList<QStringList> expected = rows;
  expected[2][3] = QStringLiteral("x\r\ny\r\nz,\"\r\n\r\n");
  EXPECT_EQ(ParseInfoCsv(tv::text::splitCp932Lines(bytes)), expected);
}

}  // namespace
