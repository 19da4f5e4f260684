// A running session: host migration, leaving and being removed, renames, the end of the
// session by the platform, the latency column and the voice results.
#include "common/TestSupport.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace tv::session::test {
namespace {

using namespace tv::peer;

TEST(SessionMembers, WhenTheHostLeavesExactlyOneMemberBecomesHostAndAppliesTeams) {
  TestSession s(2);
  const quint32 host = s.id(0), m1 = s.id(1), m2 = s.id(2);
  const std::array<quint32, 4> teams = {s[1].engine.TeamGroupId(1), s[1].engine.TeamGroupId(2),
                                        s[1].engine.TeamGroupId(3), s[1].engine.TeamGroupId(4)};
  EXPECT_EQ(teams[1], s[0].engine.TeamGroupId(2)) << "every member numbers the groups alike";

  s[0].engine.EndVoiceChat();
  EXPECT_EQ(s[0].engine.SessionState(), SessionEngine::kIdle);
  ASSERT_TRUE(waitUntil([&] {
    return s[1].window.hasInfo(QStringLiteral("ホストの移行が発生しました。")) &&
           s[2].window.hasInfo(QStringLiteral("ホストの移行が発生しました。"));
  }));
  // The oldest member takes over; the other follows it.
  EXPECT_EQ(s[1].engine.SessionState(), SessionEngine::kHost);
  EXPECT_EQ(s[2].engine.SessionState(), SessionEngine::kMember);
  EXPECT_TRUE(
      s[1].window.hasChat(QStringLiteral("＜ホストの移行＞このパソコンがホストになりました。")));
  EXPECT_TRUE(s[2].window.hasChat(QStringLiteral("＜ホストの移行＞m1さんがホストになりました。")));
  EXPECT_TRUE(
      s[1].window.infoLines().contains(QStringLiteral("移行|ホストの移行が発生しました。")));
  for (size_t i : {1, 2}) {
    EXPECT_EQ(s[i].window.rows.value(m1).text, QStringLiteral("@m1"));
    EXPECT_FALSE(s[i].window.rows.contains(host));
    EXPECT_TRUE(s[i].window.hasChat(QStringLiteral("hostさんが情報通信を切断しました。")));
    for (int team = 1; team <= 4; ++team) EXPECT_EQ(s[i].engine.TeamGroupId(team), teams[team - 1]);
  }

  // The new host applies a member's team choice; the groups kept their IDs.
  s[2].engine.SendSessionMessage(2, false, true, {}, 2, 0);
  ASSERT_TRUE(waitUntil([&] { return s[1].window.rows.value(m2).team == 2; }));
  EXPECT_TRUE(waitUntil([&] { return inGroup(s[1], teams[1], m2); }));
}

TEST(SessionMembers, TheMemberCountIsRefreshedWhenAMemberLeaves) {
  TestSession s(2);
  QList<int> shown;  // what the host's count label would show at each refresh
  s[0].window.onUpdateUserCount = [&] { shown << s[0].engine.MemberCounts().current; };
  s[2].engine.EndVoiceChat();
  ASSERT_TRUE(waitUntil(
      [&] { return s[0].window.hasChat(QStringLiteral("m2さんが情報通信を切断しました。")); }));
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_EQ(shown.last(), 2);
}

TEST(SessionMembers, TheEndOfTheSessionIsReportedAndReleasesWithOrWithoutTheVoiceTab) {
  struct Case {
    Result code;
    bool voiceTab;
    QStringList lines;
  } cases[] = {
      {DPNERR_HOSTTERMINATEDSESSION,
       true,
       {QStringLiteral("停止|ホストの人が「ホストの移行を行わない」設定で強制的に終了しました。"),
        QStringLiteral("停止|今回の参加者全てが強制的に接続解除されました。")}},
      {DPNERR_CONNECTIONLOST,
       true,
       {QStringLiteral("停止|原因不明の接続解除が発生しました。"),
        QStringLiteral("停止|ホストのパソコンに緊急事態が生じた可能性があります。"),
        QStringLiteral("停止|今回の参加者全てが強制的に接続解除されました。")}},
      // Before the voice client connected: no tab to remove, released all the same.
      {DPNERR_HOSTTERMINATEDSESSION,
       false,
       {QStringLiteral("停止|ホストの人が「ホストの移行を行わない」設定で強制的に終了しました。"),
        QStringLiteral("停止|今回の参加者全てが強制的に接続解除されました。")}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(formatResult(c.code).toStdString() + (c.voiceTab ? " tab" : " no tab"));
    TestNetwork network;
    Pc pc(network);
    if (c.voiceTab)
      ASSERT_TRUE(pc.host());
    else
      ASSERT_TRUE(pc.engine.EvJOIN(QStringLiteral("m"), QStringLiteral("127.0.0.1"), 1));
    const qsizetype before = pc.window.info.size();
    pc.engine.DirectPlay8Event_TerminateSession(c.code);
    const QStringList lines = pc.window.infoLines(before);
    EXPECT_EQ(lines.mid(0, c.lines.size()), c.lines);
    EXPECT_EQ(pc.window.calls.contains(QStringLiteral("RemoveTab VOICE")), c.voiceTab);
    EXPECT_EQ(lines.last(), QStringLiteral("停止|DirectX8の解放完了"));
    EXPECT_FALSE(pc.engine.HoldsSession());
  }
}

TEST(SessionMembers, ARenameIsShownOnEveryPcAndKeepsTheHostMark) {
  TestSession s(1);
  const quint32 host = s.id(0), m1 = s.id(1);
  ASSERT_EQ(s[1].engine.PeerObject()->SetPeerInfo({QStringLiteral("新しい名前"), 0}), kOk);
  ASSERT_EQ(s[0].engine.PeerObject()->SetPeerInfo({QStringLiteral("boss"), 0}), kOk);
  const QString renamed = QStringLiteral("m1さんがニックネームを新しい名前に変更しました。");
  const QString hostRenamed = QStringLiteral("hostさんがニックネームをbossに変更しました。");
  ASSERT_TRUE(waitUntil([&] {
    return s[0].window.hasChat(renamed) && s[1].window.hasChat(renamed) &&
           s[0].window.hasChat(hostRenamed) && s[1].window.hasChat(hostRenamed);
  }));
  for (size_t i : {0, 1}) {
    EXPECT_EQ(s[i].window.rows.value(m1).text, QStringLiteral("新しい名前"));
    EXPECT_EQ(s[i].window.rows.value(host).text, QStringLiteral("@boss"));
  }
  EXPECT_EQ(s[1].engine.OwnNickname(), QStringLiteral("新しい名前"));
  EXPECT_EQ(s[0].engine.OwnNickname(), QStringLiteral("boss"));

  // Other notifications and unknown players change nothing.
  const qsizetype lines = s[0].window.chat.size();
  s[0].engine.DirectPlay8Event_InfoNotify(0xFFFF0011, m1);
  s[0].engine.DirectPlay8Event_InfoNotify(kMsgPeerInfoChanged, 9999);
  EXPECT_EQ(s[0].window.chat.size(), lines);
}

TEST(SessionMembers, TheLatencyTickFillsThePingColumnOfTheOthersOnly) {
  TestSession s(1);
  s[0].engine.timPING_Timer();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ms$"))
                  .match(s[0].window.rows.value(s.id(1)).ping)
                  .hasMatch())
      << s[0].window.rows.value(s.id(1)).ping.toStdString();
  EXPECT_EQ(s[0].window.rows.value(s.id(0)).ping, QStringLiteral("－"));
}

TEST(SessionMembers, VoiceResultsThatEndTheSession) {
  const QString abandoned =
      QStringLiteral("ERR|　　<エラー後の処理> 音声チャットの起動を中止します。");
  struct Case {
    const char *what;
    std::function<void(SessionEngine &)> deliver;
    QStringList lines;
  } cases[] = {
      {"connect result",
       [](SessionEngine &e) { e.DirectPlayVoiceEvent8_ConnectResult(DVERR_SESSIONLOST); },
       {QStringLiteral("ERR|音声通信システムへの接続に失敗しました。"),
        QStringLiteral("ERR|　　<エラー番号　　> 0x80150A08"), abandoned}},
      {"disconnect result",
       [](SessionEngine &e) { e.DirectPlayVoiceEvent8_DisconnectResult(DVERR_NOTCONNECTED); },
       {QStringLiteral("ERR|音声通信の切断に失敗しました。"),
        QStringLiteral("ERR|　　<エラー番号　　> 0x80150A02"),
        QStringLiteral("ERR|　　<エラー後の処理> 音声チャット機能を全て解放します。")}},
      {"connect aborted",
       [](SessionEngine &e) { e.DirectPlay8Event_IndicatedConnectAborted(); },
       {QStringLiteral("ERR|ホストへの接続は完了しましたが、セッションに参加できませんでした。")}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TestNetwork network;
    Pc pc(network);
    ASSERT_TRUE(pc.host());
    const qsizetype before = pc.window.info.size();
    c.deliver(pc.engine);
    const QStringList lines = pc.window.infoLines(before);
    EXPECT_EQ(lines.mid(0, c.lines.size()), c.lines);
    EXPECT_EQ(lines.last(), QStringLiteral("停止|DirectX8の解放完了"));
    EXPECT_FALSE(pc.engine.HoldsSession());
  }
}

TEST(SessionMembers, ASuccessfulVoiceDisconnectionClosesThePeer) {
  TestSession s(1);
  const qsizetype before = s[1].window.info.size();
  s[1].engine.DirectPlayVoiceEvent8_DisconnectResult(kOk);
  EXPECT_EQ(s[1].window.infoLines(before),
            QStringList({QStringLiteral("停止|音声通信の切断完了"),
                         QStringLiteral("停止|ピアをクローズします。")}));
  EXPECT_TRUE(waitUntil([&] { return !s[0].window.rows.contains(s.id(1)); }));
}

TEST(SessionMembers, VoiceClientFailuresAbandonTheStart) {
  const QString abandoned =
      QStringLiteral("ERR|　　<エラー後の処理> 音声チャットの起動を中止します。");
  // A session whose host runs no voice session: the host refuses the voice client
  // once it has held the request long enough.
  {
    PeerConfig config;
    config.voiceJoinHoldMs = 200;
    TestNetwork network(config);
    std::unique_ptr<Peer> host = network.net->CreatePeer();
    host->RegisterMessageHandler();
    host->SetPeerInfo({QStringLiteral("raw"), 0});
    ApplicationDesc desc;
    desc.applicationGuid = SessionEngine::ApplicationGuid();
    desc.maxPlayers = 8;
    desc.sessionName = QStringLiteral("Talvora3.0.3.raw");
    ASSERT_EQ(host->Host(desc, Address()), kOk);
    Pc member(network);
    ASSERT_TRUE(member.engine.EvJOIN(QStringLiteral("m"), QStringLiteral("127.0.0.1"), 1));
    ASSERT_TRUE(waitUntil([&] { return !member.engine.HoldsSession(); }));
    const QStringList lines = member.window.infoLines();
    const qsizetype at =
        lines.indexOf(QStringLiteral("ERR|音声通信システムへの接続に失敗しました。"));
    ASSERT_GE(at, 0);
    EXPECT_TRUE(lines[at + 1].startsWith(QStringLiteral("ERR|　　<エラー番号　　> 0x8015")));
    EXPECT_EQ(lines[at + 2], abandoned);
    EXPECT_FALSE(member.window.HasTab(QStringLiteral("VOICE")));
  }
  // The voice client refuses at once: a peer that is in no session.
  {
    TestNetwork network;
    Pc member(network);
    ASSERT_TRUE(member.engine.EvJOIN(QStringLiteral("m"), QStringLiteral("127.0.0.1"), 1));
    member.engine.StopHostSearch();
    const qsizetype before = member.window.info.size();
    member.engine.DirectPlay8Event_ConnectComplete(kOk);
    const QStringList lines = member.window.infoLines(before);
    EXPECT_EQ(lines.mid(0, 9),
              QStringList({QStringLiteral("起動|参加に成功しました。"),
                           QStringLiteral("起動|音声クライアント設定開始"),
                           QStringLiteral("起動|音声クライアント初期化完了"),
                           QStringLiteral("起動|音声(録音/再生)機能設定完了"),
                           QStringLiteral("ERR|DirectX8 音声クライアントの接続失敗"),
                           QStringLiteral("ERR|　　<エラー番号　　> 0x80150A02"),
                           QStringLiteral("ERR|　　<エラーの説明　> ") +
                               resultDescription(DVERR_NOTCONNECTED),
                           QStringLiteral("ERR|　　<エラーの説明　> "
                                          "マイクを接続して音声テストを行ってみてください。"),
                           abandoned}));
    EXPECT_EQ(lines.last(), QStringLiteral("停止|DirectX8の解放完了"));
    EXPECT_FALSE(member.engine.HoldsSession());
  }
  // The audio set-up cannot be recorded: an unexpected failure of the hosting step.
  {
    TestNetwork network;
    tv::test::writeBytes(network.dir.filePath(QStringLiteral("file")), "x");
    const QString blocked = network.dir.filePath(QStringLiteral("file/platform.ini"));
    FakeNetwork net(PeerConfig{}, blocked);
    network.audioSetupPath = blocked;
    Pc pc(network, &net);
    EXPECT_FALSE(pc.engine.EvHOST(QStringLiteral("h"), 1, 1));
    const QStringList lines = pc.window.infoLines();
    const qsizetype at = lines.indexOf(QStringLiteral("ERR|音声チームの生成に失敗しました"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines[at + 1], QStringLiteral("ERR|　　<エラー番号　　> 0x80000008"));
    EXPECT_FALSE(pc.engine.HoldsSession());
  }
}

}  // namespace
}  // namespace tv::session::test
