// The main window's participant tools: which user action opens which menu, which
// member or entry each handler forwards to the session, nothing without a selected
// member, and the member-limit input box from opening to its answer.
#include "MainWindowTestSupport.h"
#include "app/FrmBoxINP.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

using namespace tv;
using mainwindow::FrmMain;

namespace {

class FrmMainParticipantsTest : public test::MainWindowTest {
 protected:
  // startVoice, as host or member, with the window shown so that rows have places.
  std::unique_ptr<FrmMain> voiceWindow(bool host) {
    auto w = make();
    w->resize(900, 600);
    w->show();
    startVoice(*w);
    session.state = host ? 2 : 3;
    session.counts = {2, 8};
    w->UpdateVoiceButtons();
    return w;
  }
  QAction *entry(const FrmMain &w, const char *name) const {
    return w.fraVOICE()->action(QString::fromLatin1(name));
  }
  QPoint rowCentre(const FrmMain &w, std::uint32_t id) const {
    mainwindow::ParticipantList *list = w.lstUSER();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QTreeWidgetItem *item = list->topLevelItem(i);
      if (item->text(0) == list->RowText(id)) return list->visualItemRect(item).center();
    }
    return {};
  }
};

TEST_F(FrmMainParticipantsTest, MenusOpenFromTheirTriggersOnly) {
  auto w = voiceWindow(true);
  QMenu *users = w->fraVOICE()->btnUserListRoot();
  QMenu *limit = w->fraVOICE()->btnLimitRoot();
  QWidget *rows = w->lstUSER()->viewport();

  QTest::mouseClick(rows, Qt::LeftButton, {}, rowCentre(*w, 2));
  EXPECT_FALSE(users->isVisible());
  QTest::mouseClick(rows, Qt::RightButton, {}, rowCentre(*w, 2));
  EXPECT_TRUE(users->isVisible());
  users->hide();

  for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    QTest::mouseClick(w->fraVOICE()->lblUserNum(), button);
    EXPECT_TRUE(limit->isVisible()) << button;
    limit->hide();
  }
  EXPECT_FALSE(users->isVisible());

  // The same menus from the keyboard: the menu key or Shift+F10 on the list, Enter, Space
  // or the menu key on the count label.
  const struct {
    QWidget *target;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QMenu *menu;
  } keys[] = {
      {w->lstUSER(), Qt::Key_Menu, {}, users},
      {w->lstUSER(), Qt::Key_F10, Qt::ShiftModifier, users},
      {w->fraVOICE()->lblUserNum(), Qt::Key_Return, {}, limit},
      {w->fraVOICE()->lblUserNum(), Qt::Key_Space, {}, limit},
      {w->fraVOICE()->lblUserNum(), Qt::Key_Menu, {}, limit},
  };
  for (const auto &k : keys) {
    QTest::keyClick(k.target, k.key, k.modifiers);
    EXPECT_TRUE(k.menu->isVisible()) << k.target->objectName().toStdString() << " " << k.key;
    k.menu->hide();
  }
  QTest::keyClick(w->fraVOICE()->lblUserNum(), Qt::Key_A);
  EXPECT_FALSE(limit->isVisible());

  // The menus and entries a script picks by name and caption.
  EXPECT_EQ(users->accessibleName(), QStringLiteral("参加者メニュー"));
  EXPECT_EQ(limit->accessibleName(), QStringLiteral("人数制限メニュー"));
  EXPECT_EQ(entry(*w, "btnKICK")->text(), QStringLiteral("この人を追放する"));
  EXPECT_EQ(entry(*w, "btnLimitPlus")->text(), QStringLiteral("人数を制限する"));
  EXPECT_EQ(entry(*w, "btnLimitMinus")->text(), QStringLiteral("人数制限を解除する"));
}

TEST_F(FrmMainParticipantsTest, KickAndLookupNeedASelectedMember) {
  auto w = voiceWindow(true);
  mainwindow::ParticipantList *list = w->lstUSER();

  list->clearSelection();
  entry(*w, "btnKICK")->trigger();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                     QPoint(5, list->viewport()->height() - 5));
  EXPECT_TRUE(session.calls.isEmpty()) << session.calls.join(u'\n').toStdString();

  list->SelectUser(2);
  entry(*w, "btnKICK")->trigger();
  // A double-click: the first click selects the row under the mouse.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(*w, 2));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(*w, 2));
  // The name comes without the host mark; both rows are counted.
  EXPECT_EQ(session.calls,
            (QStringList{QStringLiteral("KickMember 2"), QStringLiteral("LookUpAddress 2 bob 2")}));

  // A member's kick entry is off.
  session.calls.clear();
  session.state = 3;
  w->UpdateVoiceButtons();
  entry(*w, "btnKICK")->trigger();
  EXPECT_TRUE(session.calls.isEmpty());
}

TEST_F(FrmMainParticipantsTest, SelectorsForwardUserChoicesOnly) {
  auto w = voiceWindow(false);
  QComboBox *colour = w->fraVOICE()->cboMyColor();
  QComboBox *team = w->fraVOICE()->cboMyTeam();
  QComboBox *tx = w->fraVOICE()->cboTxTeam();

  colour->setCurrentIndex(0);
  QTest::keyClick(colour, Qt::Key_Down);
  EXPECT_EQ(w->ownColourNumber(), 1);
  EXPECT_EQ(w->fraVOICE()->lblMyColor()->palette().color(QPalette::WindowText),
            mainwindow::ColourFromValue(mainwindow::ColourValue(1)));
  QTest::keyClick(team, Qt::Key_Down);
  QTest::keyClick(team, Qt::Key_Down);
  QTest::keyClick(tx, Qt::Key_Down);
  EXPECT_EQ(session.calls,
            (QStringList{QStringLiteral("ChooseOwnColour %1")
                             .arg(mainwindow::ColourValue(1), 6, 16, QLatin1Char('0')),
                         QStringLiteral("ChooseOwnTeam 1"), QStringLiteral("ChooseOwnTeam 2"),
                         QStringLiteral("ChooseTransmitTeam 1")}));

  // The session's reset of the selectors is no choice of the user's.
  session.calls.clear();
  w->ResetSessionView();
  EXPECT_EQ(team->currentIndex(), 0);
  EXPECT_EQ(tx->currentIndex(), 0);
  EXPECT_TRUE(session.calls.isEmpty());
}

TEST_F(FrmMainParticipantsTest, LimitBoxOpensWithTheCurrentMaximumAndAnswersOnOk) {
  auto w = voiceWindow(true);
  EXPECT_EQ(w->IBOXLimit(), nullptr);
  entry(*w, "btnLimitPlus")->trigger();
  app::FrmBoxINP *box = w->IBOXLimit();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_FALSE(w->isEnabled());
  EXPECT_EQ(box->windowTitle(), info.titleTag + QStringLiteral("人数制限設定"));
  EXPECT_EQ(box->label(0)->text(), QStringLiteral("制限人数を入力してください。"));
  EXPECT_EQ(box->label(1)->text(), QStringLiteral("(設定できる値は1～30000)"));
  EXPECT_EQ(box->txtINPUT()->text(), QStringLiteral("8"));

  box->txtINPUT()->setText(QStringLiteral("１２"));
  QTest::mouseClick(box->btnOK(), Qt::LeftButton);
  EXPECT_FALSE(box->isVisible());
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(session.calls, QStringList{QStringLiteral("SetMemberLimit １２")});

  // The same box again; キャンセル answers nothing.
  session.calls.clear();
  session.counts = {2, 0};
  entry(*w, "btnLimitPlus")->trigger();
  EXPECT_EQ(w->IBOXLimit(), box);
  EXPECT_EQ(box->txtINPUT()->text(), QStringLiteral("0"));
  QTest::mouseClick(box->btnCancel(), Qt::LeftButton);
  EXPECT_FALSE(box->isVisible());
  EXPECT_TRUE(w->isEnabled());
  entry(*w, "btnLimitMinus")->trigger();
  EXPECT_EQ(session.calls, QStringList{QStringLiteral("RemoveMemberLimit")});
}

TEST_F(FrmMainParticipantsTest, OnlyTheNameTakesTheMembersColour) {
  auto w = voiceWindow(true);
  mainwindow::ParticipantList *list = w->lstUSER();
  const QColor before = list->topLevelItem(0)->foreground(1).color();
  w->SetUserColor(2, mainwindow::ColourValue(15));
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem *item = list->topLevelItem(i);
    if (item->text(0) != list->RowText(2)) continue;
    EXPECT_EQ(item->foreground(0).color(),
              mainwindow::ColourFromValue(mainwindow::ColourValue(15)));
    for (int column = 1; column < list->columnCount(); ++column)
      EXPECT_EQ(item->foreground(column).color(), before) << column;
  }
}

TEST_F(FrmMainParticipantsTest, AVoiceInvitationIsTakenUpOnlyWithoutASession) {
  auto w = make(true);
  QStringList requested;
  QObject::connect(w.get(), &FrmMain::voiceJoinRequested,
                   [&](const QString &address) { requested.append(address); });
  ASSERT_GE(w->OpenIrcPaneSlot(QStringLiteral("irc.example")), 0);
  test::FakeIrcPane *pane = this->pane(0);
  ASSERT_NE(pane, nullptr);
  for (const int state : {1, 2, 3, 0}) {
    session.state = state;
    Q_EMIT pane->EvVoiceJoin(QStringLiteral("192.0.2.%1").arg(state));
  }
  EXPECT_EQ(requested, QStringList{QStringLiteral("192.0.2.0")});
}

}  // namespace
