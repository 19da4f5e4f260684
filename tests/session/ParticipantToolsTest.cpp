// The participant tools on engines over the fake network: kicking, the member limit,
// the address lookup, the voice destination, the own team and colour, and tools whose
// session ends while they wait.
#include "common/TestSupport.h"
#include "session/ParticipantTools.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <deque>

namespace tv::session::test {
namespace {

using namespace tv::peer;

// A session of the host and `members` members, with the tools of every PC.
struct ToolSession : TestSession {
  explicit ToolSession(int members) : TestSession(members) {
    for (auto &pc : pcs) tools.emplace_back(pc->engine, pc->window, pc->pacer);
  }
  std::deque<ParticipantTools> tools;
};

// A pacer that runs an action at its first wait (the session ends meanwhile).
class InterruptingPacer final : public Pacer {
 public:
  explicit InterruptingPacer(std::function<void()> action) : action_(std::move(action)) {}
  void Pause() override { Wait(); }
  void Pump() override { Wait(); }
  int waits = 0;

 private:
  void Wait() {
    if (waits++ == 0) action_();
    QCoreApplication::processEvents();
  }
  std::function<void()> action_;
};

TEST(ParticipantTools, KickingRemovesTheMemberAndReportsWhatCannotBeDone) {
  ToolSession s(2);
  const quint32 host = s.id(0), m1 = s.id(1), m2 = s.id(2);

  const qsizetype before = s[0].window.chat.size();
  s.tools[0].KickMember(host);
  EXPECT_EQ(s[0].window.chatTexts(before), KickSelfLines());

  // A member cannot kick; nor can anyone kick a player who is not there.
  const struct {
    size_t by;
    quint32 target;
    Result code;
  } failures[] = {
      {1, m2, DPNERR_NOTHOST}, {1, host, DPNERR_NOTHOST}, {0, 999999, DPNERR_INVALIDPLAYER}};
  for (const auto &f : failures) {
    SCOPED_TRACE(f.target);
    const qsizetype from = s[f.by].window.chat.size();
    s.tools[f.by].KickMember(f.target);
    EXPECT_EQ(s[f.by].window.chatTexts(from), KickFailureLines(f.code));
  }
  ASSERT_TRUE(flush(s[0], s[2]));
  EXPECT_EQ(s[2].engine.SessionState(), SessionEngine::kMember);
  EXPECT_EQ(s[0].window.rows.size(), 3);

  // The host kicks m1: m1's own session ends, the others lose its row.
  s.tools[0].KickMember(m1);
  ASSERT_TRUE(waitUntil([&] { return s[1].engine.SessionState() == SessionEngine::kIdle; }));
  EXPECT_FALSE(s[1].engine.HoldsSession());
  EXPECT_TRUE(s[1].window.hasInfo(QStringLiteral("ホストによって音声チャットから外されました。")));
  EXPECT_FALSE(s[2].window.hasInfo(QStringLiteral("ホストによって音声チャットから外されました。")));
  EXPECT_TRUE(waitUntil([&] { return !s[0].window.rows.contains(m1); }));
  EXPECT_TRUE(waitUntil([&] { return !s[2].window.rows.contains(m1); }));
  EXPECT_EQ(s[2].engine.SessionState(), SessionEngine::kMember);
}

TEST(ParticipantTools, MemberLimitIsWrittenOnlyWhenValidAndReachesTheMembers) {
  ToolSession s(2);  // three members
  ParticipantTools &host = s.tools[0];
  const QString same = QStringLiteral("現在と同じ人数制限に再度設定します。");
  auto countsSeen = [&] { return s[1].window.calls.count(QStringLiteral("UpdateUserCount")); };

  const struct {
    const char16_t *text;
    int maximumAfter;
    QStringList lines;
    bool written;
  } steps[] = {
      {u"30000", 30000, {QStringLiteral("人数制限を30000人にしました。")}, true},
      {u"30001", 30000, PlanMemberLimit(QStringLiteral("30001"), 3, 0).lines, false},
      {u"2", 30000, PlanMemberLimit(QStringLiteral("2"), 3, 0).lines, false},
      {u"", 30000, {}, false},
      {u"３０００", 3000, {QStringLiteral("人数制限を3000人にしました。")}, true},
      {u"3000", 3000, {same}, true},
      {u"3", 3, {QStringLiteral("人数制限を3人にしました。")}, true},
  };
  for (const auto &step : steps) {
    const QString text = QString::fromUtf16(step.text);
    SCOPED_TRACE(text.toStdString());
    const qsizetype from = s[0].window.chat.size();
    const qsizetype seen = countsSeen();
    host.SetMemberLimit(text);
    EXPECT_EQ(s[0].window.chatTexts(from), step.lines);
    EXPECT_EQ(s[0].engine.MemberCounts().maximum, step.maximumAfter);
    ASSERT_TRUE(flush(s[0], s[1]));
    // Every written description, the same one again included, reaches the members.
    EXPECT_EQ(countsSeen() > seen, step.written);
    EXPECT_EQ(s[1].engine.MemberCounts().maximum, step.maximumAfter);
  }

  // A member's tools change nothing and say nothing (the box may outlive a host role).
  const qsizetype memberLines = s[1].window.chat.size();
  s.tools[1].SetMemberLimit(QStringLiteral("10"));
  s.tools[1].RemoveMemberLimit();
  EXPECT_EQ(s[1].window.chat.size(), memberLines);
  EXPECT_EQ(s[0].engine.MemberCounts().maximum, 3);

  const qsizetype from = s[0].window.chat.size();
  host.RemoveMemberLimit();
  EXPECT_EQ(s[0].window.chatTexts(from),
            QStringList{QStringLiteral("人数制限を無制限にしました。")});
  EXPECT_TRUE(waitUntil([&] { return s[2].engine.MemberCounts().maximum == 0; }));

  // Without a session the box's answer does nothing.
  s[0].engine.EndVoiceChat();
  ASSERT_TRUE(waitUntil([&] { return !s[0].engine.HoldsSession(); }));
  const qsizetype after = s[0].window.chat.size();
  host.SetMemberLimit(QStringLiteral("abc"));
  host.RemoveMemberLimit();
  EXPECT_EQ(s[0].window.chat.size(), after);
}

TEST(ParticipantTools, LookupShowsAddressAndPort) {
  ToolSession s(1);
  const quint32 host = s.id(0), m1 = s.id(1);
  // What the platform says of the member: 127.0.0.1, or the LAN address the host
  // gives a newcomer, and the member's own port.
  auto found = [](Pc &by, quint32 id, const QString &name) {
    Address a;
    EXPECT_EQ(by.engine.PeerObject()->GetPeerAddress(id, a), kOk);
    EXPECT_FALSE(a.hostname().isEmpty());
    EXPECT_NE(a.port(), 0);
    return QStringList{name + QStringLiteral("さんの身元調査開始"),
                       QStringLiteral("   <Address> ") + a.hostname(),
                       QStringLiteral("   <Port   > ") + QString::number(a.port()),
                       name + QStringLiteral("さんの身元調査完了")};
  };
  const struct {
    size_t by;
    quint32 target;
    QString rowName;
    QStringList lines;
  } cases[] = {
      {0, m1, QStringLiteral("m1"), found(s[0], m1, QStringLiteral("m1"))},
      {1, host, QStringLiteral("host"), found(s[1], host, QStringLiteral("host"))},
      // A member may look itself up; the host looking up itself learns nothing.
      {1, m1, QStringLiteral("m1"), found(s[1], m1, QStringLiteral("m1"))},
      {0, host, QStringLiteral("host"), {QStringLiteral("hostさんの身元調査開始")}},
      // A player who has gone: the failure report and an empty name.
      {0, 999999, QStringLiteral("gone"),
       QStringList{QStringLiteral("goneさんの身元調査開始")} +
           LookupFailureLines(LookupStep::kGetPeerAddress, DPNERR_INVALIDPLAYER) +
           QStringList{QStringLiteral("さんの身元調査完了")}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.rowName.toStdString());
    const qsizetype from = s[c.by].window.chat.size();
    s.tools[c.by].LookUpAddress(c.target, c.rowName, 2);
    EXPECT_EQ(s[c.by].window.chatTexts(from), c.lines);
  }

  const qsizetype from = s[0].window.chat.size();
  s.tools[0].LookUpAddress(m1, QStringLiteral("m1"), 1);
  EXPECT_EQ(s[0].window.chatTexts(from), LookupSingleMemberLines());
}

TEST(ParticipantTools, ToolsStopQuietlyWhenTheSessionEndsWhileTheyWait) {
  ToolSession s(1);
  const quint32 m1 = s.id(1);
  for (const bool restart : {false, true}) {
    SCOPED_TRACE(restart ? "a new session started meanwhile" : "the session ended");
    Pc &pc = s[1];
    if (!pc.engine.HoldsSession()) {
      ASSERT_TRUE(pc.join(QStringLiteral("m1")));
    }
    InterruptingPacer pacer([&] {
      pc.engine.EndVoiceChat();
      if (restart) {
        ASSERT_TRUE(waitUntil([&] { return !pc.engine.HoldsSession(); }));
        ASSERT_TRUE(pc.join(QStringLiteral("m1")));
      }
    });
    ParticipantTools tools(pc.engine, pc.window, pacer);
    const quint32 target = restart ? s.id(0) : m1;
    const qsizetype from = pc.window.chat.size();
    tools.LookUpAddress(target, QStringLiteral("x"), 2);
    EXPECT_EQ(pacer.waits, 1);
    // A new session's view starts empty; the old one kept the first line only.
    if (!restart) {
      EXPECT_EQ(pc.window.chatTexts(from).value(0), QStringLiteral("xさんの身元調査開始"));
    }
    for (const QString &line : pc.window.chatTexts()) {
      EXPECT_FALSE(line.contains(u"<Address>"));
      EXPECT_FALSE(line.endsWith(u"さんの身元調査完了"));
    }
    if (restart) {
      EXPECT_EQ(pc.engine.SessionState(), SessionEngine::kMember);
    }
  }
}

TEST(ParticipantTools, VoiceDestinationIsTheGroupNamedAfterTheTeam) {
  ToolSession s(1);
  VoiceClient *voice = s[1].engine.VoiceClientObject();
  Peer *peer = s[1].engine.PeerObject();
  for (int team = 0; team <= 4; ++team) {
    SCOPED_TRACE(team);
    s.tools[1].ChooseTransmitTeam(team);
    QList<quint32> targets;
    ASSERT_EQ(voice->GetTransmitTargets(targets), kOk);
    ASSERT_EQ(targets.size(), 1);
    if (team == 0) {
      EXPECT_EQ(targets[0], 0u);
      continue;
    }
    GroupInfo group;
    ASSERT_EQ(peer->GetGroupInfo(targets[0], group), kOk);
    EXPECT_EQ(group.name, QStringLiteral("Team%1").arg(team));
    EXPECT_EQ(targets[0], s[1].engine.TeamGroupId(team));
  }
  // A team without a group of that name sends to everyone.
  EXPECT_EQ(s.tools[1].TransmitTargetFor(5), 0u);
  s.tools[1].ChooseTransmitTeam(5);
  QList<quint32> targets;
  voice->GetTransmitTargets(targets);
  EXPECT_EQ(targets, QList<quint32>{0});
}

TEST(ParticipantTools, OwnTeamAndColourReachTheOthers) {
  ToolSession s(1);
  Pc &host = s[0];
  const quint32 hostId = s.id(0), m1 = s.id(1);

  // The host moves itself between the groups; the member's row follows.
  for (const int team : {3, 1, 0}) {
    SCOPED_TRACE(team);
    s.tools[0].ChooseOwnTeam(team);
    EXPECT_EQ(host.window.rows.value(hostId).team, team);
    for (int t = 1; t <= 4; ++t) {
      const quint32 group = host.engine.TeamGroupId(t);
      EXPECT_TRUE(t == team ? inGroup(host, group, hostId) : notInGroup(host, group, hostId)) << t;
    }
    ASSERT_TRUE(flush(host, s[1]));
    EXPECT_EQ(s[1].window.rows.value(hostId).team, team);
  }

  // A member's choice: its own row at once, and on the host its group.
  s.tools[1].ChooseOwnTeam(2);
  EXPECT_EQ(s[1].window.rows.value(m1).team, 2);
  ASSERT_TRUE(flush(s[1], host));
  EXPECT_EQ(host.window.rows.value(m1).team, 2);
  EXPECT_TRUE(waitUntil([&] { return inGroup(host, host.engine.TeamGroupId(2), m1); }));

  s.tools[1].ChooseOwnColour(0x00008000);
  EXPECT_EQ(s[1].window.rows.value(m1).colour, 0x00008000u);
  ASSERT_TRUE(flush(s[1], host));
  EXPECT_EQ(host.window.rows.value(m1).colour, 0x00008000u);
}

}  // namespace
}  // namespace tv::session::test
