// Independent RTF software: files LibreOffice wrote are read as it meant them, and
// what we write is read correctly by unrtf and, where installed, by LibreOffice.
#include "RtfTestSupport.h"

#include "common/TestSupport.h"
#include "platform/richtext/RichTextFiles.h"
#include "platform/richtext/RtfPicture.h"
#include "platform/richtext/RtfWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextImageFormat>

using namespace tv::richtext;

namespace {

QString dataFile(const QString &name) {
  return tv::test::sourceFolder() + QStringLiteral("/tests/platform/richtext/data/") + name;
}

test::ReadDoc readFile(const QString &path) {
  const auto bytes = readFileBounded(path, 1 << 20);
  EXPECT_TRUE(bytes.has_value()) << path.toStdString();
  return test::read(bytes.value_or(QByteArray()));
}

// A document with every format the suite writes, in the log font.
void fillSample(QTextDocument &doc) {
  QTextCursor c(&doc);
  auto run = [&](const QString &text, auto change) {
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("ＭＳ ゴシック")});
    f.setFontPointSize(9);
    change(f);
    c.insertText(text, f);
  };
  run(QStringLiteral("普通"), [](QTextCharFormat &) {});
  run(QStringLiteral("太字"), [](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); });
  run(QStringLiteral("斜体"), [](QTextCharFormat &f) { f.setFontItalic(true); });
  run(QStringLiteral("下線"), [](QTextCharFormat &f) { f.setFontUnderline(true); });
  run(QStringLiteral("取消"), [](QTextCharFormat &f) { f.setFontStrikeOut(true); });
  run(QStringLiteral("赤色"), [](QTextCharFormat &f) { f.setForeground(QColor(255, 0, 0)); });
  run(QStringLiteral("大きい"), [](QTextCharFormat &f) { f.setFontPointSize(18); });
  run(QStringLiteral("\n☃ソ{x}\\"), [](QTextCharFormat &) {});
}

TEST(LibreOfficeFiles, FormatsAndJapaneseText) {
  const auto d = readFile(dataFile(QStringLiteral("lo_formats.rtf")));
  ASSERT_TRUE(d.result.ok());
  const QString text = d.doc->toPlainText();
  EXPECT_TRUE(text.contains(
      QStringLiteral("日本語のテキスト、太字、斜体、下線、取り消し線、赤い文字、大きい。")))
      << text.toStdString();
  EXPECT_TRUE(
      text.contains(QStringLiteral("Western café ☃ and 😀 emoji; braces {} and backslash \\.")));
  EXPECT_TRUE(text.contains(QStringLiteral("半角ｶﾀｶﾅ ソ表 ＼ 〜")));
  const auto at = [&](const char *s) { return d.formatAt(d.find(QString::fromUtf8(s))); };
  EXPECT_FALSE(at("日本語").fontWeight() >= QFont::Bold);
  EXPECT_DOUBLE_EQ(at("日本語").fontPointSize(), 9.0);
  EXPECT_EQ(at("日本語").fontFamilies().toStringList(), QStringList{QStringLiteral("IPAGothic")});
  EXPECT_TRUE(at("太字").fontWeight() >= QFont::Bold);
  EXPECT_TRUE(at("斜体").fontItalic());
  EXPECT_TRUE(at("下線").fontUnderline());
  EXPECT_TRUE(at("取り消し線").fontStrikeOut());
  EXPECT_EQ(at("赤い文字").foreground().color(), QColor(255, 0, 0));
  EXPECT_DOUBLE_EQ(at("大きい").fontPointSize(), 18.0);
  EXPECT_EQ(at("Western").fontFamilies().toStringList(),
            QStringList{QStringLiteral("DejaVu Sans")});
}

TEST(LibreOfficeFiles, Picture) {
  const auto d = readFile(dataFile(QStringLiteral("lo_picture.rtf")));
  ASSERT_TRUE(d.result.ok());
  EXPECT_EQ(d.result.pictures, 1);
  EXPECT_EQ(d.result.placeholders, 0);
  const QString text = d.doc->toPlainText();
  EXPECT_TRUE(text.contains(QStringLiteral("画像の前")));
  EXPECT_TRUE(text.contains(QStringLiteral("画像の後")));
  const int at = d.find(QString(QChar::ObjectReplacementCharacter));
  ASSERT_GE(at, 0);
  const auto picture = pictureOf(*d.doc, d.formatAt(at).toImageFormat());
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->image.size(), QSize(6, 4));
  EXPECT_EQ(picture->image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(picture->image.pixel(1, 0), qRgb(0, 0, 255));
}

QString decodeEntities(QString html) {
  static const QRegularExpression kEntity(QStringLiteral("&#(\\d+);"));
  QString out;
  qsizetype last = 0;
  auto it = kEntity.globalMatch(html);
  while (it.hasNext()) {
    const auto m = it.next();
    out += html.mid(last, m.capturedStart() - last);
    out += QString::fromUcs4(std::array<char32_t, 1>{char32_t(m.captured(1).toUInt())}.data(), 1);
    last = m.capturedEnd();
  }
  return out + html.mid(last);
}

TEST(Unrtf, ReadsWhatWeWrite) {
  const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
  if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
  QTemporaryDir dir;
  SafeDocument doc;
  fillSample(doc);
  const QString path = dir.filePath(QStringLiteral("sample.rtf"));
  ASSERT_TRUE(saveRtfFile(doc, path));
  QProcess p;
  p.start(unrtf, {QStringLiteral("--html"), path});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString html = decodeEntities(QString::fromUtf8(p.readAllStandardOutput()));
  for (const char *expected :
       {"普通", "<b>太字</b>", "<i>斜体</i>", "<u>下線</u>", "<s>取消</s>",
        "<font color=\"#ff0000\">赤色</font>", "<font size=\"5\"><font color=\"#000000\">大きい",
        "☃ソ{x}\\", "font-size:9pt"}) {
    EXPECT_TRUE(html.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                            << html.toStdString();
  }
}

TEST(LibreOffice, ConvertsWhatWeWriteAndWeReadItBack) {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
  QTemporaryDir dir;
  SafeDocument doc;
  fillSample(doc);
  QTextCursor c(&doc);
  c.movePosition(QTextCursor::End);
  insertPicture(c, {test::testImage(6, 4), PictureKind::Png,
                    test::imageFile(test::testImage(6, 4), "png"), false});
  const QString in = dir.filePath(QStringLiteral("ours.rtf"));
  ASSERT_TRUE(saveRtfFile(doc, in));
  QDir(dir.path()).mkdir(QStringLiteral("out"));
  QProcess p;
  p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") +
                        dir.filePath(QStringLiteral("profile")),
                    QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                    QStringLiteral("rtf:Rich Text Format"), QStringLiteral("--outdir"),
                    dir.filePath(QStringLiteral("out")), in});
  ASSERT_TRUE(p.waitForFinished(120000));
  const auto d = readFile(dir.filePath(QStringLiteral("out/ours.rtf")));
  ASSERT_TRUE(d.result.ok());
  EXPECT_TRUE(d.doc->toPlainText().contains(QStringLiteral("普通太字斜体下線取消赤色大きい")));
  EXPECT_TRUE(d.doc->toPlainText().contains(QStringLiteral("☃ソ{x}\\")));
  const auto at = [&](const char *s) { return d.formatAt(d.find(QString::fromUtf8(s))); };
  EXPECT_TRUE(at("太字").fontWeight() >= QFont::Bold);
  EXPECT_TRUE(at("斜体").fontItalic());
  EXPECT_TRUE(at("下線").fontUnderline());
  EXPECT_TRUE(at("取消").fontStrikeOut());
  EXPECT_EQ(at("赤色").foreground().color(), QColor(255, 0, 0));
  EXPECT_DOUBLE_EQ(at("大きい").fontPointSize(), 18.0);
  EXPECT_DOUBLE_EQ(at("普通").fontPointSize(), 9.0);
  EXPECT_EQ(d.result.pictures, 1);
  EXPECT_EQ(d.result.placeholders, 0);
}

}  // namespace
