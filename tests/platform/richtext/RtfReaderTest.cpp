// The RTF reader on the input word processors write and on hostile input.
#include "RtfTestSupport.h"

#include "platform/richtext/RtfPicture.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>

using namespace tv::richtext;
using tv::richtext::test::read;

namespace {

struct TextCase {
  const char *name;
  QByteArray rtf;
  QString text;
};

class ReaderText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReaderText, YieldsText) {
  const auto d = read(GetParam().rtf);
  ASSERT_TRUE(d.result.ok()) << int(d.result.status);
  EXPECT_EQ(d.text(), GetParam().text);
}

const QByteArray kHead =
    "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 X;}"
    "{\\f1\\fcharset0 Arial;}}";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderText,
    ::testing::Values(
        TextCase{"plain", kHead + "abc\\par def}", QStringLiteral("abc\r\ndef")},
        TextCase{"cp932Bytes", kHead + "\\'82\\'a0\\'82\\'a2}", QStringLiteral("あい")},
        TextCase{"rawCp932Bytes", kHead + "\x82\xa0\x83\x41}", QStringLiteral("あア")},
        TextCase{"cp1252Font", kHead + "\\f1 caf\\'e9 \\'80}", QStringLiteral("café €")},
        TextCase{"unicodeUc1", kHead + "\\uc1\\u12354?x}", QStringLiteral("あx")},
        TextCase{"unicodeUc2Bytes", kHead + "\\uc2\\u12354\\'82\\'a0x}", QStringLiteral("あx")},
        TextCase{"unicodeUc0", kHead + "\\uc0\\u12354 x}", QStringLiteral("あx")},
        TextCase{"unicodeNegative", kHead + "\\u-28805?}", QString(QChar(char16_t(36731)))},
        TextCase{"surrogatePair", kHead + "\\u-10179?\\u-8704?}", QStringLiteral("😀")},
        TextCase{"loneSurrogate", kHead + "\\u-10179?x}", QStringLiteral("\uFFFDx")},
        TextCase{"ucOddInGroup", kHead + "{\\uc3\\u12354?}z}", QStringLiteral("あz")},
        TextCase{"ucSkipStopsAtGroup", kHead + "{\\uc5\\u12354 ab}cd}", QStringLiteral("あcd")},
        TextCase{"starredSkipped", kHead + "a{\\*\\generator Foo;}b{\\*\\unknown x{y}}c}",
                 QStringLiteral("abc")},
        TextCase{"unknownWordIgnored", kHead + "a\\foobar12 b\\zz c}", QStringLiteral("abc")},
        TextCase{"escapes", kHead + "\\{\\}\\\\\\~\\tab x\\line y}",
                 QStringLiteral("{}\\\u00A0\tx\r\ny")},
        TextCase{"specialChars", kHead + "\\emdash\\endash\\bullet\\lquote\\rdblquote}",
                 QStringLiteral("—–•‘”")},
        TextCase{"fieldResultOnly",
                 kHead + "{\\field{\\*\\fldinst HYPERLINK \"file:///x\"}{\\fldrslt link}}}",
                 QStringLiteral("link")},
        TextCase{"shapePictureFallbackSkipped",
                 kHead + "a{\\nonshppict{\\pict\\wmetafile8 0102}}b}", QStringLiteral("ab")},
        TextCase{"objectResultOnly",
                 kHead + "{\\object\\objemb{\\*\\objdata 0102}{\\result shown}}}",
                 QStringLiteral("shown")},
        TextCase{"infoAndStyles", kHead + "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}x}",
                 QStringLiteral("x")},
        TextCase{"crlfIgnored", kHead + "a\r\nb\\\r\nc}", QStringLiteral("ab\r\nc")},
        TextCase{"trailingIgnored", kHead + "a}garbage{", QStringLiteral("a")},
        TextCase{"truncatedHex", kHead + "a\\'8", QStringLiteral("a")},
        TextCase{"binSkipped", kHead + "a{\\*\\x\\bin3 }}}}b}", QStringLiteral("ab")},
        TextCase{"hugeBinClamped", kHead + "a{\\*\\x\\bin2147483647 xyz", QStringLiteral("a")},
        TextCase{"cellsAndRows", kHead + "a\\cell b\\row c}", QStringLiteral("a\tb\r\nc")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfReader, CharacterFormats) {
  const auto d = read(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 \\'82\\'6c\\'82\\'72 "
      "\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f1 Arial;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\f0\\fs18 n\\b b\\b0\\i i\\i0\\ul u\\ulnone\\uldb d\\ul0\\strike s\\strike0"
      "\\cf1 r\\cf2 l\\cf0\\f1\\fs40 a\\plain p}");
  ASSERT_TRUE(d.result.ok());
  ASSERT_EQ(d.doc->toPlainText(), QStringLiteral("nbiudsrlap"));
  const auto f = [&](int pos) { return d.formatAt(pos); };
  EXPECT_EQ(f(0).fontFamilies().toStringList(), QStringList{QStringLiteral("ＭＳ ゴシック")});
  EXPECT_DOUBLE_EQ(f(0).fontPointSize(), 9.0);
  EXPECT_FALSE(f(0).fontWeight() >= QFont::Bold);
  EXPECT_TRUE(f(1).fontWeight() >= QFont::Bold);
  EXPECT_TRUE(f(2).fontItalic());
  EXPECT_TRUE(f(3).fontUnderline());
  EXPECT_TRUE(f(4).fontUnderline());
  EXPECT_TRUE(f(5).fontStrikeOut());
  EXPECT_FALSE(f(5).fontUnderline());
  EXPECT_EQ(f(6).foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(f(7).foreground().color(), QColor(0, 0, 255));
  EXPECT_FALSE(f(8).hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(f(8).fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
  EXPECT_DOUBLE_EQ(f(8).fontPointSize(), 20.0);
  EXPECT_DOUBLE_EQ(f(9).fontPointSize(), 12.0);
}

TEST(RtfReader, UnderlineColourIsNotUnderline) {
  const auto d = read("{\\rtf1 \\ulc2 a}");
  ASSERT_TRUE(d.result.ok());
  EXPECT_FALSE(d.formatAt(0).fontUnderline());
}

TEST(RtfReader, AlignmentPerParagraph) {
  const auto d = read("{\\rtf1 \\qc a\\par\\pard b\\par\\qr c}");
  ASSERT_TRUE(d.result.ok());
  EXPECT_EQ(d.doc->findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(d.doc->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignLeft);
  EXPECT_EQ(d.doc->findBlockByNumber(2).blockFormat().alignment(), Qt::AlignRight);
}

struct HostileCase {
  const char *name;
  QByteArray rtf;
  RtfStatus status;
};

class ReaderHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(ReaderHostile, IsRefusedWithoutChange) {
  RtfLimits limits;
  limits.maxTextChars = 1000;
  SafeDocument doc;
  doc.setPlainText(QStringLiteral("before"));
  QTextCursor cursor(&doc);
  cursor.movePosition(QTextCursor::End);
  const RtfReadResult result = readRtf(GetParam().rtf, cursor, limits);
  EXPECT_EQ(result.status, GetParam().status);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("before"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderHostile,
    ::testing::Values(
        HostileCase{"notRtf", "hello", RtfStatus::NotRtf},
        HostileCase{"empty", "", RtfStatus::NotRtf},
        HostileCase{"deepNesting", "{\\rtf1 " + QByteArray(100000, '{') + "x", RtfStatus::TooDeep},
        HostileCase{"textOverLimit", "{\\rtf1 " + QByteArray(2000, 'a') + "}", RtfStatus::TooLarge},
        HostileCase{"parsOverLimit", "{\\rtf1 " + QByteArray("\\par ").repeated(2000),
                    RtfStatus::TooLarge}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfReader, TruncatedInputIsShownAndFlagged) {
  const auto d = read("{\\rtf1 abc{\\b def");
  ASSERT_TRUE(d.result.ok());
  EXPECT_TRUE(d.result.truncated);
  EXPECT_EQ(d.text(), QStringLiteral("abcdef"));
}

TEST(RtfReader, ParametersAreClamped) {
  const auto d = read("{\\rtf1 \\fs99999999999 a\\fs-5 b\\uc-3\\u99999999 c\\cf77777 d}");
  ASSERT_TRUE(d.result.ok());
  EXPECT_DOUBLE_EQ(d.formatAt(0).fontPointSize(), 2160.0);  // the composer's largest
  EXPECT_DOUBLE_EQ(d.formatAt(1).fontPointSize(), 1.0);
  EXPECT_FALSE(d.formatAt(4).hasProperty(QTextFormat::ForegroundBrush));
}

// Pictures: every kind the reader knows, and data it must refuse.
struct PictureCase {
  const char *name;
  QByteArray rtf;
  bool decoded;
  QSize shown;
};

class ReaderPicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(ReaderPicture, InsertsPictureOrPlaceholder) {
  RtfLimits limits;
  limits.maxPicturePixels = 64 * 64;
  limits.maxPictureBytes = 64 * 1024;
  const auto d = read(GetParam().rtf, limits);
  ASSERT_TRUE(d.result.ok());
  ASSERT_EQ(d.result.pictures, 1);
  EXPECT_EQ(d.result.placeholders, GetParam().decoded ? 0 : 1);
  const int at = d.find(QString(QChar::ObjectReplacementCharacter));
  ASSERT_GE(at, 0);
  const QTextImageFormat image = d.formatAt(at).toImageFormat();
  const auto picture = pictureOf(*d.doc, image);
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->placeholder, !GetParam().decoded);
  EXPECT_EQ(QSize(qRound(image.width()), qRound(image.height())), GetParam().shown);
}

QByteArray pict(const QByteArray &words, const QByteArray &data) {
  return "{\\rtf1 a{\\*\\shppict{\\pict" + words + "{\\*\\blipuid 0011}\r\n" + data.toHex() +
         "}}b}";
}

const QImage kImage = tv::richtext::test::testImage(5, 3);
const QByteArray kPng = tv::richtext::test::imageFile(kImage, "png");
const QByteArray kDib = tv::richtext::test::packedDib(kImage);

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderPicture,
    ::testing::Values(
        PictureCase{"png", pict("\\pngblip", kPng), true, QSize(5, 3)},
        PictureCase{"pngGoalSize", pict("\\pngblip\\picwgoal150\\pichgoal300", kPng), true,
                    QSize(10, 20)},
        PictureCase{"pngScaled", pict("\\pngblip\\picscalex200\\picscaley50", kPng), true,
                    QSize(10, 2)},
        PictureCase{"jpeg", pict("\\jpegblip", tv::richtext::test::imageFile(kImage, "jpeg")), true,
                    QSize(5, 3)},
        PictureCase{"dib", pict("\\dibitmap0", kDib), true, QSize(5, 3)},
        PictureCase{"wmfStretchDib",
                    pict("\\wmetafile8", tv::richtext::test::wmfWithDib(kDib, false)), true,
                    QSize(5, 3)},
        PictureCase{
            "binaryData",
            "{\\rtf1 {\\pict\\pngblip\\bin" + QByteArray::number(kPng.size()) + " " + kPng + "}}",
            true, QSize(5, 3)},
        PictureCase{"garbage", pict("\\pngblip\\picw7\\pich9", "not a picture"), false,
                    QSize(7, 9)},
        PictureCase{"truncatedHex", "{\\rtf1 {\\pict\\pngblip " + kPng.toHex().left(41), false,
                    QSize(48, 48)},
        PictureCase{
            "overPixelCap",
            pict("\\pngblip",
                 tv::richtext::test::imageFile(tv::richtext::test::testImage(65, 65), "png")),
            false, QSize(48, 48)},
        PictureCase{"overByteLimit",
                    "{\\rtf1 {\\pict\\pngblip\\picw4\\pich4 " + QByteArray(200000, 'a') + "}}",
                    false, QSize(4, 4)},
        PictureCase{"unknownKind", pict("\\macpict", kPng), false, QSize(48, 48)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RtfPicture, WmfWithoutBitmapDoesNotDecode) {
  EXPECT_TRUE(dibFromWmf(QByteArray(40, '\0')).isEmpty());
  EXPECT_TRUE(decodePicture(PictureKind::Wmf, "\xD7\xCD\xC6\x9A", 1000).isNull());
  const QByteArray wmf = tv::richtext::test::wmfWithDib(kDib, true);
  EXPECT_EQ(dibFromWmf(wmf), kDib + QByteArray(kDib.size() % 2, '\0'));
}

TEST(RtfPicture, DibHeaderLyingAboutSizeIsRefused) {
  QByteArray dib = kDib;
  dib[4] = '\xFF';  // width 0x..FF: far more pixels than the data holds
  dib[7] = '\x7F';
  EXPECT_TRUE(decodePicture(PictureKind::Dib, dib, 1 << 20).isNull());
  EXPECT_TRUE(decodePicture(PictureKind::Dib, kDib.left(20), 1 << 20).isNull());
}

}  // namespace
