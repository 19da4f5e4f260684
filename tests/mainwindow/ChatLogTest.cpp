// The voice chat log: AddChatLine's lines, colours and links, the lines handed to the
// all-chat log, the reader's scroll position, copy, the context menu, the topic taken
// from a selection, and dropped files.
#include "MainWindowTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/VoicePane.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/SafeDocument.h"
#include "session/SessionMessage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QUrl>

using namespace tv;
using mainwindow::ChatLogView;

namespace {

QString textOf(const richtext::RichTextView *view) {
  return view->plainText(0, view->textLength());
}

// The format of the character at `pos`.
QTextCharFormat formatAt(const richtext::RichTextView *view, int pos) {
  QTextCursor c(view->document());
  c.setPosition(pos + 1);
  return c.charFormat();
}

void select(richtext::RichTextView *view, int from, int to) {
  QTextCursor c(view->document());
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  view->setTextCursor(c);
}

class ChatLogTest : public test::MainWindowTest {};

TEST_F(ChatLogTest, LinesCarryTimeHeaderAndTheSendersColour) {
  auto w = make();
  startVoice(*w);
  struct Case {
    const char16_t *text;
    std::uint32_t sender;
    const char16_t *line;
    QColor colour;
  };
  const Case cases[] = {
      {u"hello", 1, u"9:05:07 >alice< hello", QColor(0, 0, 128)},
      {u"<b>hi</b>", 2, u"9:05:07 <bob> <b>hi</b>", QColor(255, 0, 0)},
      {u"system", 0, u"9:05:07 system", QColor(0, 0, 0)},
  };
  ChatLogView *log = w->txtLOG();
  for (const Case &c : cases) {
    const int start = log->textLength();
    ASSERT_TRUE(w->AddChatLine(QString::fromUtf16(c.text), c.sender, false));
    const QString line = QString::fromUtf16(c.line);
    EXPECT_EQ(log->plainText(start, log->textLength()), line + QStringLiteral("\r\n"));
    // Time and its blank in blue; the rest in the line colour, in the log's font.
    EXPECT_EQ(formatAt(log, start).foreground().color(), QColor(0, 0, 255));
    const QTextCharFormat body = formatAt(log, start + int(line.size()) - 1);
    EXPECT_EQ(body.foreground().color(), c.colour) << line.toStdString();
    EXPECT_FALSE(body.fontUnderline());
    EXPECT_FALSE(body.fontWeight() > QFont::Normal);
    EXPECT_EQ(body.fontFamilies().toStringList().value(0), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(body.fontPointSize(), 9);
  }

  // A sender without a row: nothing is shown, nothing reaches the all-chat log.
  const QString before = textOf(log);
  allLog->AppendPending();
  const QString allBefore = textOf(allLog->txtLOG());
  EXPECT_FALSE(w->AddChatLine(QStringLiteral("lost"), 99, false));
  allLog->AppendPending();
  EXPECT_EQ(textOf(log), before);
  EXPECT_EQ(textOf(allLog->txtLOG()), allBefore);
}

TEST_F(ChatLogTest, FirstWebAddressIsBlueAndUnderlinedAndOpensOnClick) {
  auto w = make();
  startVoice(*w);
  w->resize(900, 600);
  w->show();
  ChatLogView *log = w->txtLOG();
  w->AddChatLine(QStringLiteral("see HTTP://a.example/x now"), 2, false);
  const int link = int(QStringLiteral("9:05:07 <bob> see ").size());
  const QTextCharFormat inLink = formatAt(log, link + 3);
  EXPECT_TRUE(inLink.fontUnderline());
  EXPECT_EQ(inLink.foreground().color(), QColor(0, 0, 255));
  const QTextCharFormat after = formatAt(log, link + 19);  // " now"
  EXPECT_FALSE(after.fontUnderline());
  EXPECT_EQ(after.foreground().color(), QColor(255, 0, 0));

  // A click inside the link hands it to the desktop and leaves the caret alone.
  QTextCursor c(log->document());
  c.setPosition(link + 5);
  const QPoint at = log->cursorRect(c).center();
  QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(opened, QStringList{QStringLiteral("http://a.example/x")});
}

TEST_F(ChatLogTest, EveryLineGoesToTheAllChatLogWithItsColoursOnALaterTurn) {
  auto w = make();
  startVoice(*w);
  w->AddChatLine(QStringLiteral("hello"), 1, false);
  w->AddChatLine(QStringLiteral("sys"), 0, false);
  const richtext::RichTextView *all = allLog->txtLOG();
  EXPECT_EQ(textOf(all), QString());
  ASSERT_TRUE(test::waitFor([&] { return textOf(all).endsWith(QStringLiteral("sys\r\n")); }));
  EXPECT_EQ(textOf(all), QStringLiteral("VOICE>9:05:07 >alice< hello\r\nVOICE>9:05:07 sys\r\n"));
  EXPECT_EQ(formatAt(all, 6).foreground().color(), QColor(0, 0, 255));  // time
  const int hello = int(QStringLiteral("VOICE>9:05:07 >alice< h").size()) - 1;
  EXPECT_EQ(formatAt(all, hello).foreground().color(), QColor(0, 0, 128));
}

TEST_F(ChatLogTest, RichLinesKeepTheirFormattingOnOneLine) {
  auto w = make();
  startVoice(*w);
  richtext::SafeDocument doc;
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  bold.setForeground(QColor(0, 128, 0));
  QTextCursor(&doc).insertText(QStringLiteral("太字"), bold);
  const QString rtf = QString::fromLatin1(richtext::writeRtf(doc));

  w->TxRich(rtf);
  ChatLogView *log = w->txtLOG();
  EXPECT_EQ(textOf(log), QStringLiteral("9:05:07 >alice< 太字\r\n"));
  const QTextCharFormat f = formatAt(log, int(QStringLiteral("9:05:07 >alice< ").size()));
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
  EXPECT_EQ(f.foreground().color(), QColor(0, 128, 0));
  ASSERT_EQ(session.sent.size(), 1);
  EXPECT_EQ(session.sent[0], (test::RecordingSession::Sent{session::kRichLine, rtf, 0}));
  allLog->AppendPending();
  EXPECT_TRUE(textOf(allLog->txtLOG()).startsWith(QStringLiteral("VOICE>9:05:07 >alice< 太字")));
}

TEST_F(ChatLogTest, AReaderWhoScrolledBackStaysThere) {
  auto w = make();
  startVoice(*w);
  w->resize(700, 500);
  w->show();
  for (int i = 0; i < 200; ++i) w->AddChatLine(QStringLiteral("line %1").arg(i), 2, false);
  QScrollBar *bar = w->txtLOG()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());  // following the end

  select(w->txtLOG(), 10, 14);
  bar->setValue(bar->maximum() / 3);
  const int kept = bar->value();
  w->AddChatLine(QStringLiteral("new"), 1, false);
  EXPECT_EQ(bar->value(), kept);
  EXPECT_EQ(w->txtLOG()->textCursor().selectionStart(), 10);
  EXPECT_EQ(w->txtLOG()->textCursor().selectionEnd(), 14);

  bar->setValue(bar->maximum());
  w->AddChatLine(QStringLiteral("newer"), 1, false);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ChatLogTest, MenuEntriesNeedASelectionWithinOneLine) {
  auto w = make();
  startVoice(*w);
  w->AddChatLine(QStringLiteral("first"), 0, false);
  w->AddChatLine(QStringLiteral("second"), 0, false);
  ChatLogView *log = w->txtLOG();
  QAction *topic = log->btnLogRoot()->findChild<QAction *>(QStringLiteral("btnMenuSelTOPIC"));
  QAction *copy = log->btnLogRoot()->findChild<QAction *>(QStringLiteral("btnMenuSelCOPY"));
  ASSERT_TRUE(topic && copy);
  EXPECT_EQ(topic->text(), QStringLiteral("選択範囲をトピックにする"));
  EXPECT_EQ(copy->text(), QStringLiteral("選択範囲をコピーする"));
  struct Case {
    int from, to;
    bool enabled;
  };
  const int lineLength = int(QStringLiteral("9:05:07 first").size());
  for (const Case &c :
       {Case{0, 0, false}, Case{8, lineLength, true}, Case{8, lineLength + 5, false}}) {
    select(log, c.from, c.to);
    log->showMenu(QPoint(0, 0));
    EXPECT_EQ(topic->isEnabled(), c.enabled) << c.from << ".." << c.to;
    EXPECT_EQ(copy->isEnabled(), c.enabled) << c.from << ".." << c.to;
    log->btnLogRoot()->hide();
  }
}

TEST_F(ChatLogTest, CopyPutsPlainTextOnTheClipboard) {
  auto w = make();
  startVoice(*w);
  w->AddChatLine(QStringLiteral("copy me"), 2, false);
  ChatLogView *log = w->txtLOG();
  select(log, int(QStringLiteral("9:05:07 <bob> ").size()), log->textLength() - 1);
  QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("copy me"));
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
}

TEST_F(ChatLogTest, SelectionBecomesTheTopicWithAFullWidthColon) {
  auto w = make();
  startVoice(*w);
  w->AddChatLine(QStringLiteral(":新しい話題"), 0, false);
  ChatLogView *log = w->txtLOG();
  select(log, 8, log->textLength() - 1);
  log->btnLogRoot()->findChild<QAction *>(QStringLiteral("btnMenuSelTOPIC"))->trigger();
  EXPECT_EQ(w->Topic(), QStringLiteral("：新しい話題"));
  EXPECT_TRUE(textOf(log).endsWith(
      QStringLiteral("9:05:07 TOPICが設定されました。\r\n9:05:07 　<新TOPIC> ：新しい話題\r\n")));
  ASSERT_EQ(session.sent.size(), 1);
  EXPECT_EQ(session.sent[0],
            (test::RecordingSession::Sent{session::kTopic, QStringLiteral("：新しい話題"), 0}));
}

TEST_F(ChatLogTest, OneDroppedFileIsSentSeveralAreRefused) {
  auto w = make();
  startVoice(*w);
  QSignalSpy sendPicture(w.get(), &mainwindow::FrmMain::pictureSendRequested);
  ChatLogView *log = w->txtLOG();
  auto drop = [&](const QList<QUrl> &urls) {
    QMimeData data;
    data.setUrls(urls);
    // As the desktop delivers a drop: the drag enters first and is accepted.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(log->viewport(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(log->viewport(), &event);
  };
  drop({QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.jpg")))});
  ASSERT_EQ(sendPicture.size(), 1);
  EXPECT_EQ(sendPicture[0][0].toString(), dir.filePath(QStringLiteral("a.jpg")));

  drop({QUrl::fromLocalFile(QStringLiteral("/tmp/a.jpg")),
        QUrl::fromLocalFile(QStringLiteral("/tmp/b.jpg"))});
  EXPECT_EQ(sendPicture.size(), 1);
  EXPECT_EQ(
      textOf(log),
      QStringLiteral("9:05:07 ファイルドロップエラー\r\n"
                     "9:05:07 　　<エラーの説明> 複数のファイルドロップを検出しました。\r\n"
                     "9:05:07 　　<エラーの説明> ドロップするファイルは１つにしてください。\r\n"));

  // A web address dropped is no file: nothing happens.
  drop({QUrl(QStringLiteral("http://a.example/p.jpg"))});
  EXPECT_EQ(sendPicture.size(), 1);
}

}  // namespace
