#include "platform/text/Cp932.h"
#include "platform/text/LeadingNumber.h"

#include <gtest/gtest.h>

#include <utility>

using namespace tv::text;

namespace {

struct CodeCase {
  const char16_t *text;
  QByteArray bytes;
};

// Characters whose CP932 code is easy to get wrong: Microsoft's mappings that differ
// from strict Shift_JIS, the NEC and IBM extensions, and the duplicates where Windows
// picks one code of several.
class Cp932Codes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(Cp932Codes, EncodesAndDecodes) {
  const QString text = QString::fromUtf16(GetParam().text);
  bool lossless = false;
  EXPECT_EQ(encodeCp932(text, &lossless), GetParam().bytes) << text.toStdString();
  EXPECT_TRUE(lossless);
  EXPECT_EQ(decodeCp932(GetParam().bytes), text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cp932Codes,
    ::testing::Values(CodeCase{u"～", "\x81\x60"},  // FULLWIDTH TILDE, not WAVE DASH
                      CodeCase{u"－", "\x81\x7c"},  // FULLWIDTH HYPHEN-MINUS
                      CodeCase{u"∥", "\x81\x61"},   // PARALLEL TO
                      CodeCase{u"￢", "\x81\xca"},  // NOT SIGN (JIS row 2 wins)
                      CodeCase{u"①", "\x87\x40"},   // NEC row 13
                      CodeCase{u"㈱", "\x87\x8a"},  // NEC row 13, not IBM 0xFA58
                      CodeCase{u"Ⅰ", "\x87\x54"},   // NEC row 13, not IBM 0xFA4A
                      CodeCase{u"ⅰ", "\xfa\x40"},   // IBM, not NEC-selected 0xEEEF
                      CodeCase{u"∵", "\x81\xe6"},   // JIS row 2, not NEC 0x879A
                      CodeCase{u"纊", "\xfa\x5c"},  // IBM extension kanji, not 0xED40
                      CodeCase{u"ｱﾟ", "\xb1\xdf"},  // half-width katakana
                      CodeCase{u"日本語", "\x93\xfa\x96\x7b\x8c\xea"},
                      CodeCase{u"\uE000", "\xf0\x40"}));  // user-defined area

// Linux-typical forms go out as the codes of their full-width twins; those codes read
// back as the twins.
class Cp932LinuxForms : public ::testing::TestWithParam<std::pair<const char16_t *, CodeCase>> {};

TEST_P(Cp932LinuxForms, EncodeToTheTwinsCode) {
  const QString linuxForm = QString::fromUtf16(GetParam().first);
  const CodeCase &twin = GetParam().second;
  bool lossless = false;
  EXPECT_EQ(encodeCp932(linuxForm, &lossless), twin.bytes);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(decodeCp932(twin.bytes), QString::fromUtf16(twin.text));
  EXPECT_FALSE(cp932ExactCode(linuxForm[0].unicode()).has_value());  // RTF says it exactly
  EXPECT_TRUE(cp932ExactCode(twin.text[0]).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cp932LinuxForms,
    ::testing::Values(std::pair{u"\u301C", CodeCase{u"～", "\x81\x60"}},    // WAVE DASH
                      std::pair{u"\u2016", CodeCase{u"∥", "\x81\x61"}},     // DOUBLE VERTICAL LINE
                      std::pair{u"\u2212", CodeCase{u"－", "\x81\x7c"}},    // MINUS SIGN
                      std::pair{u"\u00A2", CodeCase{u"￠", "\x81\x91"}},    // CENT SIGN
                      std::pair{u"\u00A3", CodeCase{u"￡", "\x81\x92"}},    // POUND SIGN
                      std::pair{u"\u00AC", CodeCase{u"￢", "\x81\xca"}}));  // NOT SIGN

TEST(Cp932, NulPassesThrough) {
  const QString text = QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b");
  EXPECT_EQ(encodeCp932(text), QByteArray("a\0b", 3));
  EXPECT_EQ(decodeCp932(QByteArray("a\0b", 3)), text);
}

TEST(Cp932, NecSelectedCodesDecodeToTheSameCharacters) {
  EXPECT_EQ(decodeCp932("\xee\xef"), QStringLiteral("ⅰ"));
  EXPECT_EQ(decodeCp932("\xed\x40"), QStringLiteral("纊"));
}

TEST(Cp932, DamagedInputDecodesWithReplacementCharacters) {
  struct Case {
    QByteArray bytes;
    QString text;
  } cases[] = {
      {"\x81", QStringLiteral("\uFFFD")},            // lead byte at the end
      {"\x81\x20", QStringLiteral("\uFFFD ")},       // lead byte, invalid trail
      {"\x85\x40", QStringLiteral("\uFFFD")},        // unassigned code
      {"\xa0\xfd", QStringLiteral("\uF8F0\uF8F1")},  // Windows' private-use singles
  };
  for (const Case &c : cases) EXPECT_EQ(decodeCp932(c.bytes), c.text) << c.bytes.toHex().data();
}

TEST(Cp932, UnrepresentableCharactersBecomeQuestionMarks) {
  bool lossless = true;
  EXPECT_EQ(encodeCp932(QStringLiteral("a😀é"), &lossless), QByteArray("a??"));
  EXPECT_FALSE(lossless);
  EXPECT_FALSE(cp932Code(U'😀').has_value());
}

TEST(Cp932, EveryAssignedDoubleByteCodeRoundTripsToItsPreferredCode) {
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char16_t u = cp932DoubleByte(std::uint8_t(lead), std::uint8_t(trail));
      if (u == 0) continue;
      const auto code = cp932Code(u);
      ASSERT_TRUE(code.has_value());
      EXPECT_EQ(cp932DoubleByte(std::uint8_t(*code >> 8), std::uint8_t(*code & 0xFF)), u);
      ++checked;
    }
  }
  EXPECT_GT(checked, 7900);
}

TEST(LeadingNumber, ReadsTheLongestNumericPrefix) {
  struct Case {
    const char16_t *text;
    qint64 value;
  } cases[] = {{u"12abc", 12}, {u"abc", 0}, {u"", 0},    {u"  42", 42},
               {u"-7x", -7},   {u"+3", 3},  {u"1.9", 1}, {u"99999999999999999999999", INT64_MAX}};
  for (const Case &c : cases) EXPECT_EQ(leadingNumber(QStringView(c.text)), c.value);
}

}  // namespace
