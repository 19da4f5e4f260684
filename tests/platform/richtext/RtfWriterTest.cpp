// The RTF writer: what it writes, and that our reader gets the same text and formats
// back.
#include "RtfTestSupport.h"

#include "platform/richtext/RtfPicture.h"
#include "platform/richtext/RtfWriter.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>

using namespace tv::richtext;
using tv::richtext::test::read;

namespace {

QTextCharFormat fmt(const QString &family, double pt) {
  QTextCharFormat f;
  f.setFontFamilies({family});
  f.setFontPointSize(pt);
  return f;
}

const QString kGothic = QStringLiteral("ＭＳ ゴシック");

struct WriteCase {
  const char *name;
  QString text;
  QString family;
  QByteArray expected;  // must occur in the output
};

class WriterText : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriterText, WritesAndReadsBack) {
  SafeDocument doc;
  QTextCursor(&doc).insertText(GetParam().text, fmt(GetParam().family, 9));
  const QByteArray rtf = writeRtf(doc);
  EXPECT_TRUE(rtf.contains(GetParam().expected)) << rtf.constData();
  for (char c : rtf) EXPECT_LT(quint8(c), 0x80) << "RTF is 7-bit";
  const auto back = read(rtf);
  ASSERT_TRUE(back.result.ok());
  EXPECT_EQ(back.doc->toPlainText(), doc.toPlainText());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterText,
    ::testing::Values(
        WriteCase{"ascii", QStringLiteral("hello"), kGothic, "hello"},
        WriteCase{"japaneseAsCp932", QStringLiteral("あ漢ｱ"), kGothic, "\\'82\\'a0\\'8a\\'bf\\'b1"},
        WriteCase{"outsideCp932", QStringLiteral("☃"), kGothic, "\\u9731?"},
        WriteCase{"aboveInt16", QStringLiteral("\uFB01"), kGothic, "\\u-1279?"},
        WriteCase{"supplementary", QStringLiteral("😀"), kGothic, "\\u-10179?\\u-8704?"},
        WriteCase{"westernFontUsesUnicode", QStringLiteral("あé"), QStringLiteral("Arial"),
                  "\\u12354?\\u233?"},
        WriteCase{"escapes", QStringLiteral("{a}\\b\t"), kGothic, "\\{a\\}\\\\b\\tab "},
        WriteCase{"backslashTrailByte", QStringLiteral("ソ表"), kGothic, "\\'83\\'5c\\'95\\'5c"},
        WriteCase{"lineAndParagraph", QStringLiteral("a\u2028b\nc"), kGothic, "a\\line b\\par"},
        WriteCase{"longLineWrapped", QString(1000, u'x'), kGothic, "x\r\nx"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfWriter, HeaderAndTables) {
  SafeDocument doc;
  QTextCursor c(&doc);
  QTextCharFormat red = fmt(kGothic, 9);
  red.setForeground(QColor(255, 0, 0));
  c.insertText(QStringLiteral("a"), red);
  c.insertText(QStringLiteral("b"), fmt(QStringLiteral("Arial"), 12));
  const QByteArray rtf = writeRtf(doc);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932\\deff0")) << rtf.constData();
  EXPECT_TRUE(
      rtf.contains("\\fcharset128 \\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62"
                   "\\'83\\'4e;}"))
      << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\fcharset0 Arial;}"));
  EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}"));
  EXPECT_TRUE(rtf.contains("\\fs18"));
  EXPECT_TRUE(rtf.contains("\\fs24"));
  EXPECT_TRUE(rtf.endsWith("}\r\n"));
}

TEST(RtfWriter, IsJapaneseFontFamily) {
  EXPECT_TRUE(isJapaneseFontFamily(kGothic));
  EXPECT_TRUE(isJapaneseFontFamily(QStringLiteral("ms gothic")));
  EXPECT_TRUE(isJapaneseFontFamily(QStringLiteral("IPAGothic")));
  EXPECT_FALSE(isJapaneseFontFamily(QStringLiteral("DejaVu Sans")));
}

// Every format the writer carries survives writing and reading.
TEST(RtfWriter, FormatsRoundTrip) {
  std::vector<QTextCharFormat> formats;
  auto add = [&](auto change) {
    QTextCharFormat f = fmt(kGothic, 9);
    change(f);
    formats.push_back(f);
  };
  add([](QTextCharFormat &) {});
  add([](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); });
  add([](QTextCharFormat &f) { f.setFontItalic(true); });
  add([](QTextCharFormat &f) { f.setFontUnderline(true); });
  add([](QTextCharFormat &f) { f.setFontStrikeOut(true); });
  add([](QTextCharFormat &f) { f.setForeground(QColor(0x12, 0x34, 0x56)); });
  add([](QTextCharFormat &f) { f.setFontPointSize(22.5); });
  add([](QTextCharFormat &f) { f.setFontFamilies({QStringLiteral("Arial")}); });
  add([](QTextCharFormat &f) {
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setForeground(QColor(0, 0, 255));
  });
  SafeDocument doc;
  QTextCursor c(&doc);
  for (const auto &f : formats) c.insertText(QStringLiteral("あ"), f);
  const auto back = read(writeRtf(doc));
  ASSERT_TRUE(back.result.ok());
  ASSERT_EQ(back.doc->characterCount(), int(formats.size()) + 1);
  for (size_t i = 0; i < formats.size(); ++i) {
    SCOPED_TRACE(i);
    const QTextCharFormat want = formats[i];
    const QTextCharFormat got = back.formatAt(int(i));
    EXPECT_EQ(got.fontWeight() >= QFont::Bold, want.fontWeight() >= QFont::Bold);
    EXPECT_EQ(got.fontItalic(), want.fontItalic());
    EXPECT_EQ(got.fontUnderline(), want.fontUnderline());
    EXPECT_EQ(got.fontStrikeOut(), want.fontStrikeOut());
    EXPECT_EQ(got.foreground().color(), want.foreground().color());
    EXPECT_DOUBLE_EQ(got.fontPointSize(), want.fontPointSize());
    EXPECT_EQ(got.fontFamilies(), want.fontFamilies());
  }
}

TEST(RtfWriter, RangesAndParagraphs) {
  SafeDocument doc;
  QTextCursor c(&doc);
  c.insertText(QStringLiteral("one\ntwo\nthree"));
  doc.findBlockByNumber(1);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  QTextCursor(doc.findBlockByNumber(1)).setBlockFormat(centred);
  struct Range {
    int start, end;
    QString text;
  };
  for (const Range &r :
       {Range{0, -1, QStringLiteral("one\r\ntwo\r\nthree")}, Range{4, 8, QStringLiteral("two\r\n")},
        Range{1, 2, QStringLiteral("n")}, Range{5, 5, QString()},
        Range{-3, 99, QStringLiteral("one\r\ntwo\r\nthree")}}) {
    SCOPED_TRACE(r.start);
    EXPECT_EQ(plainTextOf(doc, r.start, r.end), r.text);
    const auto back = read(writeRtf(doc, r.start, r.end));
    ASSERT_TRUE(back.result.ok());
    EXPECT_EQ(back.text(), r.text);
  }
  const auto whole = read(writeRtf(doc));
  EXPECT_EQ(whole.doc->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(whole.doc->findBlockByNumber(2).blockFormat().alignment(), Qt::AlignLeft);
}

TEST(RtfWriter, PicturesKeepTheirData) {
  const QImage image = tv::richtext::test::testImage(4, 2);
  struct Case {
    PictureKind kind;
    QByteArray data;
    bool placeholder;
    QByteArray word;
  };
  const QByteArray png = tv::richtext::test::imageFile(image, "png");
  const QByteArray jpeg = tv::richtext::test::imageFile(image, "jpeg");
  for (const Case &k : {Case{PictureKind::Png, png, false, "\\pngblip"},
                        Case{PictureKind::Jpeg, jpeg, false, "\\jpegblip"},
                        Case{PictureKind::Dib, "dib", false, "\\pngblip"},
                        Case{PictureKind::Wmf, "wmfdata", true, "\\wmetafile8"}}) {
    SafeDocument doc;
    QTextCursor c(&doc);
    insertPicture(c, {image, k.kind, k.data, k.placeholder}, QSizeF(8, 6));
    const QByteArray rtf = writeRtf(doc);
    EXPECT_TRUE(rtf.contains(k.word + "\\picw4\\pich2\\picwgoal120\\pichgoal90"))
        << rtf.constData();
    if (k.kind != PictureKind::Dib) {
      EXPECT_TRUE(rtf.contains(k.data.toHex().left(100))) << rtf.constData();
    }
    const auto back = read(rtf);
    ASSERT_TRUE(back.result.ok());
    EXPECT_EQ(back.result.pictures, 1);
    EXPECT_EQ(back.result.placeholders, k.placeholder ? 1 : 0);
  }
  // A placeholder without data that others could show is left out.
  SafeDocument doc;
  QTextCursor c(&doc);
  insertPicture(c, {image, PictureKind::Unknown, {}, true});
  EXPECT_FALSE(writeRtf(doc).contains("\\pict"));
}

}  // namespace
