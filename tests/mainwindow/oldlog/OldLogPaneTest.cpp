// The old-log pane: auto-save options and their settings, the log folder, the viewer
// with its messages for damaged files, deleting files, and the saves it performs.
#include "app/AppInfo.h"
#include "app/Settings.h"
#include "common/TestSupport.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/OldLogPane.h"
#include "platform/richtext/RichTextView.h"
#include "platform/richtext/SafeDocument.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>

#include <ctime>

using namespace tv::mainwindow;

namespace {

const QString kDamaged = QStringLiteral(
    "ファイルを表示できません。\nファイルが壊れているか、間違ったファイルを指定していると考えられ"
    "ます。\n＜ファイル＞\n　");
const QString kDamagedCsv = QStringLiteral(
    "ファイルを表示できません。\n.csvファイルが壊れているか、間違ったファイルを指定していると考え"
    "られます。");

class OldLogPaneTest : public ::testing::Test {
 protected:
  OldLogPaneTest() : settings(dir.filePath(QStringLiteral("Talvora.ini"))) {
    info.appFolder = dir.path() + u'/';
  }
  std::unique_ptr<OldLogPane> make() {
    OldLogPane::Services services;
    services.report = [this](const QString &kind, const QString &message) {
      reports.append(kind + u'|' + message);
    };
    services.chooseFolder = [this](QWidget *, const QString &title, const QString &start) {
      chooserCalls.append(title + u'|' + start);
      return chosen;
    };
    services.openFolder = [this](const QString &folder) {
      opened.append(folder);
      return true;
    };
    return std::make_unique<OldLogPane>(info, settings, services);
  }
  QRadioButton *option(OldLogPane &pane, const QString &group, int i) {
    return pane.findChild<QRadioButton *>(group + u'(' + QString::number(i) + u')');
  }
  QString logDir() const { return dir.filePath(QStringLiteral("Log")); }
  void put(const QString &name, const QByteArray &bytes) {
    tv::test::writeBytes(logDir() + u'/' + name, bytes);
  }
  QStringList listed(OldLogPane &pane) {
    QStringList names;
    for (int i = 0; i < pane.filLOG()->count(); ++i) names.append(pane.filLOG()->item(i)->text());
    return names;
  }
  // Chooses the file and waits until it is in the viewer.
  void show(OldLogPane &pane, const QString &name) {
    pane.showFile(name);
    ASSERT_TRUE(tv::test::waitFor([&] { return !pane.loading(); }, std::chrono::seconds(60)));
  }
  bool showingText(OldLogPane &pane) {
    return static_cast<QStackedWidget *>(pane.txtOldLog()->parentWidget())->currentWidget() ==
           pane.txtOldLog();
  }

  QTemporaryDir dir;
  tv::app::AppInfo info;
  tv::app::Settings settings;
  QStringList reports, chooserCalls, opened;
  QString chosen;
};

TEST_F(OldLogPaneTest, DefaultsAndMissingStoredFolder) {
  settings.WriteIni(u"OldLog", u"Path", dir.filePath(QStringLiteral("gone")));
  auto pane = make();
  EXPECT_TRUE(option(*pane, QStringLiteral("optINF"), 1)->isChecked());
  EXPECT_TRUE(option(*pane, QStringLiteral("optVOICE"), 2)->isChecked());
  EXPECT_TRUE(option(*pane, QStringLiteral("optIRC"), 2)->isChecked());
  EXPECT_TRUE(option(*pane, QStringLiteral("optVIEW"), 0)->isChecked());
  EXPECT_EQ(settings.ReadIni(u"OldLog", u"Path", u"x"), QString());
  EXPECT_EQ(pane->logFolder(), logDir() + u'/');
  EXPECT_TRUE(QFileInfo(logDir()).isDir());
  EXPECT_EQ(option(*pane, QStringLiteral("optVOICE"), 2)->text(),
            QStringLiteral("RTF形式(色・画つき)で自動保存する"));
  EXPECT_EQ(option(*pane, QStringLiteral("optIRC"), 2)->text(),
            QStringLiteral("RTF形式(色付)で自動保存する"));
}

TEST_F(OldLogPaneTest, ChoosingAnOptionWritesItsIndex) {
  auto pane = make();
  pane->show();
  struct Case {
    const char *group, *key;
    int index;
  };
  for (const Case &c : {Case{"optINF", "INFO", 0}, Case{"optVOICE", "VOICE", 1},
                        Case{"optVOICE", "VOICE", 0}, Case{"optIRC", "IRC", 1}}) {
    option(*pane, QString::fromLatin1(c.group), c.index)->click();
    EXPECT_EQ(settings.ReadIni(u"AutoSave", QString::fromLatin1(c.key), u"x"),
              QString::number(c.index));
    EXPECT_EQ(pane->optionIndex(QString::fromLatin1(c.group)), QString::number(c.index));
  }
  auto again = make();
  EXPECT_TRUE(option(*again, QStringLiteral("optVOICE"), 0)->isChecked());
}

TEST_F(OldLogPaneTest, FilterListsMatchingFiles) {
  QDir().mkpath(logDir());
  for (const char *name : {"a.txt", "b.rtf", "c.csv", "d.doc", "E.TXT"})
    put(QString::fromLatin1(name), "x");
  auto pane = make();
  pane->show();
  const QList<QStringList> expected = {
      {"E.TXT", "a.txt", "b.rtf", "c.csv"}, {"E.TXT", "a.txt"}, {"b.rtf"}, {"c.csv"}};
  for (int i = 3; i >= 0; --i) {
    option(*pane, QStringLiteral("optVIEW"), i)->click();
    EXPECT_EQ(listed(*pane), expected[i]) << i;
  }
  option(*pane, QStringLiteral("optVIEW"), 2)->click();
  pane->saveSettings();
  EXPECT_EQ(settings.ReadIni(u"OldLog", u"Filter", u"x"), QStringLiteral("2"));
  EXPECT_EQ(settings.ReadIni(u"OldLog", u"Path", u"x"), logDir() + u'/');
  EXPECT_TRUE(option(*make(), QStringLiteral("optVIEW"), 2)->isChecked());
}

struct ViewCase {
  const char *name;
  QByteArray bytes;
  bool text;         // shown in the text view (else in the list view)
  QString expected;  // text view content, or the list's rows joined by "|" and ";"
};

class OldLogViewer : public OldLogPaneTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(OldLogViewer, ShowsFileOrMessage) {
  QDir().mkpath(logDir());
  put(QString::fromLatin1(GetParam().name), GetParam().bytes);
  auto pane = make();
  show(*pane, QString::fromLatin1(GetParam().name));
  EXPECT_EQ(showingText(*pane), GetParam().text);
  if (GetParam().text) {
    QString expected = GetParam().expected;
    expected.replace(QStringLiteral("<path>"),
                     logDir() + u'/' + QString::fromLatin1(GetParam().name));
    EXPECT_EQ(pane->txtOldLog()->toPlainText(), expected);
  } else {
    QStringList rows;
    for (int i = 0; i < pane->lstOldINF()->topLevelItemCount(); ++i) {
      QStringList cells;
      for (int c = 0; c < 4; ++c) cells.append(pane->lstOldINF()->topLevelItem(i)->text(c));
      rows.append(cells.join(u'|'));
    }
    EXPECT_EQ(rows.join(u';'), GetParam().expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OldLogViewer,
    ::testing::Values(
        ViewCase{"t.txt", "\x82\xa0\r\nb\r\n", true, QStringLiteral("あ\nb\n")},
        ViewCase{"r.rtf", "{\\rtf1 {\\b bold}\\par x}", true, QStringLiteral("bold\nx")},
        ViewCase{"U.RTF", "{\\rtf1 upper}", true, QStringLiteral("upper")},
        ViewCase{"bad.rtf", "not rtf at all", true, kDamaged + QStringLiteral("<path>")},
        ViewCase{"deep.rtf", "{\\rtf1 " + QByteArray(100000, '{'), true,
                 kDamaged + QStringLiteral("<path>")},
        ViewCase{"c.csv",
                 "h,h,h,h\r\n1:00:00,\x89\xb9\x90\xba,\x8b\x4e\x93\xae,a,b\r\n\r\n2:00,TV,ERR,\r\n",
                 false, QStringLiteral("1:00:00|音声|起動|a,b;2:00|TV|ERR|")},
        ViewCase{"three.csv", "h\r\n1,2,3,4\r\n1,2,3\r\n", true, kDamagedCsv},
        // A message with a line break: as written now, and as written before.
        ViewCase{"break.csv", "h\r\n1:00:00,TV,ERR,\"a\r\nb\"\r\n1:00:01,TV,ERR,c\r\nd\r\n", false,
                 QStringLiteral("1:00:00|TV|ERR|a\r\nb;1:00:01|TV|ERR|c\r\nd")},
        ViewCase{"bin.csv", QByteArray("h\r\n\0\0\0", 6), false, QString()}),
    [](const auto &info) { return "file" + std::to_string(info.index); });

TEST_F(OldLogPaneTest, MissingFileAndOtherKinds) {
  auto pane = make();
  show(*pane, QStringLiteral("gone.txt"));
  EXPECT_EQ(pane->txtOldLog()->toPlainText(), kDamaged + logDir() + QStringLiteral("/gone.txt"));
  put(QStringLiteral("x.doc"), "x");
  show(*pane, QStringLiteral("x.doc"));  // nothing happens
  EXPECT_EQ(pane->txtOldLog()->toPlainText(), kDamaged + logDir() + QStringLiteral("/gone.txt"));
}

// A 100 MiB log (a voice log with pictures) is read and parsed off the UI thread and
// goes into the view in slices: the UI thread is never busy for 100 ms at a stretch.
// Choosing another file while it loads shows that one, and the first never appears.
TEST_F(OldLogPaneTest, LargeFileKeepsTheWindowAnsweringAndAnotherChoiceCancelsIt) {
  QDir().mkpath(logDir());
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932{\\colortbl;\\red255\\green0\\blue0;}\r\n";
  const QByteArray line =
      "{\\cf1 12:00:00 <\\'91\\'be\\'98\\'59>} \\'82\\'b1\\'82\\'f1 line\\par\r\n";
  for (int i = 0; i < 20000; ++i) rtf += line;
  const QByteArray picture =
      "{\\pict\\pngblip\\picw10\\pich10 " + QByteArray(15 << 20, 'a') + "}\\par\r\n";
  int pictures = 0;
  for (; rtf.size() < (100 << 20) - picture.size(); ++pictures) rtf += picture;
  rtf += "last line}";
  put(QStringLiteral("big.rtf"), rtf);
  put(QStringLiteral("small.txt"), "small\r\n");
  auto pane = make();
  pane->resize(800, 600);
  pane->show();

  // The longest stretch of UI-thread CPU time between two beats of a 10 ms timer; CPU
  // time rather than wall time, so that other processes on the machine do not count.
  const auto cpuMs = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
  };
  qint64 last = cpuMs(), longest = 0;
  QTimer beat;
  beat.setInterval(10);
  QObject::connect(&beat, &QTimer::timeout, [&] {
    const qint64 now = cpuMs();
    longest = std::max(longest, now - last);
    last = now;
  });
  beat.start();

  pane->showFile(QStringLiteral("big.rtf"));
  QTest::qWait(50);
  show(*pane, QStringLiteral("small.txt"));
  EXPECT_EQ(pane->txtOldLog()->toPlainText(), QStringLiteral("small\n"));
  QTest::qWait(300);
  EXPECT_EQ(pane->txtOldLog()->toPlainText(), QStringLiteral("small\n"));

  last = cpuMs();
  show(*pane, QStringLiteral("big.rtf"));
  const QString shown = pane->txtOldLog()->toPlainText();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("12:00:00 <太郎> こん line\n")));
  EXPECT_TRUE(shown.endsWith(QStringLiteral("last line")));
  EXPECT_EQ(shown.count(u'\n'), 20000 + pictures);
  RecordProperty("longest_ui_ms", int(longest));
  EXPECT_LT(longest, 100) << "UI thread busy for " << longest << " ms at a stretch";
}

TEST_F(OldLogPaneTest, DeleteKeyDeletesSelectedFiles) {
  QDir().mkpath(logDir());
  for (const char *name : {"1.txt", "2.txt", "3.txt", "4.txt"}) put(QString::fromLatin1(name), "x");
  auto pane = make();
  pane->show();
  QListWidget *list = pane->filLOG();
  list->setCurrentRow(1);
  list->item(2)->setSelected(true);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(listed(*pane), (QStringList{"1.txt", "4.txt"}));
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_FALSE(QFileInfo::exists(logDir() + QStringLiteral("/2.txt")));
  list->setCurrentRow(1);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(list->currentRow(), 0);  // the list became shorter: the last entry
  list->setCurrentRow(0);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(list->count(), 0);
  QTest::keyClick(list, Qt::Key_Delete);  // empty list: nothing happens
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(OldLogPaneTest, ChangeAndOpenFolder) {
  auto pane = make();
  pane->show();
  auto *btn = pane->findChild<QPushButton *>(QStringLiteral("btnSelFolder"));
  ASSERT_NE(btn, nullptr);
  EXPECT_EQ(btn->text(), QStringLiteral("保存フォルダを変更"));
  const QString other = dir.filePath(QStringLiteral("other"));
  QDir().mkpath(other);
  tv::test::writeBytes(other + QStringLiteral("/z.rtf"), "{\\rtf1 z}");
  for (const QString &answer : {QString(), dir.filePath(QStringLiteral("missing")), other}) {
    chosen = answer;
    btn->click();
  }
  EXPECT_EQ(chooserCalls.size(), 3);
  EXPECT_EQ(chooserCalls[0], QStringLiteral("保存フォルダを選択してください。|") + logDir() + u'/');
  EXPECT_EQ(chooserCalls[1], chooserCalls[0]);
  EXPECT_EQ(pane->logFolder(), other + u'/');
  EXPECT_EQ(listed(*pane), QStringList{QStringLiteral("z.rtf")});
  pane->findChild<QPushButton *>(QStringLiteral("btnLogFolderOpen"))->click();
  EXPECT_EQ(opened, QStringList{other + u'/'});
}

TEST_F(OldLogPaneTest, SavesLogsAsTheOptionsSay) {
  auto pane = make();
  tv::richtext::SafeDocument view;
  QTextCursor(&view).insertText(QStringLiteral("line\n"));
  InfoLog log;
  const auto files = [&] { return QDir(logDir()).entryList(QDir::Files, QDir::Name); };
  pane->autoSaveInfoLog(log);         // no rows: no file
  pane->saveIrcLog(view, QString());  // unnamed view: no file
  option(*pane, QStringLiteral("optVOICE"), 0)->setChecked(true);
  pane->saveVoiceLog(view);
  EXPECT_TRUE(files().isEmpty());
  option(*pane, QStringLiteral("optVOICE"), 1)->setChecked(true);
  pane->saveVoiceLog(view);
  pane->saveIrcLog(view, QStringLiteral("#a/b"));
  settings.WriteIni(u"AutoSave", u"IRC", u"1");
  pane->saveIrcLog(view, QStringLiteral("#c"));
  log.addRow(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("a,b"));
  pane->autoSaveInfoLog(log);
  option(*pane, QStringLiteral("optINF"), 0)->setChecked(true);
  pane->autoSaveInfoLog(log);
  const QStringList names = files();
  ASSERT_EQ(names.size(), 4) << names.join(u' ').toStdString();
  EXPECT_TRUE(names[0].startsWith(QStringLiteral("#a_b_")) &&
              names[0].endsWith(QStringLiteral(".rtf")));
  EXPECT_TRUE(names[1].startsWith(QStringLiteral("#c_")) &&
              names[1].endsWith(QStringLiteral(".txt")));
  EXPECT_TRUE(names[2].startsWith(QStringLiteral("INFO_")) &&
              names[2].endsWith(QStringLiteral(".csv")));
  EXPECT_TRUE(names[3].startsWith(QStringLiteral("VOICE_")) &&
              names[3].endsWith(QStringLiteral(".txt")));
  EXPECT_TRUE(
      tv::test::readBytes(logDir() + u'/' + names[2]).endsWith(",TV,\x8b\x4e\x93\xae,a,b\r\n"));
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(OldLogPaneTest, FailedSaveIsReported) {
  auto pane = make();
  tv::test::writeBytes(dir.filePath(QStringLiteral("file")), "x");
  pane->setLogFolder(dir.filePath(QStringLiteral("file")));  // a file where the folder should be
  tv::richtext::SafeDocument view;
  pane->saveVoiceLog(view);
  ASSERT_EQ(reports.size(), 3);
  EXPECT_EQ(reports[0], QStringLiteral("ERR|ログファイルを保存できませんでした。"));
}

TEST_F(OldLogPaneTest, MainWindowCarriesThePaneAndSavesAtClose) {
  FrmMain frm(info, settings);
  ASSERT_NE(frm.fraLOG(), nullptr);
  EXPECT_EQ(frm.fraLOG()->objectName(), QStringLiteral("fraLOG"));
  frm.addINF(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("x"));
  frm.close();
  EXPECT_EQ(settings.ReadIni(u"OldLog", u"Path", u"x"), logDir() + u'/');
  EXPECT_EQ(QDir(logDir()).entryList({QStringLiteral("INFO_*.csv")}, QDir::Files).size(), 1);
}

}  // namespace
