// The participant tools end to end: two or three main windows with their engines on
// one fake network, driven through the widgets a user touches.
#include "WindowSessionSupport.h"
#include "app/FrmBoxINP.h"
#include "common/TestSupport.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <deque>

using namespace tv;

namespace {

using test::Pc;

// A host "alice" and members "bob", "carol", ... each in its own window.
struct Windows {
  explicit Windows(int members) : net({}, shared.filePath(QStringLiteral("platform.ini"))) {
    const QString audio = shared.filePath(QStringLiteral("platform.ini"));
    const QStringList names = {QStringLiteral("alice"), QStringLiteral("bob"),
                               QStringLiteral("carol")};
    for (int i = 0; i <= members; ++i) {
      Pc &pc = pcs.emplace_back(net, audio);
      pc.window.resize(900, 600);
      EXPECT_TRUE(i == 0 ? pc.engine.EvHOST(names[i], 1, 1)
                         : pc.engine.EvJOIN(names[i], QStringLiteral("127.0.0.1"), 1));
      EXPECT_TRUE(test::waitFor([&] { return pc.voiceTab(); }));
    }
    EXPECT_TRUE(test::waitFor([&] {
      for (Pc &pc : pcs)
        if (pc.window.lstUSER()->topLevelItemCount() != int(pcs.size())) return false;
      return true;
    }));
  }
  quint32 id(size_t i) { return pcs[i].engine.OwnPlayerId(); }
  QAction *entry(size_t i, const char *name) {
    return pcs[i].window.fraVOICE()->action(QString::fromLatin1(name));
  }
  QString count(size_t i) { return pcs[i].window.fraVOICE()->lblUserNum()->text(); }

  QTemporaryDir shared;
  peer::FakeNetwork net;
  std::deque<Pc> pcs;
};

TEST(WindowParticipants, ColourAndTeamChosenInOneWindowShowInTheOthers) {
  Windows w(1);
  Pc &host = w.pcs[0], &bob = w.pcs[1];
  bob.window.fraVOICE()->cboMyColor()->setCurrentIndex(0);
  QTest::keyClick(bob.window.fraVOICE()->cboMyColor(), Qt::Key_Down);
  const std::uint32_t colour = mainwindow::ColourValue(1);
  EXPECT_EQ(bob.window.lstUSER()->UserColor(w.id(1)), colour);
  EXPECT_TRUE(test::waitFor([&] { return host.window.lstUSER()->UserColor(w.id(1)) == colour; }));

  QTest::keyClick(host.window.fraVOICE()->cboMyTeam(), Qt::Key_Down);
  EXPECT_EQ(host.window.lstUSER()->CellText(w.id(0), 2), QStringLiteral("１"));
  EXPECT_TRUE(test::waitFor(
      [&] { return bob.window.lstUSER()->CellText(w.id(0), 2) == QStringLiteral("１"); }));
}

TEST(WindowParticipants, LimitThroughTheInputBoxReachesEveryLabel) {
  Windows w(1);
  Pc &host = w.pcs[0];
  w.entry(0, "btnLimitPlus")->trigger();
  app::FrmBoxINP *box = host.window.IBOXLimit();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->txtINPUT()->text(), QStringLiteral("8"));
  box->txtINPUT()->setText(QStringLiteral("２"));
  QTest::mouseClick(box->btnOK(), Qt::LeftButton);
  EXPECT_TRUE(host.log().contains(QStringLiteral("人数制限を2人にしました。")));
  for (size_t i : {0, 1})
    EXPECT_TRUE(test::waitFor([&] { return w.count(i) == QStringLiteral("2人参加／2人制限"); }))
        << w.count(i).toStdString();

  w.entry(0, "btnLimitMinus")->trigger();
  EXPECT_TRUE(host.log().contains(QStringLiteral("人数制限を無制限にしました。")));
  for (size_t i : {0, 1})
    EXPECT_TRUE(test::waitFor([&] {
      return w.count(i) == QStringLiteral("2人参加／人数制限無し");
    })) << w.count(i).toStdString();
}

TEST(WindowParticipants, KickFromTheMenuAndLookupByDoubleClick) {
  Windows w(2);
  Pc &host = w.pcs[0], &bob = w.pcs[1], &carol = w.pcs[2];

  // carol looks the host up.
  mainwindow::ParticipantList *list = carol.window.lstUSER();
  list->SelectUser(w.id(0));
  Q_EMIT list->itemDoubleClicked(list->currentItem(), 0);
  EXPECT_TRUE(carol.log().contains(QStringLiteral("aliceさんの身元調査開始")));
  EXPECT_TRUE(carol.log().contains(QStringLiteral("   <Address> 127.0.0.1")));
  EXPECT_TRUE(carol.log().contains(QStringLiteral("aliceさんの身元調査完了")));

  // The host kicks bob: bob's session ends, the others lose his row.
  host.window.lstUSER()->SelectUser(w.id(1));
  w.entry(0, "btnKICK")->trigger();
  EXPECT_TRUE(test::waitFor([&] { return bob.engine.SessionState() == 0; }));
  EXPECT_FALSE(bob.voiceTab());
  EXPECT_TRUE(test::waitFor([&] { return !host.window.HasParticipantRow(w.id(1)); }));
  EXPECT_TRUE(test::waitFor([&] { return !carol.window.HasParticipantRow(w.id(1)); }));
  EXPECT_EQ(carol.engine.SessionState(), 3);
}

}  // namespace
