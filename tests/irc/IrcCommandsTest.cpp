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

// Rows leave their trailing expectations out.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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
      link->localAddress = localAddress;
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
  QString localAddress;
  QStringList infoRows, joins, opened;
  bool removed = false;
  int syncs = 0;
};

struct Row {
  const char *name;
  std::function<void(Pane &)> stage;  // before the act (server lines, settings, selection)
  std::function<void(Pane &)> act;
  const char *box = nullptr;  // the box the act opens, answered with boxText
  QString title;              // after the tag
  QString defaultText;
  QString firstMessageLine;
  QString boxText;
  QStringList sent;       // what the server gets after the act, exactly
  QStringList slotLines;  // lines slot 0's log gets, without their time stamp
  std::function<void(Pane &)> check;
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

const Row kRows[] = {
    // Channel modes and the limit.
    {"private mode",
     nullptr,
     triggering("btnMenuPrivatePlus"),
     nullptr,
     {},
     {},
     {},
     {},
     {"MODE #c +p"}},
    {"no outside messages off",
     nullptr,
     triggering("btnMenuNoMessageMinus"),
     nullptr,
     {},
     {},
     {},
     {},
     {"MODE #c -n"}},
    {"limit 0 removes it",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     "チャンネルの人数制限設定",
     "6",
     "制限人数を入力してください。",
     "0",
     {"MODE #c -l"}},
    {"limit in full-width digits",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     "チャンネルの人数制限設定",
     "6",
     {},
     "１０",
     {"MODE #c +l 10"}},
    {"limit rounds to an integer",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     {},
     {},
     {},
     " 10.4 ",
     {"MODE #c +l 10"}},
    {"limit over 65535",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     {},
     {},
     {},
     "70000",
     {},
     {"人数制限エラー", "　　<エラーの説明　> 人数制限の人数は65535以下を入力してください。"}},
    {"limit in letters",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     {},
     {},
     {},
     "ten",
     {},
     {"人数制限エラー", "　　<エラーの説明　> 数値以外を検出しました。",
      "　　<エラーの説明　> 数値を入力してください。"}},
    {"limit below 1",
     nullptr,
     triggering("btnMenuLimitPlus"),
     "IBOXLimit",
     {},
     {},
     {},
     "-3",
     {},
     {"人数制限エラー", "　　<エラーの説明　> 人数制限の人数は1以上を入力してください。"}},
    {"key set",
     nullptr,
     triggering("btnMenuPasswordPlus"),
     "IBOXPassPlus",
     "チャンネルパスワードの設定",
     "",
     "チャンネルのパスワードを入力してください。",
     "abc123",
     {"MODE #c +k abc123"}},
    {"key removed",
     nullptr,
     triggering("btnMenuPasswordMinus"),
     "IBOXPassMinus",
     "チャンネルパスワードの解除",
     "",
     {},
     "abc123",
     {"MODE #c -k abc123"}},
    {"key not ASCII",
     nullptr,
     triggering("btnMenuPasswordPlus"),
     "IBOXPassPlus",
     {},
     {},
     {},
     "鍵 1",
     {},
     {"パスワード入力エラー",
      "　　<エラーの説明　> チャンネルパスワードは半角英数字で入力してください。"}},

    // Users: operator rights, kicks, WHOIS.
    {"five operators in two lines",
     selecting(kFive),
     triggering("btnMenuOperatorPlus"),
     nullptr,
     {},
     {},
     {},
     {},
     {"MODE #c +ooo bob carol dave", "MODE #c +oo erin frank"}},
    {"operator right taken",
     selecting({"@me"}),
     triggering("btnMenuOperatorMinus"),
     nullptr,
     {},
     {},
     {},
     {},
     {"MODE #c -o me"}},
    {"no user selected",
     selecting({}),
     triggering("btnMenuOperatorPlus"),
     nullptr,
     {},
     {},
     {},
     {},
     {}},
    {"four kicks, colon made full-width",
     selecting({"bob", "+carol", "dave", "erin"}),
     triggering("btnMenuKICK"),
     "IBOXKick",
     "追放理由の入力",
     "あなたは追放です",
     "追放する人に対するメッセージを入力してください",
     ":bye",
     {"KICK #c bob,carol,dave :：bye", "KICK #c erin :：bye"},
     {},
     [](Pane &p) { EXPECT_EQ(p.setting("KickMessage"), "：bye"); }},
    {"kick without a reason",
     selecting({"+carol"}),
     triggering("btnMenuKICK"),
     "IBOXKick",
     {},
     {},
     {},
     "",
     {"KICK #c carol"},
     {},
     [](Pane &p) { EXPECT_EQ(p.setting("KickMessage"), ""); }},
    {"kick reason with a line break stays one line",
     selecting({"bob"}),
     triggering("btnMenuKICK"),
     "IBOXKick",
     {},
     {},
     {},
     "あ\r\nQUIT :x",
     {"KICK #c bob :あ  QUIT :x"},
     {},
     [](Pane &p) {
       // The Japanese row compares the bytes as well: ISO-2022-JP, one CR LF.
       const QByteArray line = tv::ircsock::encodeIso2022Jp(u"KICK #c bob :あ  QUIT :x") + "\r\n";
       EXPECT_TRUE(p.server.receivedBytes().endsWith(line));
       EXPECT_EQ(p.setting("KickMessage"), "あ  QUIT :x");
     }},
    {"a 10,000-character reason is cut, not dropped",
     selecting({"bob"}),
     triggering("btnMenuKICK"),
     "IBOXKick",
     {},
     {},
     {},
     QString(10000, u'長'),
     {},
     {},
     [](Pane &p) {
       ASSERT_TRUE(waitFor([&] { return p.server.received().last().startsWith("KICK"); }));
       const QString line = p.server.received().last();
       EXPECT_TRUE(line.startsWith("KICK #c bob :長長"));
       EXPECT_LE(tv::irc::encodedLength(line), tv::irc::kMaxIrcLineBytes);
       EXPECT_GT(tv::irc::encodedLength(line), tv::irc::kMaxIrcLineBytes - 4);
     },
     false},
    {"WHOIS on a double-click",
     selecting({"+carol"}),
     [](Pane &p) {
       QTreeView *list = p.pane->lstUSER(0);
       const QRect r = list->visualRect(list->model()->index(2, 0));
       for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                 QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
         click(list->viewport(), type, r.center());
     },
     nullptr,
     {},
     {},
     {},
     {},
     {"WHOIS carol"},
     {"身元調査開始(carol)"}},

    // Away, topic, nickname, joining.
    {"away set",
     nullptr,
     triggering("btnMenuAwayPlus"),
     "IBOXAway",
     "離席メッセージの設定",
     "離席中です",
     "密談到着時の自動返信用「離席メッセージ」を入力してください。",
     ":会議中",
     {"AWAY :：会議中"},
     {"離籍メッセージ(AWAY)を設定しました。", "　　<AWAYメッセージ> ：会議中"},
     [](Pane &p) { EXPECT_EQ(p.setting("AwayMessage"), "：会議中"); }},
    {"away with an empty text",
     nullptr,
     triggering("btnMenuAwayPlus"),
     "IBOXAway",
     {},
     {},
     {},
     "",
     {},
     {},
     [](Pane &p) { EXPECT_EQ(p.setting("AwayMessage"), "<unset>"); }},
    {"away cleared",
     nullptr,
     triggering("btnMenuAwayMinus"),
     nullptr,
     {},
     {},
     {},
     {},
     {":me AWAY"},
     {"離籍メッセージ(AWAY)を解除しました。"}},
    {"topic typed with a line break",
     nullptr,
     [](Pane &p) {
       QLineEdit *topic = p.pane->txtTOPIC();
       topic->setFocus();
       topic->setText(":今日\nQUIT");
       key(topic, Qt::Key_Return);
     },
     nullptr,
     {},
     {},
     {},
     {},
     {"TOPIC #c :：今日 QUIT"}},
    {"topic: Esc puts the stored one back, nothing sent",
     lines({":bob!u@h TOPIC #c :旧"}),
     [](Pane &p) {
       p.pane->txtTOPIC()->setText("新");
       key(p.pane->txtTOPIC(), Qt::Key_Escape);
       EXPECT_EQ(p.pane->txtTOPIC()->text(), "旧");
     },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {}},
    {"selected log text as topic",
     lines({":bob!u@h PRIVMSG #c ::話題です"}),
     [](Pane &p) {
       auto *log = p.pane->txtLOG(0);
       log->setTextCursor(log->document()->find(":話題です"));
       p.trigger("btnMenuSelTOPIC");
     },
     nullptr,
     {},
     {},
     {},
     {},
     {"TOPIC #c :：話題です"},
     {}},
    {"nickname through the label, a bad one first",
     nullptr,
     [](Pane &p) {
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
     nullptr,
     {},
     {},
     {},
     {},
     {"NICK newme"},
     {},
     // The label follows the server, not the request.
     [](Pane &p) { EXPECT_EQ(p.pane->lblNICK()->accessibleDescription(), "me"); }},
    {"join appends to the channel list",
     nullptr,
     triggering("btnMenuJoin"),
     "IBOXJoin",
     "参加チャンネルの追加",
     "#",
     "新たに参加するチャンネル名を入力してください。",
     "#新しい",
     {"JOIN :#新しい"},
     {},
     [](Pane &p) {
       EXPECT_EQ(tv::text::readCp932Lines(p.info.filePath("CHList.txt")),
                 QStringList({":チェック状態,チャンネル名称", "1,#新しい"}));
     }},
    {"join refuses a control character",
     nullptr,
     triggering("btnMenuJoin"),
     "IBOXJoin",
     {},
     {},
     {},
     "#a\x01z",
     {},
     {},
     [](Pane &p) {
       EXPECT_EQ(p.messages.titles, QStringList{"[Talvora]チャンネルの名称が不正です"});
       EXPECT_FALSE(QFile::exists(p.info.filePath("CHList.txt")));
     }},

    // Private lines, PART and QUIT.
    {"private line without a selection",
     selecting({}),
     [](Pane &p) { EXPECT_FALSE(p.pane->TxPRIVMSG("x", false)); },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {"密談送信エラー", "　　<エラーの説明　> ユーザが選択されていません。"}},
    {"private line to two users, one line each",
     selecting({"+carol", "bob"}),
     [](Pane &p) { EXPECT_TRUE(p.pane->TxPRIVMSG("あ\r\nQUIT :x", false)); },
     nullptr,
     {},
     {},
     {},
     {},
     {"PRIVMSG bob :あ  QUIT :x", "PRIVMSG carol :あ  QUIT :x"},
     {},
     [](Pane &p) { EXPECT_EQ(p.pane->tabIRC()->count(), 3); }},
    {"PART among two channels",
     lines({":me!u@h JOIN :#d", ":s 366 me #d :End"}),
     [](Pane &p) {
       p.pane->tabIRC()->setCurrentIndex(0);
       p.pane->commands()->btnPART()->click();
     },
     nullptr,
     {},
     {},
     {},
     {},
     {"PART #c :さよなら～"},
     {},
     [](Pane &p) { EXPECT_EQ(p.pane->tabIRC()->tabText(0), "#d"); }},
    {"PART of a private conversation closes it",
     lines({":bob!u@h PRIVMSG me :hi"}),
     [](Pane &p) { p.pane->commands()->btnPART()->click(); },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {},
     [](Pane &p) {
       EXPECT_EQ(p.pane->tabIRC()->count(), 1);
       EXPECT_EQ(p.pane->handler().findSlot("bob"), -1);
     }},
    {"PART on the only channel sends QUIT; the server stays: forced close",
     nullptr,
     [](Pane &p) { p.pane->commands()->btnPART()->click(); },
     nullptr,
     {},
     {},
     {},
     {},
     {"QUIT :さよなら～"},
     {},
     [](Pane &p) {
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
    {"an empty QuitMessage sends QUIT; the server closes first",
     [](Pane &p) { p.settings.WriteIni(u"IRC", u"QuitMessage", u""); },
     [](Pane &p) { p.pane->commands()->btnQUIT()->click(); },
     nullptr,
     {},
     {},
     {},
     {},
     {"QUIT"},
     {},
     [](Pane &p) {
       EXPECT_TRUE(p.infoRows.contains("切断|QUITメッセージを送信しました。"));
       p.server.disconnect();
       ASSERT_TRUE(waitFor([&] { return p.removed; }));
       EXPECT_FALSE(p.pane->commands()->timQUIT()->isActive());
       EXPECT_TRUE(p.infoRows.contains("切断|IRCサーバとの接続が切断されました。"));
     }},
    {"QUIT on a broken link",
     nullptr,
     [](Pane &p) {
       p.link->breakLink(false);
       p.pane->TxQUIT();
     },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {},
     [](Pane &p) {
       EXPECT_TRUE(p.removed);
       EXPECT_TRUE(p.infoRows.contains("切断|PART送信ルーチンのIRC用サブプログラム呼び出しエラー"));
     }},
    {"forced close on a broken link",
     nullptr,
     [](Pane &p) {
       p.pane->TxQUIT();
       p.link->breakLink(false);
       p.pane->commands()->timQUIT()->start(1);
     },
     nullptr,
     {},
     {},
     {},
     {},
     {"QUIT :さよなら～"},
     {},
     [](Pane &p) {
       ASSERT_TRUE(waitFor([&] { return p.removed; }));
       EXPECT_TRUE(p.infoRows.contains("切断|QUITメッセージを送信しました。[さよなら～」"));
       EXPECT_TRUE(p.infoRows.contains("切断|QUIT送信ルーチンのIRC用サブプログラム呼び出しエラー"));
     },
     false},

    // Voice recruitment.
    {"recruiting behind a router: OK on the default",
     [](Pane &p) {
       p.pane->SetBtnVisible(2);
       p.link->localAddress = "192.168.1.5";
     },
     triggering("btnMenuRECRUITMENT"),
     "IBOXRECRUITMENT",
     "ルータ支援機能",
     "192.168.1.5",
     "このパソコンはプライベートIPアドレスを使用しています。",
     "192.168.1.5",
     {"PRIVMSG #c :" + kAnnounce + "192.168.1.5"},
     {">me< " + kAnnounce + "192.168.1.5"},
     [](Pane &p) {
       EXPECT_EQ(p.setting("RecruitIP"), "192.168.1.5");
       EXPECT_EQ(p.users()[0], "@me");  // own lines mark nobody
     }},
    {"recruiting behind a router: a bad address",
     [](Pane &p) {
       p.pane->SetBtnVisible(2);
       p.link->localAddress = "10.0.0.2";
       p.settings.WriteIni(u"IRC", u"RecruitIP", u"198.51.100.4");
     },
     triggering("btnMenuRECRUITMENT"),
     "IBOXRECRUITMENT",
     {},
     "198.51.100.4",
     {},
     "1.2.3",
     {},
     {"音声参加募集エラー(IPアドレス入力エラー)",
      "　　<エラーの説明　> 入力されたIPアドレスに不正な文字列を検出しました。",
      "　　<エラー後の処理> 音声参加者募集を取りやめました。"}},
    {"recruiting with a public address announces at once",
     [](Pane &p) { p.pane->SetBtnVisible(2); },
     triggering("btnMenuRECRUITMENT"),
     nullptr,
     {},
     {},
     {},
     {},
     {"PRIVMSG #c :" + kAnnounce + "127.0.0.1"},
     {">me< " + kAnnounce + "127.0.0.1"}},
    {"recruiting with a broken local address",
     [](Pane &p) {
       p.pane->SetBtnVisible(2);
       p.link->localAddress = "1.2.3.x";
     },
     triggering("btnMenuRECRUITMENT"),
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {"音声参加募集エラー(原因不明のローカルIPアドレスエラー)",
      "　　<エラーの説明　> このパソコンのIPアドレスに不正な文字列を検出しました。",
      "　　<エラー後の処理> 音声参加者募集を取りやめました。"}},
    {"recruiting on a failing link ends the pane",
     [](Pane &p) {
       p.pane->SetBtnVisible(2);
       p.link->failLocalIP = true;
     },
     triggering("btnMenuRECRUITMENT"),
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {},
     [](Pane &p) {
       EXPECT_TRUE(p.removed);
       EXPECT_EQ(p.infoRows.mid(p.infoRows.size() - 2),
                 QStringList({"切断|音声参加募集ルーチンのIRC用サブプログラム呼び出しエラー",
                              "切断|IRC用サブプログラム(TvIRC)とのリンクが切れました。"}));
     }},
    {"announcements mark their speaker only",
     lines({":bob!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.7",
            ":dave!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.8 http://x/",
            ":zed!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.9",
            ":me!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.10",
            ":carol!u@h PRIVMSG #c :" + kAnnounce + "1.1.1.1",
            ":carol!u@h PRIVMSG #c :" + kAnnounce + "203.0.113.11", ":carol!u@h NICK :karol",
            ":x!u@h MODE #c +o karol"}),
     [](Pane &p) {
       p.select({"dave"});
       p.trigger("btnMenuVJOIN");  // never announced validly: nothing
       p.select({"bob", "dave"});
       p.trigger("btnMenuVJOIN");
     },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {},
     [](Pane &p) {
       EXPECT_EQ(p.users(), QStringList({"@me", "bob=203.0.113.7", "@karol=203.0.113.11", "dave",
                                         "erin", "frank"}));
       EXPECT_EQ(p.joins, QStringList{"203.0.113.7"});
       EXPECT_TRUE(p.log().contains("<zed> " + kAnnounce + "203.0.113.9"));
       EXPECT_FALSE(p.pane->lstUSER(0)->model()->index(1, 0).data(Qt::DecorationRole).isNull());
     }},
    {"voice entries follow the session state",
     nullptr,
     [](Pane &p) {
       QAction *join = p.pane->commands()->entry("btnMenuVJOIN");
       QAction *recruit = p.pane->commands()->entry("btnMenuRECRUITMENT");
       const bool expected[4][2] = {{true, false}, {false, false}, {false, true}, {false, false}};
       for (int state = 0; state < 4; ++state) {
         p.pane->SetBtnVisible(state);
         EXPECT_EQ(join->isEnabled(), expected[state][0]) << state;
         EXPECT_EQ(recruit->isEnabled(), expected[state][1]) << state;
       }
     },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {}},
    {"links open on a click on underlined web and mail addresses only",
     lines({":bob!u@h PRIVMSG #c :file:///etc/passwd javascript:alert(1) mailto:a@b.jp "
            "http://example.jp/x"}),
     [](Pane &p) {
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
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {},
     [](Pane &p) {
       EXPECT_EQ(p.opened, QStringList({"mailto:a@b.jp", "http://example.jp/x"}));
     }},
    {"the menu key opens the user menu on a list",
     nullptr,
     [](Pane &p) {
       key(p.pane->lstUSER(0), Qt::Key_F10, Qt::ShiftModifier);
       EXPECT_TRUE(p.pane->btnUserRoot()->isVisible());
       p.pane->btnUserRoot()->close();
       key(p.pane->tabIRC(), Qt::Key_Menu);
       EXPECT_TRUE(p.pane->btnChRoot()->isVisible());
       EXPECT_FALSE(p.pane->commands()->entry("btnMenuSelTOPIC")->isEnabled());
       p.pane->btnChRoot()->close();
     },
     nullptr,
     {},
     {},
     {},
     {},
     {},
     {}},
};

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
