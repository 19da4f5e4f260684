// The window's logic that needs no widget: chat-line runs and texts, the colour table,
// the voice button states and the IRC slot bookkeeping.
#include "mainwindow/ChatText.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/IrcSlotTable.h"
#include "mainwindow/VoiceButtons.h"

#include <gtest/gtest.h>

#include <QTime>

using namespace tv::mainwindow;

namespace {

const QString kEnd = QStringLiteral("\r\n");

TEST(ChatText, BodyRunsMarkOnlyTheFirstWebAddress) {
  struct Case {
    const char16_t *text;
    QList<ChatRun> runs;
  };
  const Case cases[] = {
      {u"こんにちは", {{QStringLiteral("こんにちは") + kEnd, false}}},
      {u"see http://a.example/x now",
       {{QStringLiteral("see "), false},
        {QStringLiteral("http://a.example/x"), true},
        {QStringLiteral(" now") + kEnd, false}}},
      // Upper case counts; the link runs to the end of the text, the line end is plain.
      {u"HTTP://A.EXAMPLE", {{QStringLiteral("HTTP://A.EXAMPLE"), true}, {kEnd, false}}},
      // Only the first address of a line is a link.
      {u"http://a http://b",
       {{QStringLiteral("http://a"), true}, {QStringLiteral(" http://b") + kEnd, false}}},
      // "https://" is left to the view's own link detection.
      {u"https://a.example", {{QStringLiteral("https://a.example") + kEnd, false}}},
      {u"", {{kEnd, false}}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(SplitChatBody(QString::fromUtf16(c.text)), c.runs)
        << QString::fromUtf16(c.text).toStdString();
}

TEST(ChatText, HeadersLinesAndCounts) {
  EXPECT_EQ(OwnLineHeader(QStringLiteral("alice")), QStringLiteral(">alice< "));
  EXPECT_EQ(OtherLineHeader(QStringLiteral("@bob")), QStringLiteral("<bob> "));
  EXPECT_EQ(OtherLineHeader(QStringLiteral("@@x")), QStringLiteral("<@x> "));
  EXPECT_EQ(WhisperSentLine(QStringLiteral("bob"), QStringLiteral("hi")),
            QStringLiteral(">bobさんへの密談<hi"));
  EXPECT_EQ(UserCountText(3, 8), QStringLiteral("3人参加／8人制限"));
  EXPECT_EQ(UserCountText(1, 0), QStringLiteral("1人参加／人数制限無し"));
  EXPECT_EQ(TimeOfDayText(QTime(9, 5, 7)), QStringLiteral("9:05:07"));
  EXPECT_EQ(TopicFromSelection(QStringLiteral(":a:b")), QStringLiteral("：a:b"));
  EXPECT_EQ(TopicFromSelection(QStringLiteral("a:b")), QStringLiteral("a:b"));
  EXPECT_TRUE(SelectionFitsOneLine(QStringLiteral("one line")));
  EXPECT_FALSE(SelectionFitsOneLine(QString()));
  EXPECT_FALSE(SelectionFitsOneLine(QStringLiteral("two\r\nlines")));
}

TEST(ColourTable, ValuesCarryRedInTheLowestByte) {
  EXPECT_EQ(ColourName(0), QStringLiteral("黒"));
  EXPECT_EQ(ColourName(15), QStringLiteral("明るい白"));
  EXPECT_EQ(ColourName(16), QString());
  const std::uint32_t values[kColourCount] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int n = 0; n < kColourCount; ++n) {
    EXPECT_EQ(ColourValue(n), values[n]) << n;
    EXPECT_EQ(ValueFromColour(ColourFromValue(values[n])), values[n]) << n;
  }
  EXPECT_EQ(ColourFromValue(ColourValue(12)), QColor(255, 0, 0));  // 明るい赤
  EXPECT_EQ(ColourFromValue(0xFF0000FF), QColor(255, 0, 0));       // top byte ignored
  EXPECT_EQ(ClampColourNumber(-3), 0);
  EXPECT_EQ(ClampColourNumber(99), 15);
}

TEST(VoiceButtons, StatesBySessionAndSearch) {
  struct Case {
    int state;
    bool searching;
    bool host, joinVisible, joinEnabled, stopVisible;
    std::optional<bool> test;
    bool hostOnly;
  };
  const Case cases[] = {
      {0, false, true, true, true, false, true, false},
      {1, false, false, true, false, false, false, false},
      {1, true, false, false, false, true, std::nullopt, false},
      {2, false, false, true, false, false, false, true},
      {3, false, false, true, false, false, false, false},
  };
  for (const Case &c : cases) {
    const VoiceButtonStates s = VoiceButtonsFor(c.state, c.searching);
    SCOPED_TRACE(testing::Message() << "state " << c.state << " searching " << c.searching);
    EXPECT_EQ(s.hostEnabled, c.host);
    EXPECT_EQ(s.joinVisible, c.joinVisible);
    EXPECT_EQ(s.joinEnabled, c.joinEnabled);
    EXPECT_EQ(s.stopVisible, c.stopVisible);
    EXPECT_EQ(s.stopEnabled, c.stopVisible);
    EXPECT_EQ(s.testEnabled, c.test);
    EXPECT_EQ(s.hostOnlyEntries, c.hostOnly);
  }
}

TEST(IrcSlotTable, ReusesTheLowestFreeSlotAndTrimsFromTheEnd) {
  IrcSlotTable t;
  const auto first = t.open(QStringLiteral("irc.a"));
  EXPECT_EQ(first.slot, 0);
  EXPECT_TRUE(first.resetPaneZero);
  EXPECT_FALSE(first.loadPane);
  const auto second = t.open(QStringLiteral("irc.b"));
  EXPECT_EQ(second.slot, 1);
  EXPECT_TRUE(second.loadPane);
  EXPECT_EQ(t.open(QStringLiteral("irc.c")).slot, 2);
  EXPECT_EQ(t.openCount(), 3);

  // A free slot in the middle is taken before the array grows.
  EXPECT_TRUE(t.release(1));
  EXPECT_TRUE(t.trim().isEmpty());
  const auto again = t.open(QStringLiteral("irc.d"));
  EXPECT_EQ(again.slot, 1);
  EXPECT_FALSE(again.loadPane);
  EXPECT_EQ(t.name(1), QStringLiteral("irc.d"));

  // Freed slots at the end go, last first; pane 0 is never unloaded.
  EXPECT_TRUE(t.release(1));
  EXPECT_TRUE(t.release(2));
  EXPECT_EQ(t.trim(), (QList<int>{2, 1}));
  EXPECT_EQ(t.size(), 1);
  EXPECT_TRUE(t.release(0));
  EXPECT_TRUE(t.trim().isEmpty());
  EXPECT_EQ(t.size(), 0);
  EXPECT_EQ(t.openCount(), 0);

  // Nothing open, or a slot outside the array: nothing changes.
  EXPECT_FALSE(t.release(0));
  t.open(QStringLiteral("irc.e"));
  EXPECT_FALSE(t.release(5));
  EXPECT_FALSE(t.release(-1));
  EXPECT_EQ(t.openCount(), 1);
}

}  // namespace
