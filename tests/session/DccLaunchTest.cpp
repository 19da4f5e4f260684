// Starting TvDcc in its four modes, the program-wide limit on receive windows, and an
// offer line handed back by a sending TvDcc travelling to the member it names.

#include "session/FileOfferRelay.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace tv::session::test {
namespace {

TEST(TvDccLauncher, EveryModeStartsWithAnArgumentVector) {
  QList<QStringList> started;
  TvDccLauncher dcc(QStringLiteral("/opt/tv/TvDcc"),
                    [&](const QString &, const QStringList &arguments) {
                      started.append(arguments);
                      return true;
                    });
  const QStringList fields{QStringLiteral("my_file.txt"), QStringLiteral("2130706433"),
                           QStringLiteral("5000"), QStringLiteral("12")};
  EXPECT_EQ(dcc.StartSender(dcc::Mode::Vsend, 1, QStringLiteral("ぼぶ")), QString());
  EXPECT_EQ(dcc.StartSender(dcc::Mode::Isend, 3, QStringLiteral("bob")), QString());
  EXPECT_EQ(dcc.StartReceiver(dcc::Mode::Irec, 3, QStringLiteral("bob"), fields), QString());
  EXPECT_EQ(
      started,
      QList<QStringList>({
          {QStringLiteral("VSEND"), QStringLiteral("1"), QStringLiteral("ぼぶ")},
          {QStringLiteral("ISEND"), QStringLiteral("3"), QStringLiteral("bob")},
          QStringList{QStringLiteral("IREC"), QStringLiteral("3"), QStringLiteral("bob")} + fields,
      }));
  // A nickname that cannot stand as one word starts nothing.
  EXPECT_EQ(dcc.StartSender(dcc::Mode::Vsend, 1, QStringLiteral("bo b")),
            QStringLiteral("送信先のニックネームをTvDccに渡せません。"));
  EXPECT_EQ(dcc.StartReceiver(dcc::Mode::Irec, 3, QStringLiteral("bob"),
                              {QStringLiteral("a\rb"), fields[1], fields[2], fields[3]}),
            QStringLiteral("受信したファイル送信の申し出が正しい形式ではありません。"));
  EXPECT_EQ(started.size(), 3);
}

TEST(TvDccLauncher, AtMostFiveReceiveWindowsInAnyTenSeconds) {
  qint64 now = 0;
  int starts = 0;
  TvDccLauncher dcc(
      QStringLiteral("/opt/tv/TvDcc"),
      [&](const QString &, const QStringList &) {
        ++starts;
        return true;
      },
      [&] { return now; });
  const QString flood = QStringLiteral("短時間に多数のファイル送信の申し出がありました。");
  const QString offer = QStringLiteral("a.txt 2130706433 5000 1");
  // 1,000 offers within ten seconds, from the session and from IRC alike.
  int refused = 0;
  for (int i = 0; i < 1000; ++i) {
    now = i * 10;
    const QString why =
        i % 2 ? dcc.StartReceiver(QStringLiteral("bob"), offer)
              : dcc.StartReceiver(dcc::Mode::Irec, 2, QStringLiteral("bob"), offer.split(u' '));
    if (why == flood) ++refused;
  }
  EXPECT_EQ(starts, 5);
  EXPECT_EQ(refused, 995);
  // Sending is not limited; receiving is again once the first start is ten seconds old.
  EXPECT_EQ(dcc.StartSender(dcc::Mode::Vsend, 1, QStringLiteral("bob")), QString());
  now = 9999;
  EXPECT_EQ(dcc.StartReceiver(QStringLiteral("bob"), offer), flood);
  now = 10000;
  EXPECT_EQ(dcc.StartReceiver(QStringLiteral("bob"), offer), QString());
  EXPECT_EQ(starts, 7);
}

TEST(FileOfferRelay, AnOfferLineReachesOnlyTheMemberItNames) {
  TestSession s(2);
  const FileOfferRelay relay(s[0].engine);
  const QString name = s[2].engine.OwnNickname();
  EXPECT_TRUE(relay.Forward(QStringLiteral("PRIVMSG ") + name +
                            QStringLiteral(" DCC SEND a.txt 2130706433 5000 12")));
  ASSERT_TRUE(flush(s[0], s[2]));
  ASSERT_TRUE(flush(s[0], s[1]));
  ASSERT_EQ(s[2].dccStarts.size(), 1);
  EXPECT_EQ(
      s[2].dccStarts[0].mid(1),
      QStringList({QStringLiteral("VREC"), QStringLiteral("1"), s[2].engine.GetPlayerName(s.id(0)),
                   QStringLiteral("a.txt"), QStringLiteral("2130706433"), QStringLiteral("5000"),
                   QStringLiteral("12")}));
  EXPECT_TRUE(s[1].dccStarts.isEmpty());
  // Nobody of that name (this PC's own name included): nothing is sent, no failure.
  EXPECT_TRUE(relay.Forward(QStringLiteral("PRIVMSG nobody DCC SEND a.txt 1 2 3")));
  EXPECT_TRUE(relay.Forward(QStringLiteral("PRIVMSG ") + s[0].engine.OwnNickname() +
                            QStringLiteral(" DCC SEND a.txt 1 2 3")));
  ASSERT_TRUE(flush(s[0], s[1]));
  EXPECT_TRUE(s[1].dccStarts.isEmpty());
  EXPECT_TRUE(s[0].dccStarts.isEmpty());
  // Without a session the hand-over fails.
  s[0].engine.ReleaseSession();
  EXPECT_FALSE(relay.Forward(QStringLiteral("PRIVMSG nobody DCC SEND a.txt 1 2 3")));
}

}  // namespace
}  // namespace tv::session::test
