// The handling of server lines without widgets: one table of lines and the changes
// they make, lines captured from ngircd, and the limits.

#include "RecordingSink.h"
#include "common/TestSupport.h"
#include "irc/IrcHandler.h"
#include "irc/OutgoingText.h"
#include "ircsock/Iso2022JpDecoder.h"

#include <gtest/gtest.h>

using tv::irc::IrcHandler;
using tv::test::RecordingSink;

namespace {

// A registered pane "me" with channel #c (entries "@me", "+bob", "carol") shown.
struct Pane {
  explicit Pane(bool withChannel = true, QStringList autoJoin = {},
                const QString &nick = QStringLiteral("me")) {
    h.reset();
    h.beginConnect(nick, QStringLiteral("irc.test"), QStringLiteral("6667"), autoJoin);
    if (withChannel)
      feed({":me!u@h JOIN :#c", ":s 353 me = #c :@me +bob carol", ":s 366 me #c :End"});
    sink.events.clear();
    sink.sent.clear();
  }
  void feed(const QStringList &lines) {
    for (const QString &line : lines) h.handleLine(line);
  }
  QStringList entries(int slot) const {
    QStringList out;
    for (const auto &u : h.slot(slot).users) out.append(u.entry);
    return out;
  }

  RecordingSink sink;
  qint64 now = 100000;
  IrcHandler h{sink, {QStringLiteral("Full Name"), [this] { return now; }}};
};

struct Row {
  const char *line;
  QStringList expected;
};

const QString kOpened = QStringLiteral("チャンネルを開きました。");

TEST(IrcHandler, EachServerLineMakesItsChanges) {
  const std::vector<Row> rows = {
      {":bob!u@h PRIVMSG #c :hello", {"line 0 <bob> hello"}},
      {"@time=x :bob!u@h PRIVMSG #c :tagged", {"line 0 <bob> tagged"}},
      {":bob!u@h  PRIVMSG   #c   :a  b", {"line 0 <bob> a  b"}},
      {"PING :irc.test", {"send PONG irc.test"}},
      {":irc.test", {}},
      {":dave!u@h JOIN :#c", {"user+ 0 3 1", "line 0 daveさんが来ました。"}},
      {":me!u@h JOIN #d", {"open 1", "line 1 " + kOpened}},
      {":me!u@h JOIN :#c", {}},
      {":carol!u@h PART #c :see you",
       {"user- 0 2", "line 0 carolさんがチャンネルから去りました。(see you)"}},
      {":carol!u@h PART #c :", {"user- 0 2", "line 0 carolさんがチャンネルから去りました。"}},
      {":zed!u@h PART #c", {}},
      {":me!u@h PART #c",
       {"user- 0 0", "line 0 meさんがチャンネルから去りました。", "tab- 0", "cur -1 -1",
        "event HideMe", "close 0 #c", "trim 0"}},
      {":bob!u@h QUIT :\"gone\"", {"user- 0 1", "line 0 bobさんがIRCから去りました。(\"gone\")"}},
      {":bob!u@h QUIT :", {"user- 0 1", "line 0 bobさんがIRCから去りました。"}},
      {":bob!u@h TOPIC #c :new topic", {"topic 0", "line 0 <bob> <TOPIC更新>new topic"}},
      {":bob!u@h KICK #c carol :spam",
       {"user- 0 2", "line 0 追放が実行されました", "line 0    <追放した人　> bob",
        "line 0    <追放された人> carol", "line 0    <追放理由　　> spam"}},
      {":bob!u@h KICK #c me :bye",
       {"sys KICK #cから追放されました", "sys KICK    <追放した人　> bob",
        "sys KICK    <追放された人> me", "sys KICK    <追放理由　　> bye", "tab- 0", "cur -1 -1",
        "event HideMe", "close 0 #c", "trim 0"}},
      {":bob!u@h NICK :robert",
       {"user~ 0 1", "line 0 bobさんがニックネームをrobertに変更しました。"}},
      {":me!u@h NICK :mine",
       {"user~ 0 0", "line 0 meさんがニックネームをmineに変更しました。", "nick mine"}},
      {":me!u@h MODE #c +o carol",
       {"user~ 0 2", "line 0 meさんがcarolさんをチャンネル管理者に任命しました。"}},
      {":me!u@h MODE #c +oo bob carol",
       {"user~ 0 1", "line 0 meさんがbobさんをチャンネル管理者に任命しました。", "user~ 0 2",
        "line 0 meさんがcarolさんをチャンネル管理者に任命しました。"}},
      {":me!u@h MODE #c +ov carol bob",
       {"user~ 0 2", "line 0 meさんがcarolさんをチャンネル管理者に任命しました。"}},
      {":me!u@h MODE #c +lko 10 key carol",
       {"user~ 0 2", "line 0 meさんがcarolさんをチャンネル管理者に任命しました。"}},
      {":me!u@h MODE #c -lo me",
       {"user~ 0 0", "line 0 meさんがmeさんのチャンネル管理者権限を剥奪しました。"}},
      {":me!u@h MODE #x +o carol", {}},
      {":me!u@h MODE me :+i", {"sys MODE meさんのUser Mode +iは受理されました。"}},
      {":s 331 me #c :No topic", {"line 0 このチャンネルにはトピックが設定されていません。"}},
      {":s 331 me #x :No topic", {}},
      {":s 332 me #c :the topic", {"topic 0"}},
      {":s 482 me #c :not op", {"line 0 meさんはチャンネル管理者ではありません。"}},
      {":s 372 me :- motd", {"sys 372 - motd"}},
      {":s 254 me 3 :channels formed", {"sys 254 3 channels formed"}},
      {":s 391 me irc.test :Tuesday", {"sys 391 Tuesday"}},
      {":s 001 me :Welcome", {"sys 001 me :Welcome"}},
      {":s NOTICE me :hi", {"sys NOTICE <>me :hi"}},
      {":s 311 me bob ~bob host.jp * :Bob Real",
       {"line 0    [ニックネーム] bob", "line 0    [ユーザ名　　] ~bob",
        "line 0    [アドレス　　] host.jp", "line 0    [本名　　　　] Bob Real"}},
      {":s 312 me bob irc.test :Test server",
       {"line 0    [接続サーバ名] irc.test", "line 0    [サーバ情報　] Test server"}},
      {":s 317 me bob 35 1796707383 :idle", {"line 0    [アイドル時間] 35秒"}},
      {":s 318 me bob :End", {"line 0 bobさんの身元調査完了"}},
      {":s 319 me bob :#c #d", {"line 0    [参加チャンネル ] #c #d"}},
      {":s 311 me",
       {"line 0    [ニックネーム] ", "line 0    [ユーザ名　　] ", "line 0    [アドレス　　] ",
        "line 0    [本名　　　　] "}},
      {":s 353", {}},
      {":s 433 me other :in use", {"line 0 NickNameは既に他のユーザが使用中でした。"}},
      {":bob!u@h PRIVMSG me :\x01"
       "DCC SEND f.txt 2130706433 5000 1234\x01",
       {"dcc bob f.txt 2130706433 5000 1234"}},
      {":bob!u@h PRIVMSG me :\x01"
       "DCC SEND f.txt 1 2\x01",
       {}},
      {":bob!u@h PRIVMSG me :\x01"
       "DCC SEND f.txt 2130706433 5000 1234",
       {}},
      {":bob!u@h PRIVMSG #c :\x01"
       "ACTION waves\x01",
       {}},
      {":bob!u@h PRIVMSG me :psst",
       {"open 1", "line 1 " + kOpened, "user+ 1 0 1", "user+ 1 1 1", "tab+ 1 1 bob", "cur 1 1",
        "event RefreshMe", "line 1 <bob> psst"}},
      {":bob!u@h PRIVMSG #new :hi",
       {"open 1", "line 1 " + kOpened, "user+ 1 0 1", "user+ 1 1 1", "tab+ 1 1 #new", "cur 1 1",
        "event RefreshMe", "line 1 <bob> hi"}},
      {":irc.test PRIVMSG me :notice", {"sys PRIVMSG <irc.test>notice"}},
  };
  for (const Row &row : rows) {
    Pane p;
    p.feed({QString::fromUtf8(row.line)});
    EXPECT_EQ(p.sink.events, row.expected) << row.line;
  }
}

TEST(IrcHandler, EntriesKeepTheirMarksAndCompareWithoutThem) {
  Pane p;
  p.feed({":bob!u@h NICK :robert", ":me!u@h MODE #c +ov carol robert", ":me!u@h MODE #c -o me",
          ":robert!u@h PRIVMSG me :hi"});
  // A voiced entry is found under its name and keeps its "+"; +v changes nothing.
  EXPECT_EQ(p.entries(0), (QStringList{"me", "+robert", "@carol"}));
  EXPECT_EQ(p.entries(1), (QStringList{"me", "robert"}));
  p.feed({":robert!u@h QUIT :bye"});
  EXPECT_EQ(p.entries(0), (QStringList{"me", "@carol"}));
  EXPECT_EQ(p.entries(1), (QStringList{"me"}));
}

TEST(IrcHandler, ServerCapturedSession) {
  Pane p(false, {"#Talvora", "#third"}, "alice");
  p.h.connected();
  EXPECT_EQ(p.sink.sent, (QStringList{"NICK alice", "USER alice 8 * :Full Name"}));
  p.sink.sent.clear();
  const QByteArray raw =
      tv::test::readBytes(tv::test::sourceFolder() + "/tests/irc/data/ngircd-session.txt");
  const QStringList lines = tv::ircsock::decodeIso2022JpLines(raw);
  ASSERT_GT(lines.size(), 150);
  p.feed(lines);

  // The welcome's +i, then each channel of the list once the last one's names came.
  EXPECT_EQ(p.sink.sent.mid(0, 3),
            (QStringList{"MODE alice +i", "JOIN :#Talvora", "JOIN :#third"}));
  for (const QString &line : p.sink.sent)
    EXPECT_TRUE(line.startsWith("MODE alice +i") || line.startsWith("JOIN :"))
        << line.toStdString();
  EXPECT_EQ(p.h.nickname(), "alice2");
  // #third was left and joined again: its two 353 lines make one list.
  const int third = p.h.findSlot("#third");
  ASSERT_GE(third, 0);
  // 61 names; member03xyz quit since, and the own entry follows the own NICK.
  EXPECT_EQ(p.h.slot(third).users.size(), 60);
  EXPECT_EQ(p.h.slot(third).users.first().entry, "alice2");
  // Kicked from #Talvora and left #second: both closed; the private talk stays.
  EXPECT_EQ(p.h.findSlot("#Talvora"), -1);
  EXPECT_EQ(p.h.findSlot("#second"), -1);
  const int talk = p.h.findSlot("member00xyz");
  ASSERT_GE(talk, 0);
  EXPECT_TRUE(p.sink.events.contains(QString("line %1 <member00xyz> hello privately").arg(talk)));
  EXPECT_EQ(p.sink.events.filter("<member00xyz> こんにちは http://example.jp/ ok").size(), 1);
  const QStringList reports = p.sink.only({"sys MODE", "sys KICK", "dcc", "sys ERROR"});
  EXPECT_TRUE(reports.contains("sys MODE alice2さんのUser Mode +iは受理されました。"));
  EXPECT_TRUE(reports.contains("sys KICK #Talvoraから追放されました"));
  EXPECT_TRUE(reports.contains("dcc member11xyz file.txt 2130706433 5000 1234"));
  EXPECT_TRUE(reports.contains("sys ERROR <>:\"leaving\""));
}

TEST(IrcHandler, NicknameTroubleEndsOnlyWhileRegistering) {
  const QStringList ended = {"sys ERR NickNameは既に他のユーザが使用中でした。",
                             "sys ERR IRCのニックネームを変更して再度接続してください。",
                             "sys ERR TCP/IPを解放しました。", "disconnect", "event RemoveMe"};
  Pane registering(false);
  registering.feed(tv::ircsock::decodeIso2022JpLines(
      tv::test::readBytes(tv::test::sourceFolder() + "/tests/irc/data/ngircd-nick-in-use.txt")));
  EXPECT_EQ(registering.sink.events, ended);
  EXPECT_TRUE(registering.h.stopped());
  registering.h.handleLine(":bob!u@h PRIVMSG me :late");
  EXPECT_EQ(registering.sink.events, ended);

  Pane collided(false);
  collided.h.handleLine(":s 436 me :collision");
  EXPECT_EQ(collided.sink.events.first(),
            "sys ERR 「me」というニックネームをIRCサーバが登録しようとしたところ、");
  EXPECT_EQ(collided.sink.events.last(), "event RemoveMe");
}

TEST(IrcHandler, AutoJoinGoesOnAfterNamesAndAfterRefusals) {
  Pane p(false, {"#a", "#b", "#c"});
  p.feed({":s 376 me :End of MOTD"});
  EXPECT_EQ(p.sink.sent, (QStringList{"MODE me +i", "JOIN :#a"}));
  p.feed({":me!u@h JOIN :#a", ":s 366 me #a :End"});
  EXPECT_EQ(p.sink.sent.last(), "JOIN :#b");
  p.feed({":s 474 me #b :Cannot join channel (+b)"});
  EXPECT_EQ(p.sink.sent.last(), "JOIN :#c");
  p.feed({":s 474 me #b :again", ":s 366 me #zzz :End"});
  EXPECT_EQ(p.sink.sent.size(), 4);
}

TEST(IrcHandler, OutgoingChatIsCleanedSplitAndShownOnce) {
  Pane p;
  const QString text =
      QString::fromUtf16(u"あ\r\nい\0う", 6) + QString(300, QChar(u'漢')) + QString(200, 'x');
  ASSERT_TRUE(p.h.sendToCurrent(text));
  const QStringList shown = p.sink.only({"line"});
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith("line 0 >me< あ  い う漢"));
  QString joined;
  for (const QString &line : p.sink.sent) {
    ASSERT_TRUE(line.startsWith("PRIVMSG #c :"));
    EXPECT_LE(tv::irc::encodedLength(line.mid(12)), 400);
    joined += line.mid(12);
  }
  EXPECT_GE(p.sink.sent.size(), 2);
  EXPECT_EQ(joined, shown[0].mid(QString("line 0 >me< ").size()));

  p.sink.events.clear();
  EXPECT_FALSE(p.h.sendPrivately("x", {}));
  EXPECT_EQ(p.sink.events,
            (QStringList{"line 0 密談送信エラー",
                         "line 0 　　<エラーの説明　> ユーザが選択されていません。"}));
  EXPECT_TRUE(p.h.sendPrivately("psst", {"+bob"}));
  EXPECT_EQ(p.sink.sent.last(), "PRIVMSG bob :psst");
  EXPECT_TRUE(p.sink.events.contains("line 1 >me< psst"));
}

TEST(IrcHandler, LimitsHoldAgainstFloods) {
  Pane p;
  p.sink.keep = false;
  // Private messages from hundreds of nicknames: 100 slots, one report.
  for (int i = 0; i < 300; ++i) p.h.handleLine(QString(":n%1!u@h PRIVMSG me :hi").arg(i));
  EXPECT_EQ(p.h.slotCount(), IrcHandler::kMaxSlots);
  // A name list past the limit: cut there, one report.
  QString names;
  for (int i = 0; i < 2000; ++i) names += QString(" u%1").arg(i);
  for (int i = 0; i < IrcHandler::kMaxUsers / 2000 + 2; ++i)
    p.h.handleLine(":s 353 me = #c :" + names);
  EXPECT_EQ(p.h.slot(0).users.size(), IrcHandler::kMaxUsers);
  // A PING flood gets one answer per pacing interval.
  p.sink.sent.clear();
  for (int i = 0; i < 1000; ++i) p.h.handleLine(QString("PING :t%1").arg(i));
  p.now += 2000;
  p.h.handleLine("PING :later");
  EXPECT_EQ(p.sink.sent, (QStringList{"PONG t0", "PONG later"}));
  p.sink.keep = true;
  p.h.handleLine(":s 353 me = #c :more");
  EXPECT_TRUE(p.sink.events.isEmpty());
  // The longest line the decoder passes on is shown whole.
  p.h.handleLine(":bob!u@h PRIVMSG #c :" + QString(16384, QChar(u'長')));
  ASSERT_EQ(p.sink.events.size(), 1);
  EXPECT_EQ(p.sink.events[0].size(), QString("line 0 <bob> ").size() + 16384);
}

TEST(IrcHandler, FileOffersAreLimitedAndCountedOncePerMinute) {
  Pane p;
  p.sink.startAnswer = "受信したファイル送信の申し出が正しい形式ではありません。";
  const auto offer = [&](const QString &from) {
    p.h.handleLine(":" + from +
                   "!u@h PRIVMSG me :\x01"
                   "DCC SEND a.txt 1 2 3\x01");
  };
  offer("a");
  offer("a");  // the same sender within 10 s
  for (int i = 0; i < 12; ++i) offer(QString("s%1").arg(i));
  EXPECT_EQ(p.sink.only({"dcc"}).size(), 10);
  EXPECT_EQ(p.sink.only({"sys DCC"}).size(), 10);  // each failed start says why
  EXPECT_EQ(p.sink.only({"wake"}), QStringList{"wake 60000"});
  p.h.DccLimitReport();
  EXPECT_EQ(p.sink.events.last(),
            "sys DCC ファイル送信の申し出が多すぎるため、4件を受け付けませんでした。");
  p.now += 60000;
  p.sink.startAnswer.clear();
  offer("a");
  EXPECT_EQ(p.sink.events.last().left(5), "dcc a");
}

TEST(IrcHandler, TabsFollowTheirSlots) {
  Pane p;
  p.feed({":me!u@h JOIN #d", ":s 366 me #d :End", ":bob!u@h PRIVMSG me :hi"});
  EXPECT_EQ(p.h.tabs(), (QList<int>{0, 1, 2}));
  p.h.selectTab(1);
  p.sink.events.clear();
  p.h.removeTab(1);  // the shown tab: its left neighbour is shown
  EXPECT_EQ(p.sink.events, (QStringList{"tab- 1", "cur 0 0", "event RefreshMe"}));
  p.sink.events.clear();
  p.h.closeAll();
  EXPECT_EQ(p.sink.only({"event", "trim"}),
            (QStringList{"trim 2", "trim 1", "event HideMe", "trim 0"}));
  // A pane hidden for want of tabs comes back with its next tab.
  p.sink.events.clear();
  p.feed({":me!u@h JOIN #e", ":s 366 me #e :End"});
  EXPECT_TRUE(p.sink.events.contains("event AddMyTab"));
}

TEST(IrcHandler, AFailedSendStopsTheHandling) {
  Pane p;
  p.sink.sendWorks = false;
  EXPECT_FALSE(p.h.sendToCurrent("lost"));
  EXPECT_TRUE(p.h.stopped());
  p.sink.events.clear();
  p.feed({"PING :x", ":bob!u@h PRIVMSG #c :after"});
  EXPECT_TRUE(p.sink.events.isEmpty());
  p.h.closeAll();
  EXPECT_TRUE(p.sink.events.contains("close 0 #c"));
}

}  // namespace
