#include "app/FileRoutines.h"
#include "app/RecentList.h"
#include "app/StringRoutines.h"
#include "app/UiRoutines.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>

using namespace tv::app;

namespace {

TEST(StringRoutines, Table) {
  struct Case {
    QString got, want;
  } cases[] = {
      {AfterFirstSpace(QStringLiteral("PRIVMSG #a :hi there")), QStringLiteral("#a :hi there")},
      {AfterFirstSpace(QStringLiteral("nospace")), QStringLiteral("nospace")},
      {TextBefore(QStringLiteral("nick!user@host"), QStringLiteral("!")), QStringLiteral("nick")},
      {TextBefore(QStringLiteral("nick"), QStringLiteral("!")), QString()},
      {TextAfter(QStringLiteral("a :b :c"), QStringLiteral(" :")), QStringLiteral("b :c")},
      {TextAfter(QStringLiteral("abc"), QStringLiteral(":")), QStringLiteral("abc")},
      {StripLeadingColon(QStringLiteral(":x:y")), QStringLiteral("x:y")},
      {StripLeadingColon(QStringLiteral("x")), QStringLiteral("x")},
      {RemoveColons(QStringLiteral(":a:b:")), QStringLiteral("ab")},
      {RemoveColons(QString()), QString()},
      {StripLeadingAt(QStringLiteral("@op")), QStringLiteral("op")},
      {StripLeadingAt(QStringLiteral("o@p")), QStringLiteral("o@p")},
      {SafeFileName(QStringLiteral("a\\b/c:d,e;f*g?h<i>j|k")),
       QStringLiteral("a_b_c_d_e_f_g_h_i_j_k")},
      {PlayerKey(1234), QStringLiteral("K1234")},
      {PlayerKey(-5), QStringLiteral("K-5")},
      {PlayerKey(0), QStringLiteral("K0")},
      {AddBackslash(QStringLiteral("/opt/tv")), QStringLiteral("/opt/tv/")},
      {AddBackslash(QStringLiteral("/opt/tv/")), QStringLiteral("/opt/tv/")},
  };
  for (const Case &c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(RecentList, AddKeepsNewestFirstUniqueAndAtMostThirty) {
  QStringList list{QStringLiteral("x"), QStringLiteral("abc"), QString(), QStringLiteral("y")};
  AddRecentEntry(list, QStringLiteral("abc"));
  EXPECT_EQ(list, (QStringList{QStringLiteral("abc"), QStringLiteral("x"), QStringLiteral("y")}));
  AddRecentEntry(list, QString());
  EXPECT_EQ(list.size(), 3);

  QStringList full;
  for (int i = 0; i < 30; ++i) full << QString::number(i);
  AddRecentEntry(full, QStringLiteral("new"));
  ASSERT_EQ(full.size(), 30);
  EXPECT_EQ(full.front(), QStringLiteral("new"));
  EXPECT_EQ(full.back(), QStringLiteral("28"));  // the oldest, "29", is dropped
}

TEST(RecentList, FilesStoreOldestFirstAndRestoreTheOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("NickVOICE.txt"));
  EXPECT_TRUE(LoadListFile(path).isEmpty());  // missing file

  const QStringList list{QStringLiteral("最新"), QStringLiteral("mid"), QStringLiteral("old")};
  ASSERT_TRUE(SaveListFile(list, path));
  EXPECT_EQ(tv::test::readBytes(path), QByteArray("old\r\nmid\r\n\x8d\xc5\x90\x56\r\n"));
  EXPECT_EQ(LoadListFile(path), list);

  ASSERT_TRUE(SaveListFile(QStringList(), path));  // empty list keeps the file
  EXPECT_EQ(LoadListFile(path), list);

  // Loading keeps empty lines: the rules apply when entries are added.
  tv::test::writeBytes(path, "a\r\n\r\nb\r\n");
  EXPECT_EQ(LoadListFile(path), (QStringList{QStringLiteral("b"), QString(), QStringLiteral("a")}));
}

TEST(RecentList, ComboBoxesKeepTheirEditText) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("ChatTxLog.txt"));
  QComboBox combo;
  combo.setEditable(true);
  combo.setEditText(QStringLiteral("typing"));
  AddRecentEntry(&combo, QStringLiteral("one"));
  AddRecentEntry(&combo, QStringLiteral("two"));
  EXPECT_EQ(combo.currentText(), QStringLiteral("typing"));
  ASSERT_TRUE(SaveListFile(&combo, path));
  QComboBox other;
  LoadListFile(&other, path);
  ASSERT_EQ(other.count(), 2);
  EXPECT_EQ(other.itemText(0), QStringLiteral("two"));
}

TEST(FileRoutines, ExistenceAndSubfolders) {
  QTemporaryDir dir;
  const QString folder = AddBackslash(dir.path());
  EXPECT_FALSE(FileExists(QString()));
  EXPECT_FALSE(FolderExists(QString()));
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_FALSE(FileExists(folder));
  ASSERT_TRUE(EnsureAppSubfolder(folder, QStringLiteral("Log")));
  EXPECT_TRUE(FolderExists(folder + QStringLiteral("Log")));
  tv::test::writeBytes(folder + QStringLiteral("f.txt"), "x");
  EXPECT_TRUE(FileExists(folder + QStringLiteral("f.txt")));
  DeleteIfExists(folder + QStringLiteral("f.txt"));
  DeleteIfExists(folder + QStringLiteral("Log"));  // a folder is not a file: kept
  EXPECT_FALSE(FileExists(folder + QStringLiteral("f.txt")));
  EXPECT_TRUE(FolderExists(folder + QStringLiteral("Log")));
}

TEST(OpenUrl, HandsOnlyWebAddressesToTheDesktop) {
  QList<QUrl> opened;
  const UrlOpener record = [&](const QUrl &u) {
    opened << u;
    return true;
  };
  struct Case {
    const char *text;
    bool opens;
  } cases[] = {
      {"http://example.com/a?b=c", true},
      {"https://example.com", true},
      {"ftp://ftp.example.com/f", true},
      {"mailto:someone@example.com", true},
      {"www.example.com", true},
      {"file:///etc/passwd", false},
      {"/usr/bin/xterm", false},
      {"javascript:alert(1)", false},
      {"http://", false},
      {"mailto:nobody", false},
      {"", false},
      {"smb://host/share", false},
  };
  for (const Case &c : cases) {
    opened.clear();
    EXPECT_EQ(OpenUrl(QString::fromUtf8(c.text), record), c.opens) << c.text;
    EXPECT_EQ(opened.size(), c.opens ? 1 : 0) << c.text;
  }
}

TEST(UiRoutines, TwipsAndOptionIndexes) {
  QWidget window;
  EXPECT_NEAR(TwipsPerPixel(&window), 15.0, 0.01);  // offscreen screens report 96 DPI
  EXPECT_EQ(TwipsToPixels(&window, 240), 16);
  EXPECT_EQ(PixelsToTwips(&window, 20), 300);
  EXPECT_EQ(SelectedOptionIndex(&window, QStringLiteral("optINF")), QStringLiteral("0"));
  for (int i = 0; i < 3; ++i) {
    auto *b = new QRadioButton(&window);
    b->setObjectName(ArrayName(QStringLiteral("optINF"), i));
    b->setChecked(i == 2);
  }
  EXPECT_EQ(SelectedOptionIndex(&window, QStringLiteral("optINF")), QStringLiteral("2"));
  EXPECT_EQ(SelectedOptionIndex(&window, QStringLiteral("optIRC")), QStringLiteral("0"));
}

}  // namespace
