// The all-chat log window and the link routines it shares with the chat views.
#include "app/AppInfo.h"
#include "app/FolderDialog.h"
#include "app/FrmAllLOG.h"
#include "app/LinkRoutines.h"
#include "app/Settings.h"
#include "common/TestSupport.h"
#include "platform/richtext/RichTextView.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/SafeDocument.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QUrl>

using namespace tv::app;

namespace {

QByteArray fragment(const QString &text, QColor color = Qt::black, bool bold = false) {
  tv::richtext::SafeDocument doc;
  QTextCharFormat f;
  f.setForeground(color);
  if (bold) f.setFontWeight(QFont::Bold);
  QTextCursor(&doc).insertText(text + u'\n', f);
  return tv::richtext::writeRtf(doc);
}

class AllLogTest : public ::testing::Test {
 protected:
  AllLogTest() : settings(dir.filePath(QStringLiteral("Talvora.ini"))) {
    info.appFolder = dir.path() + u'/';
  }
  std::unique_ptr<FrmAllLOG> make() {
    return std::make_unique<FrmAllLOG>(info, settings, [this](const QUrl &url) {
      opened.append(url.toString());
      return true;
    });
  }
  QTemporaryDir dir;
  AppInfo info;
  Settings settings;
  QStringList opened;
};

TEST_F(AllLogTest, CaptionPlacementAndHiddenAtStart) {
  auto w = make();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("[Talvora]全チャット受信ログ"));
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->size(), QSize(TwipsToPixels(w.get(), 7000), TwipsToPixels(w.get(), 6000)));
  EXPECT_EQ(w->minimumSize(), QSize(TwipsToPixels(w.get(), 2000), TwipsToPixels(w.get(), 2000)));
  EXPECT_TRUE(w->txtLOG()->urlDetect());
}

TEST_F(AllLogTest, AddLogLabelsLinesWithTheirSource) {
  auto w = make();
  w->AddLog(fragment(QStringLiteral("12:00 <a> hi"), Qt::red), QStringLiteral("VOICE"));
  w->AddLog(fragment(QStringLiteral("second")), QStringLiteral("#チャンネル"));
  w->AddLog(fragment(QStringLiteral("third")), QString());
  EXPECT_EQ(w->txtLOG()->textLength(), 0);  // appended on a later turn
  w->AppendPending();
  EXPECT_EQ(w->txtLOG()->plainText(0, -1),
            QStringLiteral("VOICE>12:00 <a> hi\r\n#チャンネル>second\r\nthird\r\n"));
  QTextCursor c(w->txtLOG()->document());
  c.setPosition(2);
  EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::black));
  c.setPosition(8);
  EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::red));
  // A fragment that is no RTF at all still shows as text; a hostile one shows nothing.
  w->AddLog("plain words", QStringLiteral("X"));
  w->AddLog("{\\rtf1 " + QByteArray(1000, '{'), QStringLiteral("Y"));
  w->AppendPending();
  EXPECT_TRUE(w->txtLOG()->document()->toPlainText().endsWith(QStringLiteral("X>plain wordsY>")));
}

TEST_F(AllLogTest, KeepsTheReaderAndTheirSelectionOrFollowsTheEnd) {
  auto w = make();
  w->show();
  w->AddLog(fragment(QStringLiteral("red bold"), Qt::red, true), QStringLiteral("VOICE"));
  for (int i = 0; i < 300; ++i) w->AddLog(fragment(QString::number(i)), QStringLiteral("VOICE"));
  ASSERT_TRUE(tv::test::waitFor([&] { return w->txtLOG()->document()->blockCount() > 300; }));
  QScrollBar *bar = w->txtLOG()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  // The reader selects the red bold run, scrolled back or at the end; a new line changes
  // neither its look nor, when scrolled back, the selection or the place.
  for (const bool scrolledBack : {true, false}) {
    QTextCursor selected(w->txtLOG()->document());
    selected.setPosition(6);
    selected.setPosition(14, QTextCursor::KeepAnchor);
    w->txtLOG()->setTextCursor(selected);
    bar->setValue(scrolledBack ? 10 : bar->maximum());
    w->AddLog(fragment(QStringLiteral("new")), QStringLiteral("VOICE"));
    w->AppendPending();
    EXPECT_EQ(bar->value(), scrolledBack ? 10 : bar->maximum());
    EXPECT_EQ(w->txtLOG()->textCursor().hasSelection(), scrolledBack);
    QTextCursor c(w->txtLOG()->document());
    c.setPosition(10);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::red)) << scrolledBack;
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold) << scrolledBack;
  }
}

TEST_F(AllLogTest, CloseHidesUntilGoUnloadWhichSavesThePlace) {
  auto w = make();
  w->show();
  w->AddLog(fragment(QStringLiteral("kept")), QStringLiteral("VOICE"));
  w->AppendPending();
  w->move(40, 50);
  w->resize(400, 300);
  EXPECT_TRUE(w->close() == false || !w->isVisible());
  EXPECT_FALSE(w->isVisible());
  w->show();
  EXPECT_TRUE(w->txtLOG()->document()->toPlainText().contains(QStringLiteral("kept")));
  EXPECT_FALSE(settings.ReadIni(u"frmAllLOG", u"Width", u"none") != u"none");
  w->GoUnload();
  EXPECT_FALSE(w->isVisible());
  const QRect area = w->screen()->availableGeometry();
  EXPECT_EQ(settings.ReadIniNumber(u"frmAllLOG", u"Width", u"0"), PixelsToTwips(w.get(), 400));
  EXPECT_EQ(settings.ReadIniNumber(u"frmAllLOG", u"Height", u"0"), PixelsToTwips(w.get(), 300));
  EXPECT_EQ(settings.ReadIniNumber(u"frmAllLOG", u"Left", u"0"),
            PixelsToTwips(w.get(), 40 - area.left()));
  EXPECT_EQ(settings.ReadIni(u"frmAllLOG", u"WindowState", u"x"), QStringLiteral("0"));
  // The next window opens where this one was.
  auto again = make();
  EXPECT_EQ(again->size(), QSize(400, 300));
}

TEST_F(AllLogTest, MenuCopyAndWindowCommands) {
  auto w = make();
  w->show();
  const QList<QAction *> actions = w->menuActions();
  ASSERT_EQ(actions.size(), 7);
  QStringList captions;
  for (QAction *a : actions) captions.append(a->text());
  EXPECT_EQ(captions,
            (QStringList{QStringLiteral("コピー(&C)"),
                         QStringLiteral("このウィンドウの幅をディスプレイの幅と同じにする"),
                         QStringLiteral("このウィンドウの高さをディスプレイの高さと同じにする"),
                         QStringLiteral("このウィンドウをディスプレイの一番上に移動する"),
                         QStringLiteral("このウィンドウをディスプレイの一番下に移動する"),
                         QStringLiteral("このウィンドウをディスプレイの一番左に移動する"),
                         QStringLiteral("このウィンドウをディスプレイの一番右に移動する")}));
  w->AddLog(fragment(QStringLiteral("copy me")), QStringLiteral("VOICE"));
  w->AppendPending();
  w->txtLOG()->selectAll();
  actions[0]->trigger();
  const QMimeData *data = QApplication::clipboard()->mimeData();
  EXPECT_EQ(data->text(), QStringLiteral("VOICE>copy me\n"));
  EXPECT_FALSE(data->hasFormat(QStringLiteral("text/rtf")));
  EXPECT_FALSE(data->hasHtml());

  const QRect s = w->screen()->geometry();
  w->resize(300, 200);
  w->move(s.left() + 30, s.top() + 40);
  struct Case {
    int action;
    QRect expected;  // frame rectangle
  };
  const int frameH = w->frameGeometry().height() - w->height();
  for (const Case &c : {Case{1, QRect(s.left(), s.top() + 40, s.width(), 200 + frameH)},
                        Case{2, QRect(s.left(), s.top(), s.width(), s.height())}}) {
    actions[c.action]->trigger();
    EXPECT_EQ(w->frameGeometry(), c.expected) << c.action;
  }
  w->resize(300, 200);
  w->move(s.left() + 30, s.top() + 40);
  actions[3]->trigger();
  EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(s.left() + 30, s.top()));
  actions[4]->trigger();
  EXPECT_EQ(w->frameGeometry().bottom(), s.bottom());
  actions[5]->trigger();
  EXPECT_EQ(w->frameGeometry().left(), s.left());
  actions[6]->trigger();
  EXPECT_EQ(w->frameGeometry().right(), s.right());
}

TEST_F(AllLogTest, LeftClickOnALinkOpensIt) {
  auto w = make();
  w->show();
  w->AddLog(fragment(QStringLiteral("see http://example.jp/x now")), QStringLiteral("VOICE"));
  w->AppendPending();
  QApplication::processEvents();
  QTextCursor c = w->txtLOG()->textCursor();
  c.setPosition(QStringLiteral("VOICE>see http://ex").size());
  w->txtLOG()->setTextCursor(c);
  Q_EMIT w->txtLOG()->mouseReleased(Qt::LeftButton, QPoint());
  EXPECT_EQ(opened, QStringList{QStringLiteral("http://example.jp/x")});
}

// The run around the caret is what is underlined, and only web addresses are opened.
TEST(LinkRoutines, OpenLinkAtCaret) {
  tv::richtext::RichTextView view;
  QTextCharFormat plain, underlined;
  underlined.setFontUnderline(true);
  view.insertText(QStringLiteral("a "), plain);
  view.insertText(QStringLiteral("http://a.jp/p"), underlined);
  view.insertText(QStringLiteral("。 "), plain);
  view.insertText(QStringLiteral("file:///etc/passwd"), underlined);
  view.insertText(QStringLiteral("\n"), plain);
  const int link = 2, linkEnd = 15, file = 17, fileEnd = 35;
  struct Case {
    int caret;
    bool select;
    QStringList opened;
  };
  const QStringList web{QStringLiteral("http://a.jp/p")};
  for (const Case &c :
       {Case{link, false, {}}, Case{link + 1, false, web}, Case{linkEnd, false, web},
        Case{linkEnd + 1, false, {}}, Case{link + 5, true, {}}, Case{file + 3, false, {}},
        Case{fileEnd, false, {}}, Case{0, false, {}}}) {
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(c.caret);
    if (c.select) cursor.setPosition(c.caret + 2, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    QStringList opened;
    const bool result = OpenLinkAtCaret(&view, [&](const QUrl &url) {
      opened.append(url.toString());
      return true;
    });
    EXPECT_EQ(opened, c.opened) << c.caret;
    EXPECT_EQ(result, !c.opened.isEmpty());
    EXPECT_EQ(view.textCursor().position(), c.select ? c.caret + 2 : c.caret);
    EXPECT_EQ(view.textCursor().hasSelection(), c.select);
  }
}

TEST(FolderDialog, EnlargedRect) {
  const QRect work(0, 0, 1000, 800);
  EXPECT_EQ(EnlargedFolderDialogRect(QRect(100, 100, 300, 400), 200, work),
            QRect(100, 100, 300, 600));
  // Would pass the bottom: the top moves up and the bottom sits on the work area's.
  EXPECT_EQ(EnlargedFolderDialogRect(QRect(100, 300, 300, 400), 200, work),
            QRect(100, 200, 300, 600));
}

}  // namespace
