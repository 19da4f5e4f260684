// The IRC connection and settings dialogs, offscreen, on list files in a temporary
// program folder.

#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "irc/IrcDialogLauncher.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InfoLog.h"
#include "platform/text/TextFile.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using tv::irc::FrmConIRC;
using tv::irc::FrmSetIRC;

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace {

class Messages : public tv::app::MessageSink {
 public:
  void ViewMSG(const QString &message, const QString &title) override {
    shown << title + u'|' + message.section(QStringLiteral("\r\n"), 0, 0);
  }
  QStringList shown;
};

class IrcDialogTest : public ::testing::Test {
 protected:
  IrcDialogTest()
      : info(tv::app::RunStartUp(dir.path(), QStringLiteral("alice"))),
        settings(info.settingsPath()) {}
  // The dialogs delete themselves (and the boxes they own) when closed, on a later turn
  // of an event loop these tests never return to; those still open or waiting go now.
  ~IrcDialogTest() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<FrmConIRC *>(w) || qobject_cast<FrmSetIRC *>(w)) w->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  FrmConIRC *open() {
    tv::irc::IrcDialogServices s;
    s.messages = &messages;
    s.log = [this](const QString &kind, const QString &text) { rows << kind + u'|' + text; };
    s.connect = [this](const QString &nick, const QString &name, const QString &host,
                       const QString &port) {
      connects << QStringList{nick, name, host, port}.join(u' ');
    };
    s.random = [] { return 0.75; };
    auto *d = new FrmConIRC(info, settings, std::move(s));
    d->show();
    return d;
  }
  void write(const char *name, const QStringList &lines) {
    ASSERT_TRUE(tv::text::writeCp932Lines(info.filePath(QString::fromLatin1(name)), lines));
  }
  QStringList read(const char *name) const {
    return tv::text::readCp932Lines(info.filePath(QString::fromLatin1(name)))
        .value_or(QStringList());
  }

  QTemporaryDir dir;
  tv::app::AppInfo info;
  tv::app::Settings settings;
  Messages messages;
  QStringList rows;
  QStringList connects;
};

TEST_F(IrcDialogTest, MissingListsAreReportedAndReplacedByDefaults) {
  QPointer<FrmConIRC> d = open();
  EXPECT_EQ(rows, (QStringList{"ERR|SVList.txtが見つかりませんでした。",
                               "ERR|サーバリストをロードできません。",
                               "ERR|CHList.txtが見つかりませんでした。",
                               "ERR|チャンネルリストをロードできません。"}));
  EXPECT_EQ(d->cboSV()->currentText(), "IRCnet (irc.ircnet.ne.jp)");
  EXPECT_EQ(d->txtPORT()->text(), "6660～6669");
  EXPECT_EQ(d->lstCH()->topLevelItem(0)->text(0), "#Talvora");
  EXPECT_EQ(d->lstCH()->topLevelItem(0)->checkState(0), Qt::Checked);
  EXPECT_EQ(d->cboNICK()->currentText(), "alice");
  EXPECT_TRUE(tv::test::unnamedControls(d).isEmpty()) << tv::test::unnamedControls(d).toStdString();
  d->btnConnect_Click();
  EXPECT_EQ(connects, QStringList{"alice IRCnet (irc.ircnet.ne.jp) irc.ircnet.ne.jp 6667"});
  EXPECT_EQ(read("CHList.txt"), (QStringList{":チェック状態,チャンネル名称", "True,#Talvora"}));
  EXPECT_EQ(read("NickIRC.txt"), QStringList{"alice"});
  EXPECT_TRUE(tv::test::waitFor([&] { return d.isNull(); }));
}

TEST_F(IrcDialogTest, ListsAreReadToTheirFirstDamageAndWrittenBack) {
  write("SVList.txt", {":name,host,port,count", "Local,127.0.0.1,6667,1", "Other,irc.b.jp,7000,3",
                       "Broken,irc.c.jp,6667,1,5", "Late,irc.d.jp,6667,1"});
  write("CHList.txt", {":チェック状態,チャンネル名称", "1,#one", "False,#two", "True,#three"});
  write("NickIRC.txt", {"older", "newest"});
  settings.WriteIni(u"IRC", u"SelectedServerIndex", u"1");
  settings.WriteIni(u"IRC", u"SelectedSVIndex", u"7");  // beyond the list: ignored
  settings.WriteIni(u"IRC", u"SelectedChannelIndex", u"2");
  FrmConIRC *d = open();
  EXPECT_EQ(rows, (QStringList{"ERR|SVList.txtが壊れています。",
                               "ERR|サーバリストをロードを中止しました。"}));
  EXPECT_EQ(d->cboSV()->count(), 2);
  EXPECT_EQ(d->cboSV()->currentText(), "Other");
  EXPECT_EQ(d->txtPORT()->text(), "7000～7002");
  EXPECT_EQ(d->lstCH()->currentItem()->text(0), "#two");
  EXPECT_EQ(d->cboNICK()->currentText(), "newest");

  // Moving keeps the tick and the selection; the list goes back in the new order.
  d->btnUP()->click();
  d->btnUP()->click();  // already first
  EXPECT_EQ(d->channels(),
            (QList<tv::irc::IrcChannelEntry>{{false, "#two"}, {true, "#one"}, {true, "#three"}}));
  EXPECT_EQ(d->lstCH()->currentItem()->text(0), "#two");
  d->btnConnect_Click();
  EXPECT_EQ(connects, QStringList{"newest Other irc.b.jp 7002"});
  EXPECT_EQ(read("CHList.txt"), (QStringList{":チェック状態,チャンネル名称", "False,#two",
                                             "True,#one", "True,#three"}));
  EXPECT_EQ(settings.ReadIni(u"IRC", u"SelectedSVIndex", u""), "1");
}

TEST_F(IrcDialogTest, BadInputShowsItsBoxAndKeepsTheDialog) {
  write("SVList.txt", {":only a comment"});
  FrmConIRC *d = open();
  d->cboNICK()->setEditText("1bad");
  d->btnConnect_Click();
  d->cboNICK()->setEditText("good");
  d->btnConnect_Click();  // no server to choose
  EXPECT_TRUE(connects.isEmpty());
  ASSERT_EQ(messages.shown.size(), 2);
  EXPECT_TRUE(messages.shown[0].endsWith(tv::app::NicknameRulesMessage().section("\r\n", 0, 0)));
  EXPECT_EQ(messages.shown[1], "[Talvora]IRC接続|接続するIRCサーバを選択してください。");
  EXPECT_TRUE(d->isVisible());

  // Channels: "#" and "" add nothing; a bad name or a control character shows the rules.
  d->btnADD_Click();
  tv::app::FrmBoxINP *box = d->IBOXChannel();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "[Talvora]参加チャンネルの追加");
  EXPECT_EQ(box->txtINPUT()->text(), "#");
  for (const QString &text : {QString("#"), QString(), QString("no"),
                              QString("#a\x01"
                                      "b"),
                              QString("#新しい")})
    Q_EMIT box->BtnClick(text);
  EXPECT_EQ(messages.shown.size(), 4);
  EXPECT_EQ(messages.shown.last(), "[Talvora]チャンネルの名称が不正です|" +
                                       tv::app::ChannelRulesMessage().section("\r\n", 0, 0));
  const QTreeWidgetItem *added = d->lstCH()->topLevelItem(d->lstCH()->topLevelItemCount() - 1);
  EXPECT_EQ(added->text(0), "#新しい");
  EXPECT_EQ(added->checkState(0), Qt::Checked);
}

TEST_F(IrcDialogTest, SettingsDialogStoresGreetings) {
  auto *d = new FrmSetIRC(info, settings,
                          [this](const QString &k, const QString &t) { rows << k + u'|' + t; });
  EXPECT_EQ(d->windowTitle(), "[Talvora]IRCの設定");
  EXPECT_EQ(d->cboQUIT()->currentText(), "さよなら～");
  EXPECT_EQ(d->btnApply()->accessibleName(), "適用(A)");
  d->cboQUIT()->setEditText(":またね");
  d->btnApply_Click();
  EXPECT_EQ(d->cboQUIT()->currentText(), "：またね");
  EXPECT_EQ(settings.ReadIni(u"IRC", u"QuitMessage", u""), "：またね");
  EXPECT_FALSE(QFile::exists(info.filePath("QUIT_MSG.txt")));
  d->cboPART()->setEditText("では");
  d->btnOK_Click();
  EXPECT_EQ(read("QUIT_MSG.txt"), QStringList{"：またね"});
  EXPECT_EQ(read("PART_MSG.txt"), QStringList{"では"});

  d = new FrmSetIRC(info, settings, {});
  EXPECT_EQ(d->cboPART()->currentText(), "では");
  d->cboPART()->setEditText("not kept");
  d->btnCancel()->click();
  EXPECT_EQ(settings.ReadIni(u"IRC", u"PartMessage", u""), "では");
  EXPECT_TRUE(rows.isEmpty());
}

TEST_F(IrcDialogTest, TheMainWindowsButtonsOpenTheDialogs) {
  tv::mainwindow::FrmMain w(info, settings);
  tv::irc::IrcDialogLauncher launcher(w, info, settings, &messages);
  auto *button = w.findChild<QAbstractButton *>("btnSetIRC");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "IRC設定");
  EXPECT_EQ(button->toolTip(), "IRCの挨拶メッセージを設定します");
  button->click();
  ASSERT_NE(launcher.settingsDialog(), nullptr);
  w.findChild<QAbstractButton *>("btnIRC")->click();
  ASSERT_NE(launcher.connectionDialog(), nullptr);
  EXPECT_TRUE(launcher.connectionDialog()->isVisible());
  // Without IRC panes the window says it cannot open one.
  launcher.connectionDialog()->btnConnect_Click();
  EXPECT_EQ(w.lstINF()->row(w.lstINF()->rowCount() - 1).message,
            "IRCの画面を用意できませんでした。");
}

}  // namespace
