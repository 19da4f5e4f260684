#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/Iso2022JpEncoder.h"
#include "ircsock/JisShiftJis.h"
#include "platform/text/Cp932.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <string_view>

using namespace tv::ircsock;
using namespace std::string_view_literals;

namespace {

struct Fed {
  QStringList lines;
  QList<qsizetype> cuts;
  int state = 0;
  QString partial;
};

// Feeds the chunks one after another into one decoder.
Fed feedChunks(const QList<QByteArray> &chunks) {
  Fed fed;
  Iso2022JpDecoder decoder;
  for (const QByteArray &chunk : chunks) {
    decoder.feed(chunk, [&fed](QString &&line, qsizetype cut) {
      fed.lines.append(line);
      fed.cuts.append(cut);
      return true;
    });
  }
  fed.state = decoder.state();
  fed.partial = decoder.partialLine();
  return fed;
}

struct DecodeCase {
  const char *name;
  QByteArray bytes;
  QStringList lines;
  int state;
  QString partial;
};

// One or more cases per row of the decoder's state table.
class DecoderTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecoderTable, DecodesAsTheTableSays) {
  const DecodeCase &c = GetParam();
  const Fed fed = feedChunks({c.bytes});
  EXPECT_EQ(fed.lines, c.lines);
  EXPECT_EQ(fed.state, c.state);
  EXPECT_EQ(fed.partial, c.partial);
}

const QString kA = QString::fromUtf16(u"亜");     // JIS 0x3021
const QString kNi = QString::fromUtf16(u"日本");  // JIS 0x467C 0x4B5C

INSTANTIATE_TEST_SUITE_P(
    Rows, DecoderTable,
    ::testing::Values(
        DecodeCase{"lf_ends_line", "abc\ndef", {"abc"}, 0, "def"},
        DecodeCase{"empty_lines_dropped", "\n\r\n\r\nabc\r\n\r\n", {"abc"}, 0, ""},
        DecodeCase{"cr_dropped_inside_line", "a\rb\r\r\n", {"ab"}, 0, ""},
        DecodeCase{"esc_from_single", "a\x1b", {}, 3, "a"},
        DecodeCase{"halfwidth_katakana", "\xb1\xdf\xa1\n", {QString::fromUtf16(u"ｱﾟ｡")}, 0, ""},
        DecodeCase{"lone_lead_byte_and_oddities",
                   QByteArray("\x82\x80\xa0\xfd\n"),
                   {QString::fromUtf16(u"\uFFFD\u0080\uF8F0\uF8F1")},
                   0,
                   ""},
        DecodeCase{
            "controls_kept_nul_dropped", QByteArray("\x01x\0y\x03\n", 6), {"\x01xy\x03"}, 0, ""},
        DecodeCase{"esc_dollar_b_enters_two_byte", "\x1b$B", {}, 1, ""},
        DecodeCase{"two_byte_pair", "\x1b$B\x30\x21\x1b(B\n", {kA}, 0, ""},
        DecodeCase{"two_byte_holds_first", "\x1b$B\x46\x7c\x4b", {}, 2, QString::fromUtf16(u"日")},
        DecodeCase{"esc_from_two_byte", "\x1b$B\x1b(Bx\n", {"x"}, 0, ""},
        // CR and LF in two-byte mode are pair bytes: they end nothing.
        DecodeCase{"lf_is_a_pair_byte", "\x1b$B\r\n", {}, 1, QString::fromUtf16(u"\uFFFD")},
        // ESC in the second byte position is taken as a pair byte too.
        DecodeCase{"esc_as_second_byte", "\x1b$B\x30\x1b", {}, 1, QString::fromUtf16(u"\uFFFD")},
        DecodeCase{"esc_unknown_dropped", "\x1bXa\n", {"a"}, 0, ""},
        DecodeCase{"esc_esc_drops_second", "\x1b\x1b$\n", {"$"}, 0, ""},
        DecodeCase{"esc_paren_b", "\x1b$B\x30\x21\x1b(Ba\n", {kA + "a"}, 0, ""},
        DecodeCase{"esc_paren_j", "\x1b$B\x30\x21\x1b(Ja\n", {kA + "a"}, 0, ""},
        // The byte after ESC ( is dropped whatever it is, LF included.
        DecodeCase{"esc_paren_eats_lf", "a\x1b(\nb\n", {"ab"}, 0, ""},
        DecodeCase{"esc_dollar_at_not_two_byte", "\x1b$@\x30\x21\n", {"0!"}, 0, ""},
        DecodeCase{"esc_dollar_paren_not_two_byte", "\x1b$(D\x30\x21\n", {"D0!"}, 0, ""},
        DecodeCase{"pair_outside_plane",
                   "\x1b$B\x7f\x21\x20\x30\x1b(B\n",
                   {QString::fromUtf16(u"\uFFFD\uFFFD")},
                   0,
                   ""},
        DecodeCase{
            "unassigned_pair", "\x1b$B\x22\x2f\x1b(B\n", {QString::fromUtf16(u"\uFFFD")}, 0, ""},
        DecodeCase{"mixed_line",
                   "PRIVMSG #ch :\x1b$B\x46\x7c\x4b\x5c\x1b(B!\r\n",
                   {"PRIVMSG #ch :" + kNi + "!"},
                   0,
                   ""}),
    [](const auto &info) { return std::string(info.param.name); });

// A server line carved up at every byte boundary, in two pieces and byte by byte:
// escape sequences and two-byte characters split across arrivals come out whole.
TEST(Decoder, SplitsAnywhereGiveTheSameLines) {
  const QByteArray stream =
      "PRIVMSG #a :\x1b$B\x46\x7c\x4b\x5c\x38\x6c\x1b(B ok\r\n:x NOTICE \x1b$B\x30\x21\x1b(J.\n";
  const QStringList whole = feedChunks({stream}).lines;
  ASSERT_EQ(whole.size(), 2);
  EXPECT_EQ(whole[0], "PRIVMSG #a :" + QString::fromUtf16(u"日本語") + " ok");
  for (qsizetype cut = 0; cut <= stream.size(); ++cut)
    EXPECT_EQ(feedChunks({stream.left(cut), stream.mid(cut)}).lines, whole) << "cut at " << cut;
  QList<QByteArray> bytes;
  for (const char b : stream) bytes.append(QByteArray(1, b));
  EXPECT_EQ(feedChunks(bytes).lines, whole);
}

// The mode outlives a line end that never came back to single-byte mode.
TEST(Decoder, ModeIsKeptAcrossArrivals) {
  const Fed fed = feedChunks({"\x1b$B\x30\x21", "\x30\x22\x1b(B\n"});
  EXPECT_EQ(fed.lines, QStringList{QString::fromUtf16(u"亜唖")});
}

TEST(Decoder, OverlongLineIsCutAndCounted) {
  const QByteArray line = QByteArray(Iso2022JpDecoder::kMaxLineChars + 100, 'x') + "\nnext\n";
  const Fed fed = feedChunks({line.left(7000), line.mid(7000)});
  ASSERT_EQ(fed.lines.size(), 2);
  EXPECT_EQ(fed.lines[0].size(), Iso2022JpDecoder::kMaxLineChars);
  EXPECT_EQ(fed.cuts[0], 100);
  EXPECT_EQ(fed.lines[1], "next");
  EXPECT_EQ(fed.cuts[1], 0);
}

TEST(Decoder, SinkCanStopRightAfterALine) {
  Iso2022JpDecoder decoder;
  QStringList lines;
  const QByteArray bytes = "one\ntwo\nthree\n";
  const auto stopAfterOne = [&](QString &&line, qsizetype) {
    lines.append(line);
    return false;
  };
  EXPECT_EQ(decoder.feed(bytes, stopAfterOne), 4);
  EXPECT_EQ(decoder.feed(QByteArrayView(bytes).sliced(4), stopAfterOne), 4);
  EXPECT_EQ(lines, (QStringList{"one", "two"}));
}

struct EncodeCase {
  const char *name;
  std::u16string_view text;
  QByteArray bytes;
};

class EncoderTable : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncoderTable, Encodes) {
  const std::u16string_view text = GetParam().text;
  const auto line = encodeIrcLine(QString::fromUtf16(text.data(), qsizetype(text.size())));
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(*line, GetParam().bytes + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderTable,
    ::testing::Values(EncodeCase{"ascii_has_no_escape", u"PRIVMSG #a :hello", "PRIVMSG #a :hello"},
                      EncodeCase{"ends_two_byte_then_esc_paren_b", u"#a :日本",
                                 "#a :\x1b$B\x46\x7c\x4b\x5c\x1b(B"},
                      EncodeCase{"switches_back_and_forth", u"a亜b唖",
                                 "a\x1b$B\x30\x21\x1b(Bb\x1b$B\x30\x22\x1b(B"},
                      EncodeCase{"halfwidth_kana_raw", u"ｱ亜ｱ", "\xb1\x1b$B\x30\x21\x1b(B\xb1"},
                      EncodeCase{"nec_row13", u"①", "\x1b$B\x2d\x21\x1b(B"},
                      // IBM extension kanji go out as their NEC-selected copies (row 89).
                      EncodeCase{"ibm_extension", u"纊", "\x1b$B\x79\x21\x1b(B"},
                      EncodeCase{"ibm_roman_numeral", u"ⅰ", "\x1b$B\x7c\x71\x1b(B"},
                      EncodeCase{"user_defined_area", u"\uE000x", "?x"},
                      // Linux-typical forms go out in the JIS cells of their full-width twins.
                      EncodeCase{"wave_dash", u"\u301C", "\x1b$B\x21\x41\x1b(B"},
                      EncodeCase{"double_vertical_line", u"\u2016", "\x1b$B\x21\x42\x1b(B"},
                      EncodeCase{"minus_sign", u"\u2212", "\x1b$B\x21\x5d\x1b(B"},
                      EncodeCase{"cent_sign", u"\u00A2", "\x1b$B\x21\x71\x1b(B"},
                      EncodeCase{"pound_sign", u"\u00A3", "\x1b$B\x21\x72\x1b(B"},
                      EncodeCase{"not_sign", u"\u00AC", "\x1b$B\x22\x4c\x1b(B"},
                      EncodeCase{"not_in_cp932", u"a\U0001F600b\u00E9", "a?b?"},
                      EncodeCase{"line_breaks_and_nul_left_out", u"a\r\nQUIT\u0000b"sv, "aQUITb"},
                      EncodeCase{"esc_is_not_text", u"a\x1b$Bb", "a?$Bb"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Encoder, LineLimitCountsEscapesAndCrLf) {
  EXPECT_EQ(encodeIrcLine(QString(kMaxLineBytes - 2, u'a'))->size(), kMaxLineBytes);
  EXPECT_FALSE(encodeIrcLine(QString(kMaxLineBytes - 1, u'a')).has_value());
  // ESC $ B + 2 per character + ESC ( B + CR LF.
  const int fit = (kMaxLineBytes - 8) / 2;
  EXPECT_EQ(encodeIrcLine(QString(fit, QChar(u'亜')))->size(), kMaxLineBytes);
  EXPECT_FALSE(encodeIrcLine(QString(fit + 1, QChar(u'亜'))).has_value());
}

TEST(JisShiftJis, FormulasAreInversesOnThePlane) {
  EXPECT_EQ(jisToShiftJis(0x30, 0x21), (CodePair{0x88, 0x9F}));
  EXPECT_EQ(jisToShiftJis(0x21, 0x21), (CodePair{0x81, 0x40}));
  EXPECT_EQ(jisToShiftJis(0x7E, 0x7E), (CodePair{0xEF, 0xFC}));
  for (int c1 = 0x21; c1 <= 0x7E; ++c1)
    for (int c2 = 0x21; c2 <= 0x7E; ++c2) {
      const CodePair sjis = jisToShiftJis(c1, c2);
      ASSERT_TRUE(tv::text::isCp932LeadByte(std::uint8_t(sjis.first)));
      ASSERT_TRUE(tv::text::isCp932TrailByte(std::uint8_t(sjis.second)));
      ASSERT_EQ(shiftJisToJis(sjis.first, sjis.second), (CodePair{c1, c2}));
    }
}

QString roundTrip(const QString &text) {
  const auto bytes = encodeIrcLine(text);
  if (!bytes) return QStringLiteral("<too long>");
  const QStringList lines = decodeIso2022JpLines(*bytes);
  return lines.size() == 1 ? lines[0] : QStringLiteral("<%1 lines>").arg(lines.size());
}

// Every character of the JIS plane as CP932 maps it (JIS X 0208, NEC row 13 and the
// NEC-selected IBM rows) comes back unchanged.
TEST(RoundTrip, WholeJisPlane) {
  int characters = 0;
  for (int c1 = 0x21; c1 <= 0x7E; ++c1) {
    QString row;
    for (int c2 = 0x21; c2 <= 0x7E; ++c2) {
      const CodePair sjis = jisToShiftJis(c1, c2);
      const char16_t ch =
          tv::text::cp932DoubleByte(std::uint8_t(sjis.first), std::uint8_t(sjis.second));
      if (ch != 0) row.append(QChar(ch));
    }
    characters += int(row.size());
    if (!row.isEmpty()) {
      EXPECT_EQ(roundTrip(row), row) << "JIS row " << (c1 - 0x20);
    }
  }
  // 6879 of JIS X 0208, 83 of NEC row 13, 374 of the NEC-selected IBM rows.
  EXPECT_EQ(characters, 6879 + 83 + 374);
}

// Every CP932 double-byte character ISO-2022-JP can carry comes back unchanged; the
// only ones it cannot are the user-defined area (lead bytes 0xF0-0xF9).
TEST(RoundTrip, AllCp932DoubleByteCharacters) {
  int lost = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!tv::text::isCp932LeadByte(std::uint8_t(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char16_t ch = tv::text::cp932DoubleByte(std::uint8_t(lead), std::uint8_t(trail));
      if (ch == 0) continue;
      const QString text(QChar{ch});
      if (roundTrip(text) == text) continue;
      ++lost;
      EXPECT_TRUE(lead >= 0xF0 && lead <= 0xF9) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(lost, 10 * 188);
}

}  // namespace
