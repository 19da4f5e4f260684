// The rich message composer on a real main window (offscreen): Enter sends the whole
// content and resets the format, an empty composer sends nothing, and a line larger
// than a message carries is refused with the text kept.
#include "MainWindowTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatToolWindows.h"
#include "mainwindow/FrmSubVOIMSG.h"
#include "platform/richtext/RichTextView.h"
#include "platform/richtext/RtfPicture.h"
#include "session/SessionMessage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>
#include <QTextCursor>

#include <tuple>

using namespace tv;
using mainwindow::FrmSubVOIMSG;

namespace {

class ComposerTest : public test::MainWindowTest {};

void typeAndSelect(FrmSubVOIMSG &c, const QString &text, int from, int to) {
  QTest::keyClicks(c.txtRICH(), text);
  QTextCursor cursor = c.txtRICH()->textCursor();
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  c.txtRICH()->setTextCursor(cursor);
}

TEST_F(ComposerTest, EnterSendsTheFormattedLineAndResetsTheFormat) {
  auto w = make();
  startVoice(*w);
  mainwindow::ChatToolWindows tools(*w, info, settings);
  Q_EMIT w->richComposerRequested();
  FrmSubVOIMSG *c = tools.composer();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->windowTitle(), info.titleTag + "リッチメッセージ送信");
  EXPECT_EQ(c->cboSIZE()->currentText(), "9");
  EXPECT_EQ(c->cboSIZE()->count(), 2153);
  EXPECT_EQ(c->cboForeColor()->currentText(), "黒");
  EXPECT_EQ(test::unnamedControls(c), "");

  // Enter in an empty composer, and Enter with modifiers or on the keypad, send nothing
  // and break no line.
  for (const auto modifiers : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier})
    QTest::keyClick(c->txtRICH(), Qt::Key_Return, modifiers);
  QTest::keyClick(c->txtRICH(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(session.sent.isEmpty());
  EXPECT_TRUE(c->txtRICH()->document()->isEmpty());

  typeAndSelect(*c, "red bold line", 4, 8);
  c->button("btnBold")->click();
  c->cboForeColor()->setCurrentIndex(12);  // 明るい赤
  c->button("btnCOLOR")->click();
  c->cboSIZE()->setCurrentText("20");
  QTextCursor end = c->txtRICH()->textCursor();
  end.movePosition(QTextCursor::End);
  c->txtRICH()->setTextCursor(end);
  c->button("btnSIZE")->click();  // for the text typed next
  QTest::keyClick(c->txtRICH(), Qt::Key_Return, Qt::ShiftModifier);

  ASSERT_EQ(session.sent.size(), 1);
  EXPECT_EQ(session.sent[0].type, session::kRichLine);
  EXPECT_TRUE(session.sent[0].text.startsWith("{\\rtf1"));
  // The own log shows the line as sent: "bold" bold and bright red, the rest plain.
  const QString log = w->txtLOG()->toPlainText();
  ASSERT_TRUE(log.contains(">alice< red bold line\n")) << log.toStdString();
  QTextCursor shown(w->txtLOG()->document());
  for (const auto &[at, bold, colour] : {std::tuple{log.indexOf("bold") + 1, true, Qt::red},
                                         std::tuple{log.indexOf("red") + 1, false, Qt::black}}) {
    shown.setPosition(int(at));
    EXPECT_EQ(shown.charFormat().fontWeight() == QFont::Bold, bold);
    EXPECT_EQ(shown.charFormat().foreground().color(), QColor(colour));
  }
  EXPECT_TRUE(c->txtRICH()->document()->isEmpty());
  EXPECT_TRUE(c->isVisible());  // open for the next line

  // The next text is black, plain, the suite's font, in the size chosen before.
  QTest::keyClicks(c->txtRICH(), "next");
  QTextCursor at(c->txtRICH()->document());
  at.setPosition(2);
  const QTextCharFormat f = at.charFormat();
  EXPECT_EQ(f.fontWeight(), QFont::Normal);
  EXPECT_FALSE(f.fontItalic() || f.fontUnderline() || f.fontStrikeOut());
  EXPECT_EQ(f.foreground().color(), QColor(Qt::black));
  EXPECT_EQ(f.fontFamilies().toStringList().value(0), "ＭＳ ゴシック");
  EXPECT_EQ(f.fontPointSize(), 20);
  EXPECT_EQ(c->cboForeColor()->currentIndex(), 12);
}

TEST_F(ComposerTest, ALineNoMessageCarriesIsNeitherShownNorSent) {
  auto w = make();
  startVoice(*w);
  mainwindow::ChatToolWindows tools(*w, info, settings);
  FrmSubVOIMSG *c = tools.showComposer();
  QTest::keyClicks(c->txtRICH(), "big");
  // A picture whose data the writer carries as it is: 9 MiB, twice that in hexadecimal.
  richtext::DocumentPicture picture;
  picture.image = QImage(4, 4, QImage::Format_RGB32);
  picture.kind = richtext::PictureKind::Png;
  picture.data = QByteArray(9 * 1024 * 1024, '\0');
  QTextCursor cursor = c->txtRICH()->textCursor();
  richtext::insertPicture(cursor, picture);
  const int logBefore = w->txtLOG()->textLength();

  QTest::keyClick(c->txtRICH(), Qt::Key_Return);
  EXPECT_TRUE(session.sent.isEmpty());
  EXPECT_EQ(c->txtRICH()->toPlainText(), QString("big") + QChar::ObjectReplacementCharacter);
  EXPECT_EQ(w->txtLOG()->plainText(logBefore, w->txtLOG()->textLength()),
            "9:05:07 リッチメッセージ送信エラー\r\n"
            "9:05:07 　　<エラーの説明　> メッセージが大きすぎます。(最大16MiB)\r\n");
}

}  // namespace
