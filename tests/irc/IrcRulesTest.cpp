// The rules the handling is written in: reading a line, the outgoing-text limits, the
// list files and the file-offer limits. One table per rule set.

#include "irc/DccOfferLimiter.h"
#include "irc/IrcLine.h"
#include "irc/IrcLists.h"
#include "irc/OutgoingText.h"

#include <gtest/gtest.h>

using namespace tv::irc;

namespace {

TEST(IrcLine, ParsesLikeTheUsualParserVectors) {
  struct Case {
    const char *line, *prefix, *sender, *command, *params;
  };
  const Case cases[] = {
      {":nick!user@host PRIVMSG #c :hi there", "nick!user@host", "nick", "PRIVMSG", "#c :hi there"},
      {":irc.example 001 me :Welcome", "irc.example", "", "001", "me :Welcome"},
      {":@op!u@h MODE #c +o x", "@op!u@h", "op", "MODE", "#c +o x"},
      {"PING :server", "", "", "PING", ":server"},
      {"privmsg #c :lower", "", "", "PRIVMSG", "#c :lower"},
      {":a!b@c   PART    #c   :bye  now", "a!b@c", "a", "PART", "#c   :bye  now"},
      {"@time=2020;x=y :a!b@c JOIN :#c", "a!b@c", "a", "JOIN", ":#c"},
      {"@tags-only", "", "", "", ""},
      {":lone.prefix", "lone.prefix", "", "", ""},
      {":p CMD a b :", "p", "", "CMD", "a b :"},
      {"", "", "", "", ""},
      {"   ", "", "", "", ""},
  };
  for (const Case &c : cases) {
    const IrcLine l = parseIrcLine(QString::fromUtf8(c.line));
    EXPECT_EQ(l.prefix, c.prefix) << c.line;
    EXPECT_EQ(l.sender, c.sender) << c.line;
    EXPECT_EQ(l.command, c.command) << c.line;
    EXPECT_EQ(l.params, c.params) << c.line;
  }
  EXPECT_EQ(firstToken(u"  a  b c"), "a");
  EXPECT_EQ(dropToken(u"a  b  :c d"), "b  :c d");
  EXPECT_EQ(dropToken(u"a  b  :c d", 2), ":c d");
  EXPECT_EQ(dropToken(u"a"), "");
  EXPECT_TRUE(sameNick(u"@bob", u"bob"));
  EXPECT_TRUE(sameNick(u"+bob", u"%bob"));
  EXPECT_FALSE(sameNick(u"@@bob", u"bob"));
  EXPECT_FALSE(sameNick(u"Bob", u"bob"));
}

TEST(OutgoingText, PiecesFitAndLoseNothing) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  const struct {
    QString text;
    qsizetype max;
  } cases[] = {
      {QString(1000, 'a'), 400},
      {QString(450, QChar(u'漢')), 400},
      {QString::fromUtf16(u"aあｱbい").repeated(90), 400},
      {emoji.repeated(300), 400},
      {QString(), 400},
      {QString(2000, QChar(u'あ')), 510},
  };
  for (const auto &c : cases) {
    const QStringList pieces = splitForSending(c.text, c.max);
    EXPECT_EQ(pieces.join(QString()), c.text);
    for (const QString &piece : pieces) {
      EXPECT_LE(encodedLength(piece), c.max);
      EXPECT_FALSE(piece.isEmpty() && pieces.size() > 1);
      EXPECT_FALSE(!piece.isEmpty() && piece.back().isHighSurrogate());
    }
    // Pieces are as long as they may be: the next character would not have fitted.
    for (int i = 0; i + 1 < pieces.size(); ++i) {
      const int next = pieces[i + 1].front().isHighSurrogate() ? 2 : 1;
      EXPECT_GT(encodedLength(pieces[i] + pieces[i + 1].left(next)), c.max);
    }
  }
  EXPECT_EQ(cleanOutgoing(QString::fromUtf16(u"a\rb\nc\0d", 7)), "a b c d");
  EXPECT_EQ(fitLine(u"short"), "short");
  const QString cut = fitLine(QString(600, QChar(u'漢')));
  EXPECT_LE(encodedLength(cut), kMaxIrcLineBytes);
  EXPECT_GT(encodedLength(cut + QChar(u'漢')), kMaxIrcLineBytes);
}

TEST(IrcLists, ServerLinesAndTheirDamage) {
  const struct {
    std::optional<QStringList> lines;
    int entries;
    bool broken, missing;
  } cases[] = {
      {std::nullopt, 1, false, true},
      {QStringList{":comment", "", "A,irc.a.jp,6667,1", ":x", "B,irc.b.jp,6660,10"}, 2, false,
       false},
      {QStringList{"A,irc.a.jp,6667,1", "B,irc.b.jp,6667,1,extra", "C,irc.c.jp,6667,1"}, 1, true,
       false},
      {QStringList{"A,irc.a.jp,0,1"}, 0, true, false},
      {QStringList{"A,irc.a.jp,65530,10"}, 0, true, false},
      {QStringList{"A,irc.a.jp,6667,0"}, 0, true, false},
      {QStringList{"A,bad host,6667,1"}, 0, true, false},
      {QStringList{"A,irc.a.jp, 6667x,1"}, 1, false, false},
  };
  for (const auto &c : cases) {
    const ListRead<IrcServer> read = ReadServerList(c.lines);
    EXPECT_EQ(read.entries.size(), c.entries);
    EXPECT_EQ(read.broken, c.broken);
    EXPECT_EQ(read.missing, c.missing);
  }
  EXPECT_EQ(ReadServerList(std::nullopt).entries.first().host, "irc.ircnet.ne.jp");
  const IrcServer one{"A", "h", 6667, 1}, ten{"B", "h", 6660, 10};
  for (double r : {0.0, 0.5, 0.999999}) EXPECT_EQ(one.portFor(r), 6667);
  EXPECT_EQ(ten.portFor(0.0), 6660);
  EXPECT_EQ(ten.portFor(0.999999), 6669);
  EXPECT_EQ(ten.portText(), "6660～6669");
}

TEST(IrcLists, ChannelLinesTicksAndAutoJoin) {
  const QStringList file = {":チェック状態,チャンネル名称",
                            "1,#one",
                            "True,#two",
                            "False,#three",
                            "true,#four",
                            "0,#five",
                            "True,bad",
                            "True,#x,y",
                            "True,#after"};
  const ListRead<IrcChannelEntry> read = ReadChannelList(file);
  EXPECT_TRUE(read.broken);
  EXPECT_EQ(read.entries, (QList<IrcChannelEntry>{{true, "#one"},
                                                  {true, "#two"},
                                                  {false, "#three"},
                                                  {true, "#four"},
                                                  {false, "#five"},
                                                  {true, "bad"}}));
  EXPECT_EQ(ChannelListLines(read.entries).mid(0, 2),
            (QStringList{":チェック状態,チャンネル名称", "True,#one"}));
  // Only the exact "True" and valid names join by themselves.
  EXPECT_EQ(AutoJoinChannels(file), (QStringList{"#two", "#after"}));
  EXPECT_EQ(ReadChannelList(std::nullopt).entries, (QList<IrcChannelEntry>{{true, "#Talvora"}}));
}

TEST(DccOfferLimiter, OnePerSenderInTenSecondsTenPerMinute) {
  DccOfferLimiter limiter;
  const struct {
    const char *sender;
    qint64 at;
    bool admitted;
  } steps[] = {
      {"a", 0, true},     {"a", 9999, false},  {"a", 10000, true}, {"b", 10000, true},
      {"c", 11000, true}, {"d", 11000, true},  {"e", 11000, true}, {"f", 11000, true},
      {"g", 11000, true}, {"h", 11000, true},  {"i", 12000, true}, {"j", 12000, false},
      {"j", 60000, true}, {"k", 60000, false},
  };
  for (const auto &s : steps)
    EXPECT_EQ(limiter.admit(s.sender, s.at), s.admitted) << s.sender << s.at;
  EXPECT_EQ(limiter.takeRefused(), 3);
  EXPECT_EQ(limiter.refused(), 0);
}

}  // namespace
