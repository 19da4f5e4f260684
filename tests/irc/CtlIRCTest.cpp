// The IRC pane in a real main window (offscreen), connected through an in-process
// clsIRC with short pacing to a scripted server on loopback.

#include "InProcessLink.h"
#include "ScriptedServer.h"
#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "irc/CtlIRC.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/InputLine.h"
#include "platform/richtext/RichTextView.h"
#include "platform/text/TextFile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>

using namespace std::chrono_literals;
using tv::irc::CtlIRC;
using tv::test::waitFor;

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace {

class CtlIRCTest : public ::testing::Test {
 protected:
  CtlIRCTest()
      : info(tv::app::RunStartUp(dir.path(), QStringLiteral("alice"))),
        settings(info.settingsPath()) {
    tv::text::writeCp932Lines(info.filePath("CHList.txt"),
                              {":チェック状態,チャンネル名称", "True,#Talvora"});
    allLog =
        std::make_unique<tv::app::FrmAllLOG>(info, settings, [](const QUrl &) { return true; });
    services.info = &info;
    services.settings = &settings;
    services.allLog = allLog.get();
    services.makeLink = [this]() -> std::unique_ptr<tv::irc::IrcLink> {
      auto link =
          std::make_unique<tv::test::InProcessLink>(tv::ircsock::ClsIRC::Timings{20, 3000, 60000});
      link->refuseCreate = refuseCreate;
      links.append(link.get());
      return link;
    };
    services.startReceiver = [this](const QString &handle, const QString &sender,
                                    const QString &offer) {
      started << handle + u' ' + sender + u' ' + offer;
      return QString();
    };
    services.clock = [] { return QTime(9, 5, 7); };
    tv::mainwindow::FrmMain::Services main;
    main.allLog = allLog.get();
    main.makeIrcPane = [this] { return new CtlIRC(services); };
    w = std::make_unique<tv::mainwindow::FrmMain>(info, settings, std::move(main));
    w->resize(900, 600);
    w->show();
  }

  CtlIRC *pane(int n) const { return qobject_cast<CtlIRC *>(w->ircPane(n)); }
  QString log(int n, int slot) const {
    return pane(n)->txtLOG(slot)->plainText(0, pane(n)->txtLOG(slot)->textLength());
  }
  QStringList info_rows() const {
    QStringList rows;
    for (int i = 0; i < w->lstINF()->rowCount(); ++i)
      rows << w->lstINF()->row(i).kind + u'|' + w->lstINF()->row(i).message;
    return rows;
  }
  // Connects pane n as `nick` and takes it through registration to its first channel.
  void connectAndJoin(tv::test::ScriptedServer &server, int n, const QString &nick) {
    w->EvConnect(nick, "Test Server", "127.0.0.1", server.portText());
    ASSERT_TRUE(server.waitForLine("USER " + nick + " 8 * :alice", n));
    server.send({":irc.test 001 " + nick + " :Welcome", ":irc.test 376 " + nick + " :End"}, n);
    ASSERT_TRUE(server.waitForLine("JOIN :#Talvora", n));
  }

  QTemporaryDir dir;
  tv::app::AppInfo info;
  tv::app::Settings settings;
  std::unique_ptr<tv::app::FrmAllLOG> allLog;
  tv::irc::IrcPaneServices services;
  std::unique_ptr<tv::mainwindow::FrmMain> w;
  QList<QPointer<tv::test::InProcessLink>> links;
  QStringList started;
  bool refuseCreate = false;
};

TEST_F(CtlIRCTest, AChannelFromConnectToServerClose) {
  tv::test::ScriptedServer server;
  connectAndJoin(server, 0, "me");
  EXPECT_TRUE(server.received().contains("MODE me +i"));
  server.send({":me!u@h JOIN :#Talvora", ":irc.test 353 me = #Talvora :@me bob",
               ":irc.test 353 me = #Talvora :+carol", ":irc.test 366 me #Talvora :End"});
  ASSERT_TRUE(waitFor([&] { return w->HasTab("IRC0"); }));
  CtlIRC *p = pane(0);
  EXPECT_EQ(w->currentViewKey(), "IRC0");
  EXPECT_EQ(w->tabMAIN()->tabText(w->tabMAIN()->currentIndex()), "Test Server");
  EXPECT_EQ(p->tabIRC()->tabText(0), "#Talvora");
  EXPECT_EQ(p->lblUserNum()->accessibleDescription(), "3人");
  EXPECT_EQ(p->lblNICK()->accessibleDescription(), "me");
  EXPECT_TRUE(p->lstUSER(0)->isVisibleTo(p));
  EXPECT_EQ(p->lstUSER(0)->model()->index(0, 0).data().toString(), "@me");
  EXPECT_TRUE(tv::test::unnamedControls(p).isEmpty()) << tv::test::unnamedControls(p).toStdString();
  // The shared input line sits under the log.
  const QRect logRect = p->txtLOG(0)->geometry().translated(p->pos());
  EXPECT_EQ(w->cboTX()->geometry().top(), logRect.bottom() + 1);

  server.send({":bob!u@h PRIVMSG #Talvora :こんにちは http://example.jp/ a&b",
               ":bob!u@h TOPIC #Talvora :今日の話題", ":dave!u@h JOIN :#Talvora",
               ":bob!u@h PRIVMSG me :\x01"
               "DCC SEND f.txt 2130706433 5000 12\x01"});
  ASSERT_TRUE(waitFor([&] { return log(0, 0).contains("daveさんが来ました。"); }));
  EXPECT_TRUE(log(0, 0).contains("9:05:07 <bob> こんにちは http://example.jp/ a&b\r\n"));
  EXPECT_EQ(p->txtTOPIC()->text(), "今日の話題");
  EXPECT_EQ(p->lblUserNum()->accessibleDescription(), "4人");
  EXPECT_EQ(started, QStringList{"0 bob f.txt 2130706433 5000 12"});
  const QString all = allLog->txtLOG()->plainText(0, allLog->txtLOG()->textLength());
  EXPECT_TRUE(all.contains("#Talvora>9:05:07 <bob> こんにちは")) << all.toStdString();

  // Own lines: shown once with the own name, sent cleaned.
  w->cboTX()->setEditText("やあ\tthere");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(w->cboTX(), &enter);
  ASSERT_TRUE(server.waitForLine("PRIVMSG #Talvora :やあ\tthere"));
  EXPECT_TRUE(log(0, 0).contains(">me< やあ\tthere"));

  // A private message gets its own tab; the channel's tab brings the channel back.
  server.send({":bob!u@h PRIVMSG me :ひみつ"});
  ASSERT_TRUE(waitFor([&] { return p->tabIRC()->count() == 2; }));
  EXPECT_EQ(p->tabIRC()->currentIndex(), 1);
  EXPECT_EQ(p->lblUserNum()->accessibleDescription(), "2人");
  p->tabIRC()->setCurrentIndex(0);
  EXPECT_EQ(p->handler().currentSlot(), 0);
  EXPECT_EQ(p->txtTOPIC()->text(), "今日の話題");
  EXPECT_TRUE(p->txtLOG(0)->isVisibleTo(p) && !p->txtLOG(1)->isVisibleTo(p));

  // Kicked: the channel's tab goes and its log is saved as the setting says (RTF).
  server.send({":bob!u@h KICK #Talvora me :out"});
  ASSERT_TRUE(waitFor([&] { return p->tabIRC()->count() == 1; }));
  const QDir logs(info.filePath("Log"));
  EXPECT_EQ(logs.entryList({"#Talvora_*.rtf"}, QDir::Files).size(), 1);

  // The server closes: the lines sent before come first, then the pane ends.
  server.send({":irc.test NOTICE me :last words"});
  server.disconnect();
  ASSERT_TRUE(waitFor([&] { return !w->HasTab("IRC0"); }));
  const QStringList rows = info_rows();
  const int notice = int(rows.indexOf("NOTICE|<>me :last words"));
  const int cut = int(rows.indexOf("切断|IRCサーバとの接続が切断されました。"));
  EXPECT_TRUE(notice >= 0 && cut > notice) << rows.join('\n').toStdString();
  EXPECT_EQ(logs.entryList({"bob_*.rtf"}, QDir::Files).size(), 1);
  EXPECT_EQ(w->ircSlots().openCount(), 0);
  EXPECT_TRUE(pane(0)->finished());
}

TEST_F(CtlIRCTest, ASecondConnectionWithTheNicknameInUseEndsAndGoes) {
  tv::test::ScriptedServer server;
  connectAndJoin(server, 0, "me");
  w->EvConnect("me", "Second", "127.0.0.1", server.portText());
  ASSERT_TRUE(server.waitForLine("NICK me", 1));
  QPointer<CtlIRC> second = pane(1);
  server.send({":irc.test 433 * me :Nickname already in use"}, 1);
  ASSERT_TRUE(waitFor([&] { return w->ircPane(1) == nullptr; }));
  EXPECT_TRUE(info_rows().contains("ERR|IRCのニックネームを変更して再度接続してください。"));
  EXPECT_TRUE(links.last().isNull() || links.last()->released);
  EXPECT_TRUE(waitFor([&] { return second.isNull(); }));
  EXPECT_FALSE(pane(0)->finished());
}

TEST_F(CtlIRCTest, EveryFailedCallNamesItsRoutineAndEndsThePane) {
  const struct {
    const char *routineLine;
    std::function<void(tv::test::InProcessLink &, CtlIRC &)> fail;
  } cases[] = {
      {"接続ルーチンのIRC用サブプログラム呼び出しエラー", nullptr},
      {"送信ルーチンのIRC用サブプログラム呼び出しエラー",
       [](tv::test::InProcessLink &l, CtlIRC &p) {
         l.failSends = true;
         p.TxPRIVMSG("x", true);
       }},
      {"受信ルーチンのIRC用サブプログラム呼び出しエラー",
       [](tv::test::InProcessLink &l, CtlIRC &) {
         l.breakLink(false);
         Q_EMIT l.ircDataArrival();
       }},
      {"ヘルスチェックルーチンのIRC用サブプログラム呼び出しエラー",
       [](tv::test::InProcessLink &l, CtlIRC &) { l.breakLink(true); }},
  };
  for (const auto &c : cases) {
    tv::test::ScriptedServer server;
    refuseCreate = !c.fail;
    w->lstINF()->clear();
    if (c.fail) {
      connectAndJoin(server, 0, "me");
      server.send({":me!u@h JOIN :#Talvora", ":irc.test 366 me #Talvora :End"});
      ASSERT_TRUE(waitFor([&] { return w->HasTab("IRC0"); }));
      c.fail(*links.last(), *pane(0));
    } else {
      w->EvConnect("me", "Test Server", "127.0.0.1", server.portText());
    }
    ASSERT_TRUE(waitFor([&] { return pane(0)->finished(); })) << c.routineLine;
    const QStringList rows = info_rows();
    const int at = int(rows.indexOf(QStringLiteral("切断|") + QString::fromUtf8(c.routineLine)));
    ASSERT_GE(at, 0) << rows.join('\n').toStdString();
    EXPECT_EQ(rows.value(at + 1), "切断|IRC用サブプログラム(TvIRC)とのリンクが切れました。");
    EXPECT_FALSE(w->HasTab("IRC0"));
    EXPECT_EQ(w->ircSlots().openCount(), 0);
  }
}

TEST_F(CtlIRCTest, AHundredThousandNamesKeepTheWindowAnswering) {
  tv::test::ScriptedServer server;
  connectAndJoin(server, 0, "me");
  server.send({":me!u@h JOIN :#Talvora"});
  QByteArray flood;
  for (int i = 0; i < 100000;) {
    QByteArray line = ":irc.test 353 me = #Talvora :";
    for (int k = 0; k < 40 && i < 100000; ++k, ++i) line += "user" + QByteArray::number(i) + ' ';
    flood += line + "\r\n";
  }
  int beats = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
  heartbeat.start(10);
  server.sendBytes(flood + ":irc.test 366 me #Talvora :End\r\n");
  ASSERT_TRUE(waitFor([&] { return w->HasTab("IRC0"); }, 120s));
  EXPECT_EQ(pane(0)->lblUserNum()->accessibleDescription(), "100000人");
  EXPECT_EQ(pane(0)->lstUSER(0)->model()->rowCount(), 100000);
  // The event loop ran all along (no figure: the machine may be slow or shared).
  EXPECT_GT(beats, 2);
}

}  // namespace
