// The rich-text view: insertion, link detection and the underline state at the caret,
// appending that keeps a reader in place, clipboard and resource safety, files.
#include "RtfTestSupport.h"

#include "common/TestSupport.h"
#include "platform/richtext/RichTextView.h"
#include "platform/richtext/UrlHighlighter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

using namespace tv::richtext;

namespace {

QTextCharFormat plain() {
  QTextCharFormat f;
  f.setFontPointSize(9);
  return f;
}

TEST(RichTextView, InsertTextEndsParagraphsAtEveryLineEnd) {
  RichTextView view;
  view.insertText(QStringLiteral("a\r\nb\rc\nd"), plain());
  EXPECT_EQ(view.document()->blockCount(), 4);
  EXPECT_EQ(view.plainText(0, -1), QStringLiteral("a\r\nb\r\nc\r\nd"));
  EXPECT_EQ(view.textLength(), 7);
}

TEST(RichTextView, InsertRtfAtCaretAndNonRtfAsText) {
  RichTextView view;
  view.insertText(QStringLiteral("ab"), plain());
  QTextCursor c = view.textCursor();
  c.setPosition(1);
  view.setTextCursor(c);
  EXPECT_TRUE(view.insertRtf("{\\rtf1 {\\b X}}").ok());
  EXPECT_TRUE(view.insertRtf("\x82\xa0").ok());  // not RTF: CP932 text
  EXPECT_EQ(view.document()->toPlainText(), QStringLiteral("aXあb"));
  EXPECT_EQ(view.insertRtf("{\\rtf1 " + QByteArray(500, '{')).status, RtfStatus::TooDeep);
  EXPECT_EQ(view.document()->toPlainText(), QStringLiteral("aXあb"));
}

struct AddressCase {
  const char *name;
  QString text;
  QList<TextSpan> spans;
};

class WebAddresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(WebAddresses, AreFound) { EXPECT_EQ(findWebAddresses(GetParam().text), GetParam().spans); }

INSTANTIATE_TEST_SUITE_P(
    Cases, WebAddresses,
    ::testing::Values(
        AddressCase{"none", QStringLiteral("no address here"), {}},
        AddressCase{"http", QStringLiteral("see http://a.jp/x?y=1 now"), {{4, 17}}},
        AddressCase{"upperCase", QStringLiteral("HTTPS://A.JP"), {{0, 12}}},
        AddressCase{"sentenceEnd", QStringLiteral("go to http://a.jp/x."), {{6, 13}}},
        AddressCase{"japanesePunctuation", QStringLiteral("http://a.jp。次"), {{0, 11}}},
        AddressCase{"parentheses", QStringLiteral("(see http://a.jp/x_(y))"), {{5, 17}}},
        AddressCase{"wwwAndMail", QStringLiteral("www.a.jp mailto:x@a.jp"), {{0, 8}, {9, 13}}},
        AddressCase{"bareScheme", QStringLiteral("http:// mailto: www."), {}},
        AddressCase{"fileIsNoWebAddress", QStringLiteral("file:///etc/passwd"), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RichTextView, UnderlineStateAtCaret) {
  RichTextView view;
  QTextCharFormat underlined = plain();
  underlined.setFontUnderline(true);
  view.insertText(QStringLiteral("ab"), plain());
  view.insertText(QStringLiteral("UU"), underlined);
  view.insertText(QStringLiteral(" http://a.jp x\n"), plain());
  // Detected links count as underlined only while detection is on.
  EXPECT_FALSE(view.underlinedBefore(7));
  view.setUrlDetect(true);
  QApplication::processEvents();
  struct Case {
    int position;
    bool underlined;
  };
  for (const Case &c :
       {Case{0, false}, Case{2, false}, Case{3, true}, Case{4, true}, Case{5, false}, Case{6, true},
        Case{16, true}, Case{17, false}, Case{19, false}, Case{20, false}, Case{99, false}}) {
    EXPECT_EQ(view.underlinedBefore(c.position), c.underlined) << c.position;
  }
  QTextCursor cursor = view.textCursor();
  cursor.setPosition(8);
  view.setTextCursor(cursor);
  EXPECT_TRUE(view.caretUnderlined());
  // The marks are for display only: the saved RTF has no underline for the link.
  EXPECT_FALSE(view.rtf(6, 17).contains("\\ul"));
  view.setUrlDetect(false);
  EXPECT_FALSE(view.underlinedBefore(8));
}

class AppendFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    view.resize(300, 200);
    view.show();
    for (int i = 0; i < 200; ++i) appendLine(i);
    QApplication::processEvents();
  }
  void appendLine(int i) {
    AppendScope scope(view);
    view.appendText(QStringLiteral("line %1\n").arg(i), plain());
  }
  int value() const { return view.verticalScrollBar()->value(); }
  int maximum() const { return view.verticalScrollBar()->maximum(); }
  RichTextView view;
};

TEST_F(AppendFixture, FollowsTheEndWhenAtTheBottom) {
  ASSERT_GT(maximum(), 0);
  EXPECT_EQ(value(), maximum());
  const int before = maximum();
  appendLine(1000);
  EXPECT_GT(maximum(), before);
  EXPECT_EQ(value(), maximum());
  EXPECT_EQ(view.textCursor().position(), view.textLength());
  EXPECT_TRUE(view.updatesEnabled());
}

TEST_F(AppendFixture, KeepsTheReaderWhoScrolledBack) {
  QTextCursor c = view.textCursor();
  c.setPosition(5);
  c.setPosition(9, QTextCursor::KeepAnchor);
  view.setTextCursor(c);
  view.verticalScrollBar()->setValue(40);
  for (int i = 0; i < 20; ++i) appendLine(1000 + i);
  EXPECT_EQ(value(), 40);
  EXPECT_EQ(view.textCursor().selectionStart(), 5);
  EXPECT_EQ(view.textCursor().selectionEnd(), 9);
  // Near the end (within a page and two units) counts as at the end.
  view.verticalScrollBar()->setValue(maximum() - 1);
  appendLine(2000);
  EXPECT_EQ(value(), maximum());
}

// A burst inside one outer scope: the inner scopes leave the view alone, and the
// outer one follows the end, or keeps the reader, as a single line would.
TEST_F(AppendFixture, NestedScopesActOnceAtTheOuterEnd) {
  for (const bool scrolledBack : {false, true}) {
    if (scrolledBack) view.verticalScrollBar()->setValue(40);
    {
      AppendScope burst(view);
      for (int i = 0; i < 50; ++i) appendLine(3000 + i);
      EXPECT_FALSE(view.updatesEnabled());
    }
    EXPECT_TRUE(view.updatesEnabled());
    EXPECT_TRUE(view.toPlainText().endsWith(QStringLiteral("line 3049\n")));
    if (scrolledBack) {
      EXPECT_EQ(value(), 40);
    } else {
      EXPECT_EQ(value(), maximum());
      EXPECT_EQ(view.textCursor().position(), view.textLength());
    }
  }
}

TEST(RichTextView, NeverLoadsResourcesByName) {
  QTemporaryDir dir;
  const QString png = dir.filePath(QStringLiteral("p.png"));
  tv::test::writeBytes(png, test::imageFile(test::testImage(2, 2), "png"));
  RichTextView view;
  QTextDocument *doc = view.document();
  for (const QUrl &url :
       {QUrl::fromLocalFile(png), QUrl(QStringLiteral("p.png")),
        QUrl(QStringLiteral("data:image/png;base64,") +
             QString::fromLatin1(test::imageFile(test::testImage(2, 2), "png").toBase64())),
        QUrl(QStringLiteral("http://127.0.0.1:9/x.png"))}) {
    EXPECT_FALSE(doc->resource(QTextDocument::ImageResource, url).isValid())
        << url.toString().toStdString();
  }
  doc->setBaseUrl(QUrl::fromLocalFile(dir.path() + u'/'));
  EXPECT_FALSE(
      doc->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("p.png"))).isValid());
}

TEST(RichTextView, PastesTextOrRtfButNeverHtml) {
  RichTextView view;
  view.setReadOnly(false);
  auto *html = new QMimeData;
  html->setHtml(QStringLiteral("<img src=\"file:///etc/passwd\"><b>bold</b>"));
  html->setText(QStringLiteral("plain"));
  QApplication::clipboard()->setMimeData(html);
  view.paste();
  EXPECT_EQ(view.document()->toPlainText(), QStringLiteral("plain"));
  auto *rtf = new QMimeData;
  rtf->setData(QStringLiteral("text/rtf"), "{\\rtf1 {\\b B}}");
  rtf->setText(QStringLiteral("ignored"));
  QApplication::clipboard()->setMimeData(rtf);
  view.paste();
  EXPECT_EQ(view.document()->toPlainText(), QStringLiteral("plainB"));
}

TEST(RichTextView, CopiesRtfUnlessPlainCopy) {
  RichTextView view;
  QTextCharFormat bold = plain();
  bold.setFontWeight(QFont::Bold);
  view.insertText(QStringLiteral("a\nb"), bold);
  view.selectAll();
  view.copy();
  const QMimeData *data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text(), QStringLiteral("a\nb"));
  EXPECT_TRUE(data->data(QStringLiteral("text/rtf")).contains("\\b "));
  EXPECT_FALSE(data->hasHtml());
  view.setPlainTextCopy(true);
  view.copy();
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
}

TEST(RichTextView, FilesRoundTrip) {
  QTemporaryDir dir;
  RichTextView view;
  view.insertText(QStringLiteral("あ☃\nb\n"), plain());
  EXPECT_TRUE(view.insertPicture(test::imageFile(test::testImage(3, 3), "png")));
  EXPECT_FALSE(view.insertPicture("garbage"));
  const QString txt = dir.filePath(QStringLiteral("a.txt"));
  const QString rtf = dir.filePath(QStringLiteral("a.rtf"));
  ASSERT_TRUE(view.saveText(txt));
  EXPECT_EQ(tv::test::readBytes(txt), QByteArray("\x82\xa0?\r\nb\r\n"));
  ASSERT_TRUE(view.saveRtf(rtf));
  RichTextView back;
  EXPECT_TRUE(back.loadRtf(rtf).ok());
  // The placeholder for data that was no picture at all is not written.
  EXPECT_EQ(back.document()->toPlainText() + QChar::ObjectReplacementCharacter,
            view.document()->toPlainText());
  EXPECT_TRUE(back.loadText(txt));
  EXPECT_EQ(back.document()->toPlainText(), QStringLiteral("あ?\nb\n"));
  EXPECT_FALSE(back.loadText(dir.filePath(QStringLiteral("missing.txt"))));
  EXPECT_EQ(back.loadRtf(txt).status, RtfStatus::NotRtf);
  EXPECT_TRUE(back.document()->isEmpty());
  // An unwritable target fails with a reason and leaves nothing behind.
  QString error;
  EXPECT_FALSE(view.saveRtf(dir.filePath(QStringLiteral("no/such/dir/a.rtf")), &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(RichTextView, MenuKeyAndMouseReleaseAreReported) {
  RichTextView view;
  view.show();
  QSignalSpy menu(&view, &RichTextView::menuKeyPressed);
  QSignalSpy released(&view, &RichTextView::mouseReleased);
  QTest::keyClick(&view, Qt::Key_Menu);
  QTest::keyClick(&view, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(menu.count(), 2);
  QTest::mouseClick(view.viewport(), Qt::RightButton);
  ASSERT_EQ(released.count(), 1);
  EXPECT_EQ(released.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
}

}  // namespace
