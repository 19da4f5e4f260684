// The IRC pane's commands, one table: each row starts a pane (offscreen) whose link is
// an in-process clsIRC with 20 ms pacing, connected to a scripted server that records
// every line, in channel #c with "@me bob +carol dave erin frank". The row sets the
// stage, acts through the menu entry, key or click a user would use, answers the box
// it opens, and checks what reached the server, what the slot shows and what was
// stored.

#include "InProcessLink.h"
#include "ScriptedServer.h"
#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "irc/CtlIRC.h"
#include "irc/IrcPaneCommands.h"
#include "irc/OutgoingText.h"
#include "ircsock/Iso2022JpEncoder.h"
#include "mainwindow/ChatLogView.h"
#include "platform/text/TextFile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>

using tv::irc::CtlIRC;
using tv::test::waitFor;

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace {

const QString kAnnounce = QStringLiteral("音声参加者募集 Talvora3.0.3. IP Address=");

class Messages : public tv::app::MessageSink {
 public:
  void ViewMSG(const QString &, const QString &title) override { titles.append(title); }
  QStringList titles;
};

void pause(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void key(QWidget *w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, k, mods);
  QCoreApplication::sendEvent(w, &press);
}

void click(QWidget *w, QEvent::Type type, QPoint at = {2, 2}) {
  QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

// One pane on a scripted server, taken to channel #c.
struct Pane {
  Pane()
      : info(tv::app::RunStartUp(dir.path(), QStringLiteral("alice"))),
        settings(info.settingsPath()) {
    services.info = &info;
    services.settings = &settings;
    services.makeLink = [this]() -> std::unique_ptr<tv::irc::IrcLink> {
      auto made =
          std::make_unique<tv::test::InProcessLink>(tv::ircsock::ClsIRC::Timings{20, 3000, 60000});
      link = made.get();
      return made;
    };
    services.messages = [this] { return &messages; };
    services.clock = [] { return QTime(9, 5, 7); };
    services.openUrl = [this](const QUrl &url) {
      opened.append(url.toString());
      return true;
    };
    pane = new CtlIRC(services, &host);
    pane->setGeometry(0, 0, 900, 600);
    host.resize(900, 600);
    host.show();
    QObject::connect(pane, &CtlIRC::EvSysMsg, [this](const QString &kind, const QString &text) {
      infoRows.append(kind + u'|' + text);
    });
    QObject::connect(pane, &CtlIRC::EvVoiceJoin,
                     [this](const QString &address) { joins.append(address); });
    QObject::connect(pane, &CtlIRC::EvRemoveMe, [this] { removed = true; });
  }

  bool start() {
    pane->IrcConnect(QStringLiteral("me"), QStringLiteral("127.0.0.1"), server.portText());
    if (!server.waitForLine(QStringLiteral("USER me 8 * :alice"))) return false;
    server.send({":s 001 me :Welcome", ":s 376 me :End"});
    if (!server.waitForLine(QStringLiteral("MODE me +i"))) return false;
    serverLines({":me!u@h JOIN :#c", ":s 353 me = #c :@me bob +carol dave erin frank",
                 ":s 366 me #c :End"});
    return pane->tabIRC()->count() == 1 && users().size() == 6;
  }

  // Sends lines and waits until the pane handled them.
  void serverLines(const QStringList &lines) {
    const QString mark = QStringLiteral("sync%1").arg(++syncs);
    server.send(QStringList(lines) << ":s NOTICE me :" + mark);
    waitFor([&] { return infoRows.contains("NOTICE|<>me :" + mark); });
  }

  QStringList users() const {
    QStringList out;
    for (const auto &u : pane->handler().slot(0).users)
      out.append(u.address.isEmpty() ? u.entry : u.entry + u'=' + u.address);
    return out;
  }
  QString log(int slot = 0) const {
    const auto *v = pane->txtLOG(slot);
    return v->plainText(0, v->textLength());
  }
  void select(const QStringList &entries) {
    QTreeView *list = pane->lstUSER(pane->handler().currentSlot());
    list->clearSelection();
    const auto &all = pane->handler().slot(pane->handler().currentSlot()).users;
    for (int row = 0; row < all.size(); ++row)
      if (entries.contains(all[row].entry))
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void trigger(const char *entry) {
    QAction *a = pane->commands()->entry(QString::fromLatin1(entry));
    ASSERT_TRUE(a) << entry;
    a->trigger();
  }
  // The voice session state, and the local address the link reports.
  void hosting(int state, const QString &localAddress = {}) {
    pane->SetBtnVisible(state);
    link->localAddress = localAddress;
  }
  QString setting(const char *k) const {
    return settings.ReadIni(u"IRC", QString::fromLatin1(k), u"<unset>");
  }

  QTemporaryDir dir;
  tv::app::AppInfo info;
  tv::app::Settings settings;
  Messages messages;
  tv::irc::IrcPaneServices services;
  tv::test::ScriptedServer server;
  QWidget host;
  CtlIRC *pane = nullptr;
  QPointer<tv::test::InProcessLink> link;
  QStringList infoRows, joins, opened;
  bool removed = false;
  int syncs = 0;
};

struct Row {
  const char *name = nullptr;
  std::function<void(Pane &)> stage = {};  // before the act (server lines, settings, selection)
  std::function<void(Pane &)> act = {};
  const char *box = nullptr;  // the box the act opens, answered with boxText
  QString title = {};         // after the tag
  QString defaultText = {};
  QString firstMessageLine = {};
  QString boxText = {};
  QStringList sent = {};       // what the server gets after the act, exactly
  QStringList slotLines = {};  // lines slot 0's log gets, without their time stamp
  std::function<void(Pane &)> check = {};
  bool exact = true;  // false: `sent` and `slotLines` are left to `check`
};

const QStringList kFive{"bob", "+carol", "dave", "erin", "frank"};

std::function<void(Pane &)> selecting(const QStringList &entries) {
  return [entries](Pane &p) { p.select(entries); };
}
std::function<void(Pane &)> triggering(const char *entry) {
  return [entry](Pane &p) { p.trigger(entry); };
}
std::function<void(Pane &)> lines(const QStringList &server) {
  return [server](Pane &p) { p.serverLines(server); };
}

// clang-format off
const Row kRows[] = {
    // Channel modes and the limit.
    {.name = "private mode", .act = triggering("btnMenuPrivatePlus"), .sent = {"MODE #c +p"}},
    {.name = "no outside messages off", .act = triggering("btnMenuNoMessageMinus"),
     .sent = {"MODE #c -n"}},
    {.name = "limit 0 removes it", .act = triggering("btnMenuLimitPlus"), .box = "IBOXLimit",
     .title = "チャンネルの人数制限設定", .defaultText = "6",
     .firstMessageLine = "制限人数を入力してください。", .boxText = "0", .sent = {"MODE #c -l"}},
    {.name = "limit in full-width digits", .act = triggering("btnMenuLimitPlus"),
     .box = "IBOXLimit", .boxText = "１０", .sent = {"MODE #c +l 10"}},
    {.name = "limit rounds to an integer", .act = triggering("btnMenuLimitPlus"),
     .box = "IBOXLimit", .boxText = " 10.4 ", .sent = {"MODE #c +l 10"}},
    {.name = "limit over 65535", .act = triggering("btnMenuLimitPlus"), .box = "IBOXLimit",
     .boxText = "70000",
     .slotLines = {"人数制限エラー", "　　<エラーの説明　> 人数制限の人数は65535以下を入力してください。"}},
    {.name = "limit in letters", .act = triggering("btnMenuLimitPlus"), .box = "IBOXLimit",
     .boxText = "ten",
     .slotLines = {"人数制限エラー", "　　<エラーの説明　> 数値以外を検出しました。",
                   "　　<エラーの説明　> 数値を入力してください。"}},
    {.name = "limit below 1", .act = triggering("btnMenuLimitPlus"), .box = "IBOXLimit",
     .boxText = "-3",
     .slotLines = {"人数制限エラー", "　　<エラーの説明　> 人数制限の人数は1以上を入力してください。"}},
    {.name = "a box answered after its channel closed does nothing",
     .act = [](Pane &p) {
       p.trigger("btnMenuLimitPlus");
       p.serverLines({":bob!u@h KICK #c me :out"});
     },
     .box = "IBOXLimit", .boxText = "5"},
    {.name = "key set", .act = triggering("btnMenuPasswordPlus"), .box = "IBOXPassPlus",
     .title = "チャンネルパスワードの設定",
     .firstMessageLine = "チャンネルのパスワードを入力してください。", .boxText = "abc123",
     .sent = {"MODE #c +k abc123"}},
    {.name = "key removed", .act = triggering("btnMenuPasswordMinus"), .box = "IBOXPassMinus",
     .title = "チャンネルパスワードの解除", .boxText = "abc123", .sent = {"MODE #c -k abc123"}},
    {.name = "key not ASCII", .act = triggering("btnMenuPasswordPlus"), .box = "IBOXPassPlus",
     .boxText = "鍵 1",
     .slotLines = {"パスワード入力エラー",
                   "　　<エラーの説明　> チャンネルパスワードは半角英数字で入力してください。"}},

    // Users: operator rights, kicks, WHOIS.
    {.name = "five operators in two lines", .stage = selecting(kFive),
     .act = triggering("btnMenuOperatorPlus"),
     .sent = {"MODE #c +ooo bob carol dave", "MODE #c +oo erin frank"}},
    {.name = "operator right taken", .stage = selecting({"@me"}),
     .act = triggering("btnMenuOperatorMinus"), .sent = {"MODE #c -o me"}},
    {.name = "no user selected", .stage = selecting({}), .act = triggering("btnMenuOperatorPlus")},
    {.name = "four kicks, colon made full-width", .stage = selecting({"bob", "+carol", "dave", "erin"}),
     .act = triggering("btnMenuKICK"), .box = "IBOXKick", .title = "追放理由の入力",
     .defaultText = "あなたは追放です",
     .firstMessageLine = "追放する人に対するメッセージを入力してください", .boxText = ":bye",
     .sent = {"KICK #c bob,carol,dave :：bye", "KICK #c erin :：bye"},
     .check = [](Pane &p) { EXPECT_EQ(p.setting("KickMessage"), "：bye"); }},
    {.name = "kick without a reason", .stage = selecting({"+carol"}),
     .act = triggering("btnMenuKICK"), .box = "IBOXKick", .boxText = "", .sent = {"KICK #c carol"},
     .check = [](Pane &p) { EXPECT_EQ(p.setting("KickMessage"), ""); }},
    {.name = "kick reason with a line break stays one line", .stage = selecting({"bob"}),
     .act = triggering("btnMenuKICK"), .box = "IBOXKick", .boxText = "あ\r\nQUIT :x",
     .sent = {"KICK #c bob :あ  QUIT :x"},
     .check = [](Pane &p) {
       // The Japanese row compares the bytes as well: ISO-2022-JP, one CR LF.
       const QByteArray line = tv::ircsock::encodeIso2022Jp(u"KICK #c bob :あ  QUIT :x") + "\r\n";
       EXPECT_TRUE(p.server.receivedBytes().endsWith(line));
       EXPECT_EQ(p.setting("KickMessage"), "あ  QUIT :x");
     }},
    {.name = "a 10,000-character reason is cut, not dropped", .stage = selecting({"bob"}),
     .act = triggering("btnMenuKICK"), .box = "IBOXKick", .boxText = QString(10000, u'長'),
     .check = [](Pane &p) {
       ASSERT_TRUE(waitFor([&] { return p.server.received().last().startsWith("KICK"); }));
       const QString line = p.server.received().last();
       EXPECT_TRUE(line.startsWith("KICK #c bob :長長"));
       EXPECT_LE(tv::irc::encodedLength(line), tv::irc::kMaxIrcLineBytes);
       EXPECT_GT(tv::irc::encodedLength(line), tv::irc::kMaxIrcLineBytes - 4);
     },
     .exact = false},
    {.name = "WHOIS on a double-click", .stage = selecting({"+carol"}),
     .act = [](Pane &p) {
       QTreeView *list = p.pane->lstUSER(0);
       const QRect r = list->visualRect(list->model()->index(2, 0));
       for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                 QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
         click(list->viewport(), type, r.center());
     },
     .sent = {"WHOIS carol"}, .slotLines = {"身元調査開始(carol)"}},

    // Away, topic, nickname, joining.
    {.name = "away set", .act = triggering("btnMenuAwayPlus"), .box = "IBOXAway",
     .title = "離席メッセージの設定", .defaultText = "離席中です",
     .firstMessageLine = "密談到着時の自動返信用「離席メッセージ」を入力してください。",
     .boxText = ":会議中", .sent = {"AWAY :：会議中"},
     .slotLines = {"離籍メッセージ(AWAY)を設定しました。", "　　<AWAYメッセージ> ：会議中"},
     .check = [](Pane &p) { EXPECT_EQ(p.setting("AwayMessage"), "：会議中"); }},
    {.name = "away with an empty text", .act = triggering("btnMenuAwayPlus"), .box = "IBOXAway",
     .boxText = "", .check = [](Pane &p) { EXPECT_EQ(p.setting("AwayMessage"), "<unset>"); }},
    {.name = "away cleared", .act = triggering("btnMenuAwayMinus"), .sent = {":me AWAY"},
     .slotLines = {"離籍メッセージ(AWAY)を解除しました。"}},
    {.name = "topic typed with a line break",
     .act = [](Pane &p) {
       QLineEdit *topic = p.pane->txtTOPIC();
       topic->setFocus();
       topic->setText(":今日\nQUIT");
       key(topic, Qt::Key_Return);
     },
     .sent = {"TOPIC #c :：今日 QUIT"}},
    {.name = "topic: Esc puts the stored one back, nothing sent",
     .stage = lines({":bob!u@h TOPIC #c :旧"}),
     .act = [](Pane &p) {
       p.pane->txtTOPIC()->setText("新");
       key(p.pane->txtTOPIC(), Qt::Key_Escape);
       EXPECT_EQ(p.pane->txtTOPIC()->text(), "旧");
     }},
    {.name = "selected log text as topic", .stage = lines({":bob!u@h PRIVMSG #c ::話題です"}),
     .act = [](Pane &p) {
       auto *log = p.pane->txtLOG(0);
       log->setTextCursor(log->document()->find(":話題です"));
       p.trigger("btnMenuSelTOPIC");
     },
     .sent = {"TOPIC #c :：話題です"}},
    {.name = "nickname through the label, a bad one first",
     .act = [](Pane &p) {
       QLabel *label = p.pane->lblNICK();
       label->setFocus();
       key(label, Qt::Key_Space);
       QLineEdit *box = p.pane->commands()->txtNICK();
       EXPECT_TRUE(box->isVisible() && !label->isVisible());
       EXPECT_EQ(box->selectedText(), "me");
       box->setText("1bad");
       key(box, Qt::Key_Return);
       EXPECT_EQ(p.messages.titles.size(), 1);
       EXPECT_TRUE(box->isVisible());
       box->setText("newme");
       key(box, Qt::Key_Return);
       EXPECT_FALSE(box->isVisible());
       EXPECT_TRUE(label->isVisible());
     },
     .sent = {"NICK newme"},
     // The label follows the server, not the request.
     .check = [](Pane &p) { EXPECT_EQ(p.pane->lblNICK()->accessibleDescription(), "me"); }},
    {.name = "join appends to the channel list", .act = triggering("btnMenuJoin"),
     .box = "IBOXJoin", .title = "参加チャンネルの追加", .defaultText = "#",
     .firstMessageLine = "新たに参加するチャンネル名を入力してください。", .boxText = "#新しい",
     .sent = {"JOIN :#新しい"},
     .check = [](Pane &p) {
       EXPECT_EQ(tv::text::readCp932Lines(p.info.filePath("CHList.txt")),
                 QStringList({":チェック状態,チャンネル名称", "1,#新しい"}));
     }},
    {.name = "join refuses a control character", .act = triggering("btnMenuJoin"),
     .box = "IBOXJoin", .boxText = "#a\x01z",
     .check = [](Pane &p) {
       EXPECT_EQ(p.messages.titles, QStringList{"[Talvora]チャンネルの名称が不正です"});
       EXPECT_FALSE(QFile::exists(p.info.filePath("CHList.txt")));
     }},

    // Private lines, PART and QUIT.
    {.name = "private line without a selection", .stage = selecting({}),
     .act = [](Pane &p) { EXPECT_FALSE(p.pane->TxPRIVMSG("x", false)); },
     .slotLines = {"密談送信エラー", "　　<エラーの説明　> ユーザが選択されていません。"}},
    {.name = "private line to two users, one line each", .stage = selecting({"+carol", "bob"}),
     .act = [](Pane &p) { EXPECT_TRUE(p.pane->TxPRIVMSG("あ\r\nQUIT :x", false)); },
     .sent = {"PRIVMSG bob :あ  QUIT :x", "PRIVMSG carol :あ  QUIT :x"},
     .check = [](Pane &p) { EXPECT_EQ(p.pane->tabIRC()->count(), 3); }},
    {.name = "PART among two channels", .stage = lines({":me!u@h JOIN :#d", ":s 366 me #d :End"}),
     .act = [](Pane &p) {
       p.pane->tabIRC()->setCurrentIndex(0);
       p.pane->commands()->btnPART()->click();
     },
     .sent = {"PART #c :さよなら～"},
     .check = [](Pane &p) { EXPECT_EQ(p.pane->tabIRC()->tabText(0), "#d"); }},
    {.name = "PART of a private conversation closes it", .stage = lines({":bob!u@h PRIVMSG me :hi"}),
     .act = [](Pane &p) { p.pane->commands()->btnPART()->click(); },
     .check = [](Pane &p) {
       EXPECT_EQ(p.pane->tabIRC()->count(), 1);
       EXPECT_EQ(p.pane->handler().findSlot("bob"), -1);
     }},
    {.name = "PART on the only channel sends QUIT; the server stays: forced close",
     .act = [](Pane &p) { p.pane->commands()->btnPART()->click(); }, .sent = {"QUIT :さよなら～"},
     .check = [](Pane &p) {
       QTimer *quit = p.pane->commands()->timQUIT();
       EXPECT_TRUE(quit->isActive());
       EXPECT_EQ(quit->interval(), 5000);
       EXPECT_EQ(p.pane->tabIRC()->count(), 0);
       EXPECT_TRUE(p.infoRows.contains("切断|QUITメッセージを送信しました。[さよなら～」"));
       quit->start(1);
       ASSERT_TRUE(waitFor([&] { return p.removed; }));
       EXPECT_TRUE(p.infoRows.contains("切断|IRCサーバと接続を強制クローズしました。"));
       EXPECT_EQ(p.pane->handler().slotCount(), 0);
     }},
    {.name = "an empty QuitMessage sends QUIT; the server closes first",
     .stage = [](Pane &p) { p.settings.WriteIni(u"IRC", u"QuitMessage", u""); },
     .act = [](Pane &p) { p.pane->commands()->btnQUIT()->click(); }, .sent = {"QUIT"},
     .check = [](Pane &p) {
       EXPECT_TRUE(p.infoRows.contains("切断|QUITメッセージを送信しました。"));
       p.server.disconnect();
       ASSERT_TRUE(waitFor([&] { return p.removed; }));
       EXPECT_FALSE(p.pane->commands()->timQUIT()->isActive());
       EXPECT_TRUE(p.infoRows.contains("切断|IRCサーバとの接続が切断されました。"));
     }},
    {.name = "QUIT on a broken link",
     .act = [](Pane &p) {
       p.link->breakLink(false);
       p.pane->TxQUIT();
     },
     .check = [](Pane &p) {
       EXPECT_TRUE(p.removed);
       EXPECT_TRUE(p.infoRows.contains("切断|PART送信ルーチンのIRC用サブプログラム呼び出しエラー"));
     }},
    {.name = "forced close on a broken link",
     .act = [](Pane &p) {
       p.pane->TxQUIT();
       p.link->breakLink(false);
       p.pane->commands()->timQUIT()->start(1);
     },
     .check = [](Pane &p) {
       ASSERT_TRUE(waitFor([&] { return p.removed; }));
       EXPECT_TRUE(p.infoRows.contains("切断|QUITメッセージを送信しました。[さよなら～」"));
       EXPECT_TRUE(p.infoRows.contains("切断|QUIT送信ルーチンのIRC用サブプログラム呼び出しエラー"));
     },
     .exact = false},

    // Voice recruitment.
    {.name = "recruiting behind a router: OK on the default",
     .stage = [](Pane &p) { p.hosting(2, "192.168.1.5"); }, .act = triggering("btnMenuRECRUITMENT"),
     .box = "IBOXRECRUITMENT", .title = "ルータ支援機能", .defaultText = "192.168.1.5",
     .firstMessageLine = "このパソコンはプライベートIPアドレスを使用しています。",
     .boxText = "192.168.1.5", .sent = {"PRIVMSG #c :" + kAnnounce + "192.168.1.5"},
     .slotLines = {">me< " + kAnnounce + "192.168.1.5"},
     .check = [](Pane &p) {
       EXPECT_EQ(p.setting("RecruitIP"), "192.168.1.5");
       EXPECT_EQ(p.users()[0], "@me");  // own lines mark nobody
     }},
    {.name = "recruiting behind a router: a bad address",
     .stage = [](Pane &p) {
       p.hosting(2, "10.0.0.2");
       p.settings.WriteIni(u"IRC", u"RecruitIP", u"198.51.100.4");
     },
     .act = triggering("btnMenuRECRUITMENT"), .box = "IBOXRECRUITMENT",
     .defaultText = "198.51.100.4", .boxText = "1.2.3",
     .slotLines = {"音声参加募集エラー(IPアドレス入力エラー)",
                   "　　<エラーの説明　> 入力されたIPアドレスに不正な文字列を検出しました。",
                   "　　<エラー後の処理> 音声参加者募集を取りやめました。"}},
    {.name = "recruiting with a public address announces at once",
     .stage = [](Pane &p) { p.hosting(2); }, .act = triggering("btnMenuRECRUITMENT"),
     .sent = {"PRIVMSG #c :" + kAnnounce + "127.0.0.1"},
     .slotLines = {">me< " + kAnnounce + "127.0.0.1"}},
    {.name = "recruiting with a broken local address",
     .stage = [](Pane &p) { p.hosting(2, "1.2.3.x"); }, .act = triggering("btnMenuRECRUITMENT"),
     .slotLines = {"音声参加募集エラー(原因不明のローカルIPアドレスエラー)",
                   "　　<エラーの説明　> このパソコンのIPアドレスに不正な文字列を検出しました。",
                   "　　<エラー後の処理> 音声参加者募集を取りやめました。"}},
    {.name = "recruiting while not hosting does nothing", .stage = [](Pane &p) { p.hosting(3); },
     .act = triggering("btnMenuRECRUITMENT")},
    {.name = "recruiting on a failing link ends the pane",
     .stage = [](Pane &p) {
       p.hosting(2);
       p.link->failLocalIP = true;
     },
     .act = triggering("btnMenuRECRUITMENT"),
     .check = [](Pane &p) {
       EXPECT_TRUE(p.removed);
       EXPECT_EQ(p.infoRows.mid(p.infoRows.size() - 2),
                 QStringList({"切断|音声参加募集ルーチンのIRC用サブプログラム呼び出しエラー",
                              "切断|IRC用サブプログラム(TvIRC)とのリンクが切れました。"}));
     }},
    {.name = "announcements mark their speaker only",
     .stage = lines({":bob!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.7",
                     ":dave!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.8 http://x/",
                     ":zed!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.9",
                     ":me!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.10",
                     ":carol!u@h PRIVMSG #c :" + kAnnounce + "1.1.1.1",
                     ":carol!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.11",
                     ":carol!u@h NICK :karol", ":x!u@h MODE #c +o karol"}),
     .act = [](Pane &p) {
       p.select({"dave"});
       p.trigger("btnMenuVJOIN");  // never announced validly: nothing
       p.select({"bob", "dave"});
       p.trigger("btnMenuVJOIN");
     },
     .check = [](Pane &p) {
       EXPECT_EQ(p.users(), QStringList({"@me", "bob=203.0.113.7", "@karol=203.0.113.11", "dave",
                                         "erin", "frank"}));
       EXPECT_EQ(p.joins, QStringList{"203.0.113.7"});
       EXPECT_TRUE(p.log().contains("<zed> " + kAnnounce + "203.0.113.9"));
       EXPECT_FALSE(p.pane->lstUSER(0)->model()->index(1, 0).data(Qt::DecorationRole).isNull());
     }},
    {.name = "voice entries follow the session state",
     .act = [](Pane &p) {
       QAction *join = p.pane->commands()->entry("btnMenuVJOIN");
       QAction *recruit = p.pane->commands()->entry("btnMenuRECRUITMENT");
       const bool expected[4][2] = {{true, false}, {false, false}, {false, true}, {false, false}};
       for (int state = 0; state < 4; ++state) {
         p.pane->SetBtnVisible(state);
         EXPECT_EQ(join->isEnabled(), expected[state][0]) << state;
         EXPECT_EQ(recruit->isEnabled(), expected[state][1]) << state;
       }
     }},
    {.name = "links open on a click on underlined web and mail addresses only",
     .stage = lines({":bob!u@h PRIVMSG #c :file:///etc/passwd javascript:alert(1) mailto:a@b.jp "
                     "http://example.jp/x"}),
     .act = [](Pane &p) {
       auto *log = p.pane->txtLOG(0);
       for (const char *at : {"passwd", "alert", "a@b", "example"}) {
         QTextCursor c = log->document()->find(QString::fromLatin1(at));
         c.setPosition(c.selectionStart() + 2);
         const qsizetype before = p.opened.size();
         log->setTextCursor(c);
         EXPECT_EQ(p.opened.size(), before);  // a caret move opens nothing
         click(log->viewport(), QEvent::MouseButtonRelease, log->cursorRect().center());
       }
     },
     .check = [](Pane &p) {
       EXPECT_EQ(p.opened, QStringList({"mailto:a@b.jp", "http://example.jp/x"}));
     }},
    {.name = "the menu key opens the user menu on a list and the channel menu on the tabs",
     .act = [](Pane &p) {
       key(p.pane->lstUSER(0), Qt::Key_F10, Qt::ShiftModifier);
       EXPECT_TRUE(p.pane->btnUserRoot()->isVisible());
       p.pane->btnUserRoot()->close();
       key(p.pane->tabIRC(), Qt::Key_Menu);
       EXPECT_TRUE(p.pane->btnChRoot()->isVisible());
       EXPECT_FALSE(p.pane->commands()->entry("btnMenuSelTOPIC")->isEnabled());
       p.pane->btnChRoot()->close();
     }},
};
// clang-format on

TEST(IrcCommandsTest, EveryCommandFromItsInputsToTheServer) {
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.name);
    Pane p;
    ASSERT_TRUE(p.start());
    if (row.stage) row.stage(p);
    const qsizetype sentBefore = p.server.received().size();
    const QString logBefore = p.log();
    row.act(p);
    if (row.box) {
      tv::app::FrmBoxINP *box = p.pane->commands()->box(QString::fromLatin1(row.box));
      ASSERT_TRUE(box && box->isVisible());
      if (!row.title.isEmpty()) {
        EXPECT_EQ(box->windowTitle(), "[Talvora]" + row.title);
      }
      if (!row.title.isEmpty() || !row.defaultText.isEmpty()) {
        EXPECT_EQ(box->txtINPUT()->text(), row.defaultText);
      }
      if (!row.firstMessageLine.isEmpty()) {
        EXPECT_EQ(box->label(0)->text(), row.firstMessageLine);
      }
      box->txtINPUT()->setText(row.boxText);
      box->btnOK()->click();
    }
    waitFor([&] { return p.server.received().size() >= sentBefore + row.sent.size(); });
    pause(150);  // several pacing steps: nothing more may follow
    if (row.exact) {
      EXPECT_EQ(p.server.received().mid(sentBefore), row.sent);
    }
    if (row.exact && !p.removed) {
      QStringList written;
      for (const QString &line : p.log().mid(logBefore.size()).split("\r\n", Qt::SkipEmptyParts))
        written.append(line.section(u' ', 1));
      EXPECT_EQ(written, row.slotLines);
    }
    if (row.check) row.check(p);
  }
}

}  // namespace
