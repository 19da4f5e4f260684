// The main window: start-up and the settings it reads, layout, tabs and panes, the
// input line and the topic line, the IRC pane slots, the voice buttons, the session
// view and the close sequence with what it writes.
#include "MainWindowTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/OldLogPane.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/TopicLine.h"
#include "mainwindow/VoicePane.h"
#include "session/SessionMessage.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tv;
using mainwindow::FrmMain;
using Sent = test::RecordingSession::Sent;

namespace {

QString textOf(const richtext::RichTextView *view) {
  return view->plainText(0, view->textLength());
}

QStringList tabKeys(const FrmMain &w) {
  QStringList keys;
  for (int i = 0; i < w.tabMAIN()->count(); ++i) keys << w.tabMAIN()->tabData(i).toString();
  return keys;
}

template <typename T>
T *child(const QWidget &w, const QString &name) {
  return w.findChild<T *>(name);
}

class FrmMainTest : public test::MainWindowTest {
 protected:
  void type(FrmMain &w, const QString &text, Qt::KeyboardModifiers mods = {}) {
    w.cboTX()->setEditText(text);
    QTest::keyClick(w.cboTX(), Qt::Key_Return, mods);
  }
  int csvFiles() const {
    return int(QDir(appFile(QStringLiteral("Log")))
                   .entryList({QStringLiteral("INFO_*.csv")}, QDir::Files)
                   .size());
  }
};

TEST_F(FrmMainTest, StartsIdleOnTheInfoTab) {
  auto w = make();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("[Talvora]"));
  EXPECT_EQ(w->size(), QSize(467, 400));  // 7000 x 6000 twips at 15 twips per pixel
  EXPECT_EQ(w->minimumSize(), QSize(333, 200));
  EXPECT_EQ(tabKeys(*w), (QStringList{QStringLiteral("INFO"), QStringLiteral("OldLog")}));
  EXPECT_EQ(w->tabMAIN()->tabText(1), QStringLiteral("過去ログ"));
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("INFO"));
  EXPECT_TRUE(child<QWidget>(*w, QStringLiteral("fraINF"))->isVisibleTo(w.get()));
  for (const char16_t *hidden : {u"fraLOG", u"fraVOICE", u"cboTX"})
    EXPECT_FALSE(child<QWidget>(*w, QString::fromUtf16(hidden))->isVisibleTo(w.get()));
  EXPECT_EQ(child<QLabel>(*w, QStringLiteral("lblIP"))->text(), QStringLiteral("192.0.2.7"));
  EXPECT_EQ(child<QLabel>(*w, QStringLiteral("stbPanel(0)"))->text(), QStringLiteral("Status"));

  const mainwindow::VoicePane *voice = w->fraVOICE();
  EXPECT_EQ(voice->cboMyColor()->count(), 16);
  EXPECT_EQ(voice->cboMyColor()->itemText(9), QStringLiteral("明るい青"));
  EXPECT_EQ(voice->cboMyColor()->currentIndex(), 0);
  EXPECT_EQ(voice->cboMikeMute()->count(), 15);
  EXPECT_EQ(voice->cboMikeMute()->itemText(1), QStringLiteral("CapsLock  がON の時ミュート"));
  EXPECT_EQ(voice->cboMyTeam()->itemText(0), QStringLiteral("－"));
  EXPECT_EQ(voice->cboTxTeam()->itemText(0), QStringLiteral("全員"));
  for (const QSlider *s : {voice->sldSP(), voice->sldMK()}) {
    EXPECT_EQ(s->minimum(), -10000);
    EXPECT_EQ(s->maximum(), 0);
    EXPECT_EQ(s->pageStep(), 500);
    EXPECT_EQ(s->singleStep(), 100);
    EXPECT_EQ(s->tickInterval(), 500);
  }
  EXPECT_EQ(w->cboTX()->toolTip(),
            QStringLiteral("過去のデータ呼び出しは↓キー、ドロップダウンはALT + ↓キー"));
  EXPECT_EQ(test::unnamedControls(w.get()), QString());
}

TEST_F(FrmMainTest, StoredChoicesAreReadAndKeptInRange) {
  struct Case {
    const char16_t *myColor, *muteNo;
    int colour, mute;
  };
  test::writeBytes(appFile(QStringLiteral("ChatTxLog.txt")), "old\r\n\x82\xa0\r\nnew\r\n");
  for (const Case &c :
       {Case{u"12", u"7", 12, 7}, Case{u"42", u"99", 15, 0}, Case{u"abc", u"-1", 0, 0}}) {
    settings.WriteIni(u"VOICE", u"MyColor", QString::fromUtf16(c.myColor));
    settings.WriteIni(u"VOICE", u"MikeMuteNo", QString::fromUtf16(c.muteNo));
    auto w = make();
    EXPECT_EQ(w->ownColourNumber(), c.colour);
    EXPECT_EQ(w->fraVOICE()->cboMyColor()->currentIndex(), c.colour);
    EXPECT_EQ(w->fraVOICE()->lblMyColor()->palette().color(QPalette::WindowText),
              mainwindow::ColourFromValue(w->OwnColourValue()));
    EXPECT_EQ(w->fraVOICE()->cboMikeMute()->currentIndex(), c.mute);
    EXPECT_EQ(w->cboTX()->history(),
              (QStringList{QStringLiteral("new"), QStringLiteral("あ"), QStringLiteral("old")}));
    EXPECT_EQ(w->cboTX()->currentText(), QString());
  }
}

TEST_F(FrmMainTest, PanesFollowTheLayoutRulesWhenResized) {
  auto w = make();
  startVoice(*w);
  for (const QSize size : {QSize(467, 400), QSize(1000, 700)}) {
    w->resize(size);
    w->show();
    QApplication::processEvents();
    const mainwindow::VoicePane *voice = w->fraVOICE();
    const QRect pane = voice->geometry();
    EXPECT_EQ(pane.left(), 8);                    // 120 twips
    EXPECT_EQ(w->width() - pane.right() - 1, 8);  // 240 twips narrower than the strip
    EXPECT_EQ(child<QWidget>(*w, QStringLiteral("fraINF"))->geometry(), pane);
    EXPECT_EQ(w->fraLOG()->geometry(), pane);
    const QRect list = voice->lstUSER()->geometry();
    const QRect log = voice->txtLOG()->geometry();
    EXPECT_EQ(list.bottom(), pane.height() - 1);  // list to the bottom edge
    EXPECT_EQ(log.right(), pane.width() - 1);     // log to the right edge
    EXPECT_EQ(voice->btnVEXIT()->geometry().right(), pane.width() - 1);
    EXPECT_LT(voice->txtTOPIC()->geometry().right(), voice->btnVEXIT()->x());
    EXPECT_GT(log.height(), 100);
    // The input line takes the row under the log.
    const QRect input = w->cboTX()->geometry();
    EXPECT_TRUE(w->cboTX()->isVisible());
    EXPECT_EQ(input.left(), pane.left() + log.left());
    EXPECT_EQ(input.top(), pane.top() + log.bottom() + 1);
    EXPECT_EQ(input.width(), log.width());
    EXPECT_LE(input.bottom(), pane.bottom());
  }
}

TEST_F(FrmMainTest, TabsShowTheirPanesAndRemovingOneKeepsASensibleSelection) {
  auto w = make();
  startVoice(*w);
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("VOICE"));
  EXPECT_TRUE(w->fraVOICE()->isVisibleTo(w.get()));
  EXPECT_TRUE(w->cboTX()->isVisibleTo(w.get()));

  w->SelectTab(QStringLiteral("OldLog"));
  EXPECT_FALSE(w->fraVOICE()->isVisibleTo(w.get()));
  EXPECT_FALSE(w->cboTX()->isVisibleTo(w.get()));
  EXPECT_TRUE(w->fraLOG()->isVisibleTo(w.get()));

  // Removing a tab that is not shown leaves the shown one.
  w->RemoveTab(QStringLiteral("VOICE"));
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("OldLog"));
  EXPECT_EQ(tabKeys(*w), (QStringList{QStringLiteral("INFO"), QStringLiteral("OldLog")}));

  // Removing the shown tab shows its left neighbour.
  w->AddTab(QStringLiteral("VOICE"), QStringLiteral("音声"));
  w->RemoveTab(QStringLiteral("VOICE"));
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("OldLog"));
  EXPECT_FALSE(w->fraVOICE()->isVisibleTo(w.get()));
  w->RemoveTab(QStringLiteral("nothing"));
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("OldLog"));

  // A tab whose pane does not exist says so in the information log.
  w->ShowPane(QStringLiteral("IRC4"), true);
  ASSERT_EQ(w->lstINF()->rowCount(), 1);
  const mainwindow::InfoLog::Row row = w->lstINF()->row(0);
  EXPECT_EQ(row.area + u'|' + row.kind + u'|' + row.message,
            QStringLiteral("TV|ERR|タブのリンク先が見つかりませんでした。"));
}

TEST_F(FrmMainTest, EnterSendsChatLinesAndKeepsTheHistory) {
  auto w = make();
  startVoice(*w);
  type(*w, QString());
  EXPECT_TRUE(session.sent.isEmpty());

  type(*w, QStringLiteral("hello"));
  EXPECT_EQ(session.sent, (QList<Sent>{{session::kChatLine, QStringLiteral("hello"), 0}}));
  EXPECT_TRUE(textOf(w->txtLOG()).endsWith(QStringLiteral("9:05:07 >alice< hello\r\n")));
  EXPECT_EQ(w->cboTX()->currentText(), QString());

  type(*w, QStringLiteral("second"));
  type(*w, QStringLiteral("hello"));
  EXPECT_EQ(w->cboTX()->history(),
            (QStringList{QStringLiteral("hello"), QStringLiteral("second")}));

  // An entry chosen from the history is what is sent.
  w->cboTX()->setCurrentIndex(1);
  QTest::keyClick(w->cboTX(), Qt::Key_Return);
  EXPECT_EQ(session.sent.last().text, QStringLiteral("second"));
  EXPECT_EQ(w->cboTX()->history().first(), QStringLiteral("second"));

  for (int i = 0; i < 40; ++i) type(*w, QString::number(i));
  EXPECT_EQ(w->cboTX()->history().size(), 30);
  EXPECT_EQ(w->cboTX()->history().first(), QStringLiteral("39"));

  // Enter in a view without chat does nothing.
  w->SelectTab(QStringLiteral("INFO"));
  const qsizetype sent = session.sent.size();
  w->cboTX()->setEditText(QStringLiteral("kept"));
  QTest::keyClick(w->cboTX(), Qt::Key_Return);
  EXPECT_EQ(session.sent.size(), sent);
  EXPECT_EQ(w->cboTX()->currentText(), QStringLiteral("kept"));
}

TEST_F(FrmMainTest, CtrlEnterWhispersToTheSelectedMember) {
  auto w = make();
  startVoice(*w);
  const QString log0 = textOf(w->txtLOG());
  const QList<std::pair<std::uint32_t, QString>> refused = {
      {0,
       QStringLiteral(
           "9:05:07 密談エラー\r\n9:05:07 　　<エラーの説明　> ユーザが選択されていません。\r\n")},
      {1, QStringLiteral("9:05:07 密談エラー\r\n9:05:07 　　<エラーの説明　> "
                         "自分自身に対して密談することはできません。\r\n")}};
  for (const auto &[selected, lines] : refused) {
    w->lstUSER()->SelectUser(selected);
    const QString before = textOf(w->txtLOG());
    type(*w, QStringLiteral("psst"), Qt::ControlModifier);
    EXPECT_EQ(textOf(w->txtLOG()).mid(before.size()), lines);
    EXPECT_EQ(w->cboTX()->currentText(), QStringLiteral("psst"));  // kept for another try
    EXPECT_TRUE(session.sent.isEmpty());
  }

  w->lstUSER()->SelectUser(2);
  EXPECT_EQ(w->SelectedUserId(), 2u);
  type(*w, QStringLiteral("psst"), Qt::ControlModifier);
  EXPECT_TRUE(textOf(w->txtLOG()).endsWith(QStringLiteral("9:05:07 >bobさんへの密談<psst\r\n")));
  EXPECT_EQ(session.sent, (QList<Sent>{{session::kWhisper, QStringLiteral("psst"), 2}}));
  EXPECT_EQ(w->cboTX()->history(), QStringList{QStringLiteral("psst")});
  EXPECT_NE(log0, textOf(w->txtLOG()));
}

TEST_F(FrmMainTest, TopicLineCommitsWithEnterAndRevertsOtherwise) {
  auto w = make();
  startVoice(*w);
  w->show();
  mainwindow::TopicLine *topic = w->fraVOICE()->txtTOPIC();
  w->SetTopic(QStringLiteral("old"));
  EXPECT_EQ(topic->text(), QStringLiteral("old"));

  topic->setText(QStringLiteral("draft"));
  QTest::keyClick(topic, Qt::Key_Escape);
  EXPECT_EQ(topic->text(), QStringLiteral("old"));

  topic->setText(QString());
  QTest::keyClick(topic, Qt::Key_Return);
  EXPECT_EQ(w->Topic(), QStringLiteral("old"));
  EXPECT_TRUE(session.sent.isEmpty());

  topic->setText(QStringLiteral("new"));
  QTest::keyClick(topic, Qt::Key_Return);
  EXPECT_EQ(w->Topic(), QStringLiteral("new"));
  EXPECT_EQ(session.sent, (QList<Sent>{{session::kTopic, QStringLiteral("new"), 0}}));
  EXPECT_TRUE(textOf(w->txtLOG())
                  .endsWith(QStringLiteral(
                      "9:05:07 TOPICが設定されました。\r\n9:05:07 　<新TOPIC> new\r\n")));

  // Leaving the line discards an edit that was not committed.
  topic->setFocus();
  topic->setText(QStringLiteral("uncommitted"));
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(topic, &out);
  EXPECT_EQ(topic->text(), QStringLiteral("new"));
}

TEST_F(FrmMainTest, TextsOverTheirCapAreRefusedBeforeSending) {
  auto w = make();
  startVoice(*w);
  w->show();
  w->lstUSER()->SelectUser(2);
  mainwindow::TopicLine *topic = w->fraVOICE()->txtTOPIC();
  const qsizetype line = session::kMaxLineTextBytes, top = session::kMaxTopicBytes;
  enum Via { Chat, Whisper, Topic };
  struct Case {
    Via via;
    QString text;
    bool sent;
  };
  const QString errorLines[] = {
      QStringLiteral("9:05:07 発言エラー\r\n9:05:07 　　<エラーの説明　> "
                     "発言が長すぎます。64KB(半角文字で65536文字)までにしてください。\r\n"),
      QStringLiteral("9:05:07 密談エラー\r\n9:05:07 　　<エラーの説明　> "
                     "密談が長すぎます。64KB(半角文字で65536文字)までにしてください。\r\n"),
      QStringLiteral("9:05:07 TOPICエラー\r\n9:05:07 　　<エラーの説明　> "
                     "TOPICが長すぎます。4KB(半角文字で4096文字)までにしてください。\r\n")};
  const Case cases[] = {
      {Chat, QString(line, u'a'), true},           {Chat, QString(line + 1, u'a'), false},
      {Chat, QString(line / 3 + 1, u'あ'), false},  // fewer characters, more bytes
      {Chat, QString(3 * line, u'a'), false},       // a paste longer than the line holds
      {Whisper, QString(line + 1, u'a'), false},   {Topic, QString(top, u't'), true},
      {Topic, QString(top + 1, u't'), false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "via " << c.via << " length " << c.text.size());
    session.sent.clear();
    const QString log = textOf(w->txtLOG());
    const int infoRows = w->lstINF()->rowCount();
    if (c.via == Topic) {
      topic->setText(c.text);
      QTest::keyClick(topic, Qt::Key_Return);
    } else {
      type(*w, c.text, c.via == Whisper ? Qt::ControlModifier : Qt::NoModifier);
    }
    const std::int32_t kind = c.via == Chat      ? session::kChatLine
                              : c.via == Whisper ? session::kWhisper
                                                 : session::kTopic;
    if (c.sent) {
      EXPECT_EQ(session.sent, (QList<Sent>{{kind, c.text, c.via == Whisper ? 2u : 0u}}));
      EXPECT_EQ(w->lstINF()->rowCount(), infoRows);
      continue;
    }
    EXPECT_TRUE(session.sent.isEmpty());
    EXPECT_EQ(textOf(w->txtLOG()).mid(log.size()), errorLines[c.via]);
    ASSERT_EQ(w->lstINF()->rowCount(), infoRows + 1);
    const mainwindow::InfoLog::Row row = w->lstINF()->row(infoRows);
    EXPECT_EQ(row.area + u'|' + row.kind, QStringLiteral("音声|ERR"));
    EXPECT_TRUE(row.message.contains(QStringLiteral("長すぎるので送信しませんでした。")));
    // The text stays for the user to shorten (a paste only as far as the line holds).
    if (c.via != Topic) {
      EXPECT_TRUE(c.text.startsWith(w->cboTX()->currentText()));
    }
    EXPECT_NE(w->cboTX()->history().value(0), c.text);
  }
  // The longest chat line reached the all-chat log whole as well.
  allLog->AppendPending();
  EXPECT_TRUE(textOf(allLog->txtLOG())
                  .contains(QStringLiteral("VOICE>9:05:07 >alice< ") + QString(line, u'a') +
                            QStringLiteral("\r\n")));
}

TEST_F(FrmMainTest, SessionViewOperations) {
  auto w = make();
  startVoice(*w);
  mainwindow::ParticipantList *list = w->lstUSER();
  EXPECT_EQ(list->RowText(2), QStringLiteral("@bob"));
  EXPECT_EQ(w->ParticipantName(2), QStringLiteral("bob"));
  w->SetUserTeam(2, 3);
  w->SetUserTeam(2, 7);  // not a team this window knows: ignored
  w->MarkTalking(2, true);
  w->SetUserPing(2, QStringLiteral("12ms"));
  EXPECT_EQ(list->CellText(2, 1), QStringLiteral("○"));
  EXPECT_EQ(list->CellText(2, 2), QStringLiteral("３"));
  EXPECT_EQ(list->CellText(2, 3), QStringLiteral("12ms"));
  EXPECT_EQ(list->CellText(1, 3), QStringLiteral("－"));
  w->SetParticipantName(2, QStringLiteral("<i>carol</i>"));
  EXPECT_EQ(w->ParticipantName(2), QStringLiteral("<i>carol</i>"));
  w->RemoveParticipantRow(2);
  w->RemoveParticipantRow(2);
  EXPECT_FALSE(w->HasParticipantRow(2));

  session.counts = {3, 8};
  w->UpdateUserCount();
  EXPECT_EQ(w->fraVOICE()->lblUserNum()->text(), QStringLiteral("3人参加／8人制限"));
  w->SetInputLevel(150);
  w->SetOutputLevel(-4);
  EXPECT_EQ(w->fraVOICE()->prgMK()->value(), 99);
  EXPECT_EQ(w->fraVOICE()->prgSP()->value(), 0);
  w->SetVolumeSliders(-500, -2500);
  EXPECT_EQ(w->fraVOICE()->sldSP()->value(), -500);
  EXPECT_EQ(w->fraVOICE()->sldMK()->value(), -2500);

  w->fraVOICE()->cboMyTeam()->setCurrentIndex(2);
  w->fraVOICE()->btnMuteMK()->setChecked(true);
  w->ResetSessionView();
  EXPECT_EQ(list->topLevelItemCount(), 0);
  EXPECT_EQ(w->txtLOG()->textLength(), 0);
  EXPECT_EQ(w->fraVOICE()->cboMyTeam()->currentIndex(), 0);
  EXPECT_FALSE(w->fraVOICE()->btnMuteMK()->isChecked());
}

TEST_F(FrmMainTest, VoiceButtonsFollowTheSessionAndStopCancelsTheSearch) {
  auto w = make();
  auto *host = child<QAbstractButton>(*w, QStringLiteral("btnVHOST"));
  auto *join = child<QAbstractButton>(*w, QStringLiteral("btnVJOIN"));
  auto *stop = child<QAbstractButton>(*w, QStringLiteral("btnStopJOIN"));
  auto *test = child<QAbstractButton>(*w, QStringLiteral("btnVTEST"));
  QAction *kick = w->fraVOICE()->action(QStringLiteral("btnKICK"));
  EXPECT_TRUE(host->isEnabled() && join->isVisibleTo(w.get()) && join->isEnabled());
  EXPECT_FALSE(stop->isVisibleTo(w.get()));
  EXPECT_FALSE(kick->isEnabled());

  session.state = 1;
  session.searching = true;
  session.holds = true;
  w->UpdateVoiceButtons();
  EXPECT_FALSE(host->isEnabled());
  EXPECT_FALSE(join->isVisibleTo(w.get()));
  EXPECT_TRUE(stop->isVisibleTo(w.get()) && stop->isEnabled());

  stop->click();
  EXPECT_EQ(session.calls,
            (QStringList{QStringLiteral("StopHostSearch"), QStringLiteral("ReleaseSession")}));
  EXPECT_EQ(child<QLabel>(*w, QStringLiteral("stbPanel(0)"))->text(), QStringLiteral("Status"));
  const mainwindow::InfoLog::Row row = w->lstINF()->row(0);
  EXPECT_EQ(row.area + u'|' + row.kind + u'|' + row.message,
            QStringLiteral("音声|停止|ホスト検索を中止しました。"));

  session.state = 2;
  w->UpdateVoiceButtons();
  EXPECT_TRUE(kick->isEnabled());
  EXPECT_FALSE(test->isEnabled());
  EXPECT_TRUE(join->isVisibleTo(w.get()) && !join->isEnabled());
}

TEST_F(FrmMainTest, IrcPanesGetSlotsTabsAndTheInputLine) {
  auto w = make(true);
  ASSERT_EQ(panes.size(), 1);  // pane 0 exists from the start
  EXPECT_EQ(pane(0)->objectName(), QStringLiteral("fraIRC(0)"));
  EXPECT_FALSE(pane(0)->isVisibleTo(w.get()));

  w->EvConnect(QStringLiteral("nick"), QStringLiteral("irc.a"), QStringLiteral("192.0.2.1"),
               QStringLiteral("6667"));
  EXPECT_EQ(pane(0)->calls, (QStringList{QStringLiteral("AllInitialize"),
                                         QStringLiteral("IrcConnect nick 192.0.2.1 6667")}));
  EXPECT_FALSE(w->HasTab(QStringLiteral("IRC0")));  // the pane asks for its tab
  Q_EMIT pane(0)->EvAddMyTab();
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("IRC0"));
  EXPECT_EQ(w->tabMAIN()->tabText(2), QStringLiteral("irc.a"));
  EXPECT_TRUE(pane(0)->isVisibleTo(w.get()));
  const QRect input = w->cboTX()->geometry();
  EXPECT_EQ(input.topLeft(), pane(0)->pos() + QPoint(10, 50));
  EXPECT_EQ(input.width(), 200);

  pane(0)->sendResult = false;  // the history keeps the line all the same
  type(*w, QStringLiteral("to channel"));
  type(*w, QStringLiteral("private"), Qt::ControlModifier);
  EXPECT_EQ(pane(0)->calls.mid(2), (QStringList{QStringLiteral("TxPRIVMSG to channel 1"),
                                                QStringLiteral("TxPRIVMSG private 0")}));
  EXPECT_EQ(w->cboTX()->history().size(), 2);

  w->EvConnect(QStringLiteral("nick"), QStringLiteral("irc.b"), QStringLiteral("h"),
               QStringLiteral("6668"));
  ASSERT_EQ(panes.size(), 2);
  Q_EMIT pane(1)->EvAddMyTab();
  EXPECT_EQ(tabKeys(*w).mid(2), (QStringList{QStringLiteral("IRC0"), QStringLiteral("IRC1")}));
  Q_EMIT pane(1)->EvSysMsg(QStringLiteral("接続"), QStringLiteral("<b>connected</b>"));
  EXPECT_EQ(w->lstINF()->row(0).area + u'|' + w->lstINF()->row(0).message,
            QStringLiteral("IRC|<b>connected</b>"));
  session.state = 2;
  w->UpdateVoiceButtons();
  EXPECT_EQ(pane(1)->lastState, 2);

  // Pane 0 ends while pane 1 is shown: pane 1 stays in view, slot 0 is free again.
  Q_EMIT pane(0)->EvRemoveMe();
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("IRC1"));
  EXPECT_EQ(w->ircSlots().openCount(), 1);
  w->EvConnect(QStringLiteral("nick"), QStringLiteral("irc.c"), QStringLiteral("h"),
               QStringLiteral("6669"));
  EXPECT_EQ(panes.size(), 2);
  EXPECT_EQ(w->ircSlots().name(0), QStringLiteral("irc.c"));
  EXPECT_EQ(pane(0)->calls.last(), QStringLiteral("IrcConnect nick h 6669"));

  // The last pane ends: it is unloaded, its left neighbour is shown.
  QPointer<mainwindow::IrcPane> last = pane(1);
  Q_EMIT pane(1)->EvRemoveMe();
  EXPECT_EQ(w->currentViewKey(), QStringLiteral("OldLog"));
  EXPECT_EQ(w->ircSlots().size(), 1);
  EXPECT_EQ(w->ircPane(1), nullptr);
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(last.isNull());

  // Hiding only takes the tab away.
  Q_EMIT pane(0)->EvAddMyTab();
  Q_EMIT pane(0)->EvHideMe();
  EXPECT_FALSE(w->HasTab(QStringLiteral("IRC0")));
  EXPECT_FALSE(pane(0)->isVisibleTo(w.get()));
  EXPECT_EQ(w->ircSlots().openCount(), 1);

  // Closing: every pane closes its channels, also when one ends itself meanwhile.
  w->EvConnect(QStringLiteral("nick"), QStringLiteral("irc.d"), QStringLiteral("h"),
               QStringLiteral("6670"));
  pane(0)->endsOnClose = true;
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(pane(0)->calls.last(), QStringLiteral("DelAllCh"));
  EXPECT_EQ(panes.last()->calls.last(), QStringLiteral("DelAllCh"));
}

TEST_F(FrmMainTest, WithoutIrcPanesAConnectionIsReportedNotOpened) {
  auto w = make();
  w->EvConnect(QStringLiteral("n"), QStringLiteral("s"), QStringLiteral("h"), QStringLiteral("1"));
  EXPECT_EQ(w->ircSlots().openCount(), 0);
  EXPECT_EQ(w->lstINF()->row(0).kind, QStringLiteral("ERR"));
}

TEST_F(FrmMainTest, ClosingDuringVoiceChatEndsItReleasesAndSavesOnce) {
  auto w = make();
  startVoice(*w);
  w->show();
  w->addINF(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("row"));
  type(*w, QStringLiteral("older"));
  type(*w, QStringLiteral("あたらしい"));
  w->close();
  EXPECT_FALSE(w->isVisible());
  // EndVoiceChat left the session held (as when no voice tab existed): released here.
  EXPECT_EQ(session.calls,
            (QStringList{QStringLiteral("StopSessionTimers"), QStringLiteral("EndVoiceChat"),
                         QStringLiteral("ReleaseSession")}));
  EXPECT_EQ(csvFiles(), 1);
  EXPECT_EQ(test::readBytes(appFile(QStringLiteral("ChatTxLog.txt"))),
            QByteArray("older\r\n\x82\xa0\x82\xbd\x82\xe7\x82\xb5\x82\xa2\r\n"));
  EXPECT_EQ(settings.ReadIni(u"frmMain", u"WindowState", u""), QStringLiteral("0"));
  EXPECT_EQ(settings.ReadIni(u"frmMain", u"Width", u""), QStringLiteral("7005"));
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"MyColor", u""), QStringLiteral("0"));
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"MikeMuteNo", u""), QStringLiteral("0"));
  EXPECT_EQ(settings.ReadIni(u"OldLog", u"Filter", u""), QStringLiteral("0"));
  EXPECT_FALSE(settings.ReadIni(u"OldLog", u"Path", u"").isEmpty());
  EXPECT_FALSE(settings.ReadIni(u"frmAllLOG", u"Width", u"").isEmpty());  // unloaded
  EXPECT_EQ(w->lstUSER()->topLevelItemCount(), 0);
}

TEST_F(FrmMainTest, ACloseWaitsForASlowReleaseAndWritesTheCsvOnce) {
  auto w = make();
  w->show();
  w->addINF(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("row"));
  session.state = 1;
  session.holds = true;
  session.releaseFrees = false;
  w->close();
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->timEND()->isActive());
  EXPECT_EQ(w->timEND()->interval(), 50);
  w->close();  // a second request while waiting changes nothing
  EXPECT_EQ(session.calls.count(QStringLiteral("ReleaseSession")), 1);

  session.holds = false;
  EXPECT_TRUE(test::waitFor([&] { return !w->isVisible(); }));
  w->close();  // after the unload: nothing is written again
  EXPECT_FALSE(w->timEND()->isActive());
  EXPECT_EQ(csvFiles(), 1);
}

TEST_F(FrmMainTest, ACloseRequestDuringTheCloseStepsIsHeldBack) {
  auto w = make();
  startVoice(*w);
  w->show();
  w->addINF(QStringLiteral("TV"), QStringLiteral("起動"), QStringLiteral("row"));
  session.duringEnd = [&] { w->close(); };
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(session.calls.count(QStringLiteral("EndVoiceChat")), 1);
  EXPECT_EQ(csvFiles(), 1);
}

TEST_F(FrmMainTest, AnIdleCloseReleasesNothing) {
  auto w = make();
  w->show();
  // An input history that cannot be written is reported, not lost in silence.
  QDir().mkpath(appFile(QStringLiteral("ChatTxLog.txt")));
  w->cboTX()->commit(QStringLiteral("line"));
  QList<QStringList> reported;
  problems.attach([&](const QStringList &lines) { reported.append(lines); });
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(session.calls,
            (QStringList{QStringLiteral("StopSessionTimers"), QStringLiteral("EndVoiceChat")}));
  EXPECT_EQ(csvFiles(), 0);  // an empty information log is not written
  ASSERT_EQ(reported.size(), 1);
  EXPECT_EQ(reported[0][0], QStringLiteral("入力履歴を保存できませんでした。"));
  EXPECT_TRUE(reported[0][1].endsWith(QStringLiteral("ChatTxLog.txt")));
}

}  // namespace
