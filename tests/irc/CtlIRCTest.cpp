// The IRC pane in a real main window (offscreen), connected through an in-process
// clsIRC with short pacing to a scripted server on loopback.

#include "InProcessLink.h"
#include "ScriptedServer.h"
#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "dcc/DdeClient.h"
#include "dcc/PaneDccLink.h"
#include "irc/CtlIRC.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InfoLog.h"
#include "mainwindow/InputLine.h"
#include "platform/richtext/RichTextView.h"
#include "platform/text/TextFile.h"
#include "session/TvDccLauncher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
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
    // The program's bus name, so that offers handed over reach the panes' endpoints.
    bus.interface()->registerService(QString::fromLatin1(tv::dcc::kDdeService));
    services.ddeHandles = &ddeHandles;
    services.bus = &bus;
    services.dcc = &launcher;
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
  QStringList started;  // TvDcc's argument vectors
  bool startFails = false;
  bool refuseCreate = false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  tv::dcc::DdeHandles ddeHandles;
  qint64 launcherNow = 0;  // each start 10 s after the last: the program-wide limit stays out
  tv::session::TvDccLauncher launcher{
      QStringLiteral("/talvora/TvDcc"),
      [this](const QString &, const QStringList &arguments) {
        started << arguments.join(u' ');
        return !startFails;
      },
      [this] { return launcherNow += tv::session::TvDccLauncher::kReceivePeriodMs; }};
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
  EXPECT_EQ(started, QStringList{"IREC 2 bob f.txt 2130706433 5000 12"});
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

// An offer line handed over as a sending TvDcc does, from a connection of its own;
// whether the endpoint took it.
std::optional<bool> handOver(quint32 handle, const QString &line) {
  std::optional<bool> outcome;
  QObject context;
  tv::dcc::SendOfferLine(
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("tvdcc")), handle,
      line, &context, [&](bool ok) { outcome = ok; });
  waitFor([&] { return outcome.has_value(); }, 8s);
  return outcome;
}

TEST_F(CtlIRCTest, FileTransfersUseThePanesOwnHandle) {
  tv::test::ScriptedServer server;
  connectAndJoin(server, 0, "me");
  server.send({":me!u@h JOIN :#Talvora", ":irc.test 353 me = #Talvora :@me @bob",
               ":irc.test 366 me #Talvora :End"});
  ASSERT_TRUE(waitFor([&] { return w->HasTab("IRC0"); }));
  CtlIRC *p = pane(0);
  ASSERT_NE(p->dccLink(), nullptr);
  EXPECT_EQ(p->ddeHandle(), 2u);  // the main window has 1
  EXPECT_EQ(p->dccLink()->endpoint().Owner(), "IRC0");

  // An IRC user's offer starts the receiver with this pane's handle; a quoted name is
  // taken whole. Every offer comes from a sender of its own, past the per-sender limit.
  const struct {
    QString request;
    QString started;  // "" when nothing may start
  } offers[] = {
      {"DCC SEND \"my file.txt\" 2130706433 5000 12", "IREC 2 s0 my_file.txt 2130706433 5000 12"},
      {"dcc send plain.txt 2130706433 5000 12 99", "IREC 2 s1 plain.txt 2130706433 5000 12"},
      {"DCC SEND \"写真 2.jpg\" 2130706433 5000 0", "IREC 2 s2 写真_2.jpg 2130706433 5000 0"},
      {"DCC SEND \"open 2130706433 5000 12", ""},
      {"DCC SEND \"a b\" 2130706433 5000", ""},
      {"DCC SEND \"\" 2130706433 5000 12", ""},
      {"DCC CHAT chat 2130706433 5000", ""},
  };
  QStringList expected;
  for (int i = 0; i < int(std::size(offers)); ++i) {
    server.send({QString(":s%1!u@h PRIVMSG me :\x01%2\x01").arg(i).arg(offers[i].request)});
    if (!offers[i].started.isEmpty()) expected << offers[i].started;
  }
  server.send({":bob!u@h PRIVMSG #Talvora :end"});
  ASSERT_TRUE(waitFor([&] { return log(0, 0).contains("<bob> end"); }));
  EXPECT_EQ(started, expected);
  EXPECT_EQ(p->tabIRC()->count(), 1);  // no offer opened a conversation

  // The user's offer: ISEND with the handle and the nickname without its mark.
  started.clear();
  p->StartDccSend("@bob");
  p->StartDccSend("+carol");
  p->StartDccSend("");
  EXPECT_EQ(started, (QStringList{"ISEND 2 bob", "ISEND 2 carol"}));
  startFails = true;
  p->StartDccSend("bob");
  EXPECT_TRUE(log(0, 0).contains("ファイル送信エラー\r\n")) << log(0, 0).toStdString();
  EXPECT_TRUE(log(0, 0).contains("<エラー後の処理> ファイル送信を中止しました。"));

  // What the sending TvDcc hands back goes to the server as one line; only the IRC form
  // of an offer line is taken.
  const QString offer =
      "PRIVMSG bob :\x01"
      "DCC SEND my_file.txt 2130706433 5000 12\x01";
  // 252 bytes of UTF-8, 567 once every "あ" needs its own escape sequences.
  const QString tooLong =
      "PRIVMSG bob :\x01"
      "DCC SEND " +
      QString("あa").repeated(63) + " 2130706433 5000 12\x01";
  const struct {
    QString line;
    bool taken;
  } handed[] = {
      {offer, true},
      {"PRIVMSG bob DCC SEND my_file.txt 2130706433 5000 12", false},
      {"PRIVMSG bob :\x01"
       "DCC SEND a 2130706433 5000 12\x01\r\nQUIT :x",
       false},
      {"QUIT :bye", false},
      {tooLong, true},
  };
  for (const auto &[line, taken] : handed)
    EXPECT_EQ(handOver(2, line), std::optional<bool>(taken)) << line.toStdString();
  ASSERT_TRUE(server.waitForLine(offer));
  EXPECT_FALSE(server.received().contains("QUIT :bye"));
  // Too long in ISO-2022-JP: reported, never sent cut.
  ASSERT_TRUE(waitFor([&] { return info_rows().contains("DCC|送信できませんでした。"); }));
  EXPECT_EQ(server.received().filter("DCC SEND").size(), 1);

  // A second pane takes the next handle; a pane made after one has gone never takes
  // the gone pane's handle, and its offers no longer reach anyone.
  tv::test::ScriptedServer second;
  connectAndJoin(second, 0, "me2");
  EXPECT_EQ(pane(1)->ddeHandle(), 3u);
  EXPECT_EQ(pane(1)->dccLink()->endpoint().Owner(), "IRC1");
  second.disconnect();
  ASSERT_TRUE(waitFor([&] { return w->ircPane(1) == nullptr; }));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(handOver(3, offer), std::optional<bool>(false));
  tv::test::ScriptedServer third;
  connectAndJoin(third, 0, "me3");
  EXPECT_EQ(pane(1)->ddeHandle(), 4u);
  EXPECT_EQ(pane(1)->dccLink()->endpoint().Owner(), "IRC1");
}

TEST_F(CtlIRCTest, ASecondConnectionWithTheNicknameInUseEndsAndGoes) {
  tv::test::ScriptedServer server;
  connectAndJoin(server, 0, "me");
  w->EvConnect("me", "Second", "127.0.0.1", server.portText());
  ASSERT_TRUE(server.waitForLine("NICK me", 1));
  QPointer<CtlIRC> second = pane(1);
  server.send({":irc.test 433 * me :Nickname already in use"}, 1);
  ASSERT_TRUE(waitFor([&] { return w->ircPane(1) == nullptr; }));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
