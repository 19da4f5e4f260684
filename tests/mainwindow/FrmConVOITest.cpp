#include "mainwindow/FrmConVOI.h"

#include "app/AppInfo.h"
#include "app/ModChk.h"
#include "app/Settings.h"
#include "common/TestSupport.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "mainwindow/VoiceDialogLauncher.h"
#include "platform/peer/FakeNetwork.h"
#include "platform/text/Cp932.h"
#include "session/Pacer.h"
#include "session/VoiceCollections.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace tv::mainwindow {
namespace {

using tv::test::readBytes;
using tv::test::writeBytes;

class RecordingBox : public app::MessageSink {
 public:
  void ViewMSG(const QString &message, const QString &title) override {
    shown << title + u'|' + message;
  }
  QStringList shown;
};

class EventPacer : public session::Pacer {
 public:
  void Pause() override { QCoreApplication::processEvents(); }
  void Pump() override { QCoreApplication::processEvents(); }
};

peer::PeerConfig providers() {
  peer::PeerConfig c;
  c.providers = {{QStringLiteral("TCP/IP"), {}},
                 {QStringLiteral("Serial"), {}},
                 {QStringLiteral("TCP/IP (IPv4)"), {}},
                 {QStringLiteral("モデム"), {}}};
  return c;
}

QByteArray listBytes(const QStringList &oldestFirst) {
  QByteArray out;
  for (const QString &line : oldestFirst) out += text::encodeCp932(line) + "\r\n";
  return out;
}

class VoiceDialog : public ::testing::Test {
 protected:
  VoiceDialog() : settings(info.settingsPath()) {}

  static app::AppInfo makeInfo(const QTemporaryDir &dir) {
    app::AppInfo i;
    i.appFolder = dir.path() + u'/';
    i.defaultNick = QStringLiteral("ゆーざ");
    return i;
  }
  QString file(const QString &name) const { return info.filePath(name); }
  // Hosts with the nickname typed and the codec chosen.
  void host(const QString &nick, int codec) {
    dlg.OpenHOST();
    dlg.cboNICK()->setEditText(nick);
    dlg.lstCODEC()->setCurrentRow(codec);
    dlg.btnHOST()->click();
  }

  QTemporaryDir dir;
  app::AppInfo info = makeInfo(dir);
  app::Settings settings;
  peer::FakeNetwork net{providers()};
  EventPacer pacer;
  RecordingBox box;
  QStringList log;
  session::VoiceCollections lists{net, pacer};
  QWidget main;
  FrmConVOI dlg{info,
                settings,
                {&lists, &box, &pacer,
                 [this](const QString &kind, const QString &text) { log << kind + u'|' + text; }},
                &main};
  QSignalSpy hosted{&dlg, &FrmConVOI::EvHOST};
  QSignalSpy joined{&dlg, &FrmConVOI::EvJOIN};
};

TEST_F(VoiceDialog, FirstStartOffersTheDefaults) {
  dlg.OpenHOST();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.isModal());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("[Talvora]音声ホスト"));
  EXPECT_EQ(dlg.cboNICK()->currentText(), QStringLiteral("ゆーざ"));
  EXPECT_EQ(dlg.lstDEVICE()->currentRow(), 2);  // the last "TCP" entry
  EXPECT_EQ(dlg.lstDEVICE()->item(1)->text(), QStringLiteral("(動きません) Serial"));
  ASSERT_EQ(dlg.lstCODEC()->count(), 8);
  EXPECT_TRUE(dlg.lstCODEC()->currentItem()->text().contains(u"SC03"));
  EXPECT_TRUE(dlg.btnHOST()->isVisible() && dlg.btnHOST()->isDefault());
  EXPECT_TRUE(dlg.lstCODEC()->isVisible() && dlg.Title(FrmConVOI::kTitleCodec)->isVisible());
  EXPECT_FALSE(dlg.cboIP()->isVisible() || dlg.btnJOIN()->isVisible() ||
               dlg.Title(FrmConVOI::kTitleAddress)->isVisible());
  // The window ends just below btnCANCEL and holds the widest label.
  const int cancelBottom = dlg.btnCANCEL()->geometry().bottom();
  EXPECT_GT(dlg.height(), cancelBottom);
  EXPECT_LT(dlg.height(), cancelBottom + 20);
  EXPECT_GE(dlg.width(), dlg.Title(FrmConVOI::kTitleDevice)->geometry().right());
  EXPECT_EQ(dlg.btnCANCEL()->y(), dlg.btnHOST()->y());
  EXPECT_EQ(tv::test::unnamedControls(&dlg), QString());
  dlg.btnCANCEL()->click();

  dlg.OpenJOIN();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("[Talvora]音声参加"));
  EXPECT_EQ(dlg.cboIP()->currentText(), QString());
  EXPECT_TRUE(dlg.cboIP()->isVisible());
  EXPECT_TRUE(dlg.btnJOIN()->isDefault());
  EXPECT_FALSE(dlg.btnHOST()->isDefault());
  EXPECT_FALSE(dlg.lstCODEC()->isVisible() || dlg.btnHOST()->isVisible());
  EXPECT_EQ(dlg.btnCANCEL()->y(), dlg.btnJOIN()->y());
  EXPECT_LT(dlg.height(), dlg.btnCANCEL()->geometry().bottom() + 20);
  EXPECT_EQ(tv::test::unnamedControls(&dlg), QString());

  // Object names of the label array and the exact captions.
  const QString captions[] = {
      QStringLiteral("(1)ニックネームを決める"),
      QStringLiteral("(2)通信機器を決める（よく解らない場合はそのままにしてください）"),
      QStringLiteral("(3)ホストのアドレスを入力する"), QStringLiteral("(3)音声レートを決める"),
      QStringLiteral("(TCP/IP以外は動作保証しません)")};
  for (int i = 0; i < FrmConVOI::kTitleCount; ++i) {
    auto *l = dlg.findChild<QLabel *>(QStringLiteral("Title(%1)").arg(i));
    ASSERT_NE(l, nullptr) << i;
    EXPECT_EQ(l->text(), captions[i]);
  }
  // The device list's tool-tip shows the entry clicked.
  Q_EMIT dlg.lstDEVICE()->itemClicked(dlg.lstDEVICE()->item(1));
  EXPECT_EQ(dlg.lstDEVICE()->toolTip(), QStringLiteral("(動きません) Serial"));
}

TEST_F(VoiceDialog, HostingHandsOverOneBasedNumbersAndRemembersTheCodec) {
  host(QStringLiteral("あき"), 5);
  ASSERT_EQ(hosted.size(), 1);
  EXPECT_EQ(hosted[0], QVariantList({QStringLiteral("あき"), 6u, 3u}));
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"CodecIndex", u"-1"), QStringLiteral("5"));
  EXPECT_EQ(dlg.lstCODEC()->count(), 0);  // unloaded

  dlg.OpenHOST();
  EXPECT_EQ(dlg.lstCODEC()->currentRow(), 5);
  EXPECT_EQ(dlg.cboNICK()->currentText(), QStringLiteral("あき"));
  dlg.lstCODEC()->setCurrentRow(0);
  dlg.btnHOST()->click();
  EXPECT_EQ(hosted[1], QVariantList({QStringLiteral("あき"), 1u, 3u}));
  dlg.OpenHOST();
  EXPECT_EQ(dlg.lstCODEC()->currentRow(), 0);
  dlg.reject();

  // Stored positions: the device index is read, values that no longer fit fall back.
  struct Case {
    const char16_t *device;
    const char16_t *codec;
    int deviceRow;
    int codecRow;
  } cases[] = {{u"0", u"7", 0, 7}, {u"4", u"8", 2, 2}, {u"-7", u"abc", 2, 0}, {u"-1", u"-1", 2, 2}};
  for (const Case &c : cases) {
    settings.WriteIni(u"VOICE", u"DeviceIndex", QStringView(c.device));
    settings.WriteIni(u"VOICE", u"CodecIndex", QStringView(c.codec));
    dlg.OpenHOST();
    EXPECT_EQ(dlg.lstDEVICE()->currentRow(), c.deviceRow)
        << QStringView(c.device).toString().toStdString();
    EXPECT_EQ(dlg.lstCODEC()->currentRow(), c.codecRow)
        << QStringView(c.codec).toString().toStdString();
    dlg.reject();
  }
}

TEST_F(VoiceDialog, TheThirtyFirstNicknamePushesTheOldestOut) {
  QStringList oldestFirst;
  for (int i = 1; i <= 31; ++i) {
    host(QStringLiteral("名前%1").arg(i), 2);
    oldestFirst << QStringLiteral("名前%1").arg(i);
  }
  ASSERT_EQ(hosted.size(), 31);
  oldestFirst.removeFirst();
  const QByteArray bytes = readBytes(file(QStringLiteral("NickVOICE.txt")));
  EXPECT_EQ(bytes, listBytes(oldestFirst));
  EXPECT_TRUE(
      bytes.startsWith("\x96\xbc\x91\x4f"
                       "2\r\n"));  // 名前2 in CP932
  // Using a name again moves it to the top without a duplicate.
  host(QStringLiteral("名前5"), 2);
  dlg.OpenJOIN();
  EXPECT_EQ(dlg.cboNICK()->count(), 30);
  EXPECT_EQ(dlg.cboNICK()->itemText(0), QStringLiteral("名前5"));
  EXPECT_EQ(dlg.cboNICK()->itemText(1), QStringLiteral("名前31"));
  EXPECT_EQ(dlg.cboNICK()->currentText(), QStringLiteral("名前5"));
}

TEST_F(VoiceDialog, AnInvitationFillsTheAddressAndJoiningKeepsIt) {
  writeBytes(file(QStringLiteral("IPVoice.txt")), "10.0.0.1\r\nhost.example\r\n");
  dlg.OpenOnlyName(QStringLiteral("192.168.1.5"));
  EXPECT_EQ(dlg.cboIP()->currentText(), QStringLiteral("192.168.1.5"));
  EXPECT_EQ(dlg.cboIP()->count(), 2);
  EXPECT_EQ(dlg.cboNICK()->currentText(), QStringLiteral("ゆーざ"));
  dlg.btnJOIN()->click();
  ASSERT_EQ(joined.size(), 1);
  EXPECT_EQ(joined[0], QVariantList({QStringLiteral("ゆーざ"), QStringLiteral("192.168.1.5"), 3u}));
  EXPECT_EQ(readBytes(file(QStringLiteral("IPVoice.txt"))),
            "10.0.0.1\r\nhost.example\r\n192.168.1.5\r\n");
  EXPECT_EQ(readBytes(file(QStringLiteral("NickVOICE.txt"))),
            listBytes({QStringLiteral("ゆーざ")}));
  EXPECT_FALSE(settings.ReadIni(u"VOICE", u"CodecIndex", u"none") !=
               u"none");  // join stores no codec

  dlg.OpenJOIN();
  EXPECT_EQ(dlg.cboIP()->currentText(), QStringLiteral("192.168.1.5"));
  // A line break in an invited address is handed over but never splits the history.
  dlg.reject();
  dlg.OpenOnlyName(QStringLiteral("1.2.3.4\r\nevil"));
  dlg.btnJOIN()->click();
  ASSERT_EQ(joined.size(), 2);
  EXPECT_EQ(joined[1][1].toString(), QStringLiteral("1.2.3.4\r\nevil"));
  EXPECT_EQ(readBytes(file(QStringLiteral("IPVoice.txt"))),
            "10.0.0.1\r\nhost.example\r\n192.168.1.5\r\n");
}

TEST_F(VoiceDialog, FailedChecksKeepTheDialogOpenAndHandOverNothing) {
  struct Case {
    bool host;
    QString nick;
    QString address;
    QString shown;
  } cases[] = {
      {true, QString(), QString(),
       QStringLiteral(
           "[Talvora]ニックネームを入力してください|ニックネームが入力されていません。")},
      {false, QString(), QStringLiteral("10.0.0.1"),
       QStringLiteral(
           "[Talvora]ニックネームを入力してください|ニックネームが入力されていません。")},
      {false, QStringLiteral("あき"), QString(),
       QStringLiteral("[Talvora]音声ホストのアドレス入力してください|"
                      "音声ホストのアドレスが入力されていません。")},
      {true, QStringLiteral("talvora_dev"), QString(), QString()},
      {false, QStringLiteral("たるぼら作者"), QStringLiteral("10.0.0.1"), QString()},
  };
  for (const Case &c : cases) {
    box.shown.clear();
    if (c.host)
      dlg.OpenHOST();
    else
      dlg.OpenJOIN();
    dlg.cboNICK()->setEditText(c.nick);
    dlg.cboIP()->setEditText(c.address);
    (c.host ? dlg.btnHOST() : dlg.btnJOIN())->click();
    ASSERT_EQ(box.shown.size(), 1) << c.nick.toStdString();
    if (!c.shown.isEmpty()) {
      EXPECT_EQ(box.shown[0], c.shown);
    } else {  // the reserved-name rule's own message
      RecordingBox rule;
      app::IsReservedNickname(c.nick, &rule);
      EXPECT_EQ(box.shown, rule.shown);
    }
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.cboNICK()->currentText(), c.nick);
    if (!c.host) {
      EXPECT_EQ(dlg.cboIP()->currentText(), c.address);
    }
    dlg.reject();
  }
  EXPECT_EQ(hosted.size() + joined.size(), 0);
  EXPECT_FALSE(QFile::exists(file(QStringLiteral("NickVOICE.txt"))));
  EXPECT_FALSE(QFile::exists(file(QStringLiteral("IPVoice.txt"))));
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"CodecIndex", u"none"), QStringLiteral("none"));
}

TEST_F(VoiceDialog, CancelStoresNothing) {
  dlg.OpenJOIN();
  dlg.cboNICK()->setEditText(QStringLiteral("新しい名前"));
  dlg.cboIP()->setEditText(QStringLiteral("10.0.0.9"));
  dlg.btnCANCEL()->click();
  EXPECT_FALSE(dlg.isVisible());
  dlg.OpenHOST();
  dlg.lstCODEC()->setCurrentRow(7);
  dlg.reject();  // Escape or the window's close button
  EXPECT_EQ(hosted.size() + joined.size(), 0);
  EXPECT_FALSE(QFile::exists(file(QStringLiteral("NickVOICE.txt"))));
  EXPECT_FALSE(QFile::exists(file(QStringLiteral("IPVoice.txt"))));
  EXPECT_EQ(settings.ReadIni(u"VOICE", u"CodecIndex", u"none"), QStringLiteral("none"));
  dlg.OpenJOIN();
  EXPECT_EQ(dlg.cboNICK()->currentText(), QStringLiteral("ゆーざ"));
  EXPECT_EQ(dlg.cboIP()->currentText(), QString());
}

TEST_F(VoiceDialog, AHistoryThatCannotBeStoredIsReportedAndTheJoinGoesOn) {
  QDir(dir.path()).mkdir(QStringLiteral("NickVOICE.txt"));  // a folder where the file goes
  host(QStringLiteral("あき"), 2);
  EXPECT_EQ(hosted.size(), 1);
  ASSERT_FALSE(log.isEmpty());
  EXPECT_EQ(log[0], QStringLiteral("ERR|NickVOICE.txtを保存できませんでした。"));
}

TEST_F(VoiceDialog, EnterPressesTheDefaultButtonWithoutGrowingTheHistory) {
  dlg.OpenHOST();
  dlg.cboNICK()->setEditText(QStringLiteral("はる"));
  QTest::keyClick(dlg.cboNICK()->lineEdit(), Qt::Key_Return);
  ASSERT_EQ(hosted.size(), 1);
  EXPECT_EQ(hosted[0][0].toString(), QStringLiteral("はる"));
  dlg.OpenJOIN();
  EXPECT_EQ(dlg.cboNICK()->count(), 1);
  dlg.cboIP()->setEditText(QStringLiteral("10.0.0.1"));
  QTest::keyClick(dlg.cboIP()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(joined.size(), 1);
}

TEST_F(VoiceDialog, AnOpeningDuringTheHandOverIsNotUnloaded) {
  // The engine's start lets events run; an invitation may open the dialog meanwhile.
  QObject::connect(&dlg, &FrmConVOI::EvHOST, &dlg,
                   [this] { dlg.OpenOnlyName(QStringLiteral("192.0.2.1")); });
  host(QStringLiteral("あき"), 2);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.btnJOIN()->isVisible());
  EXPECT_EQ(dlg.cboIP()->currentText(), QStringLiteral("192.0.2.1"));
  EXPECT_EQ(dlg.lstDEVICE()->count(), 4);
}

// The main window's buttons open the dialog, made once; its hand-over is passed on.
class VoiceDialogWiring : public tv::test::MainWindowTest {};

TEST_F(VoiceDialogWiring, MainWindowRequestsOpenTheOneDialog) {
  auto w = make();
  peer::FakeNetwork network{providers()};
  EventPacer eventPacer;
  RecordingBox messages;
  session::VoiceCollections voiceLists{network, eventPacer};
  VoiceDialogLauncher launcher(*w, info, settings, {&voiceLists, &messages, &eventPacer, {}});
  EXPECT_EQ(launcher.existingDialog(), nullptr);
  QSignalSpy hostSpy(&launcher, &VoiceDialogLauncher::EvHOST);
  QSignalSpy joinSpy(&launcher, &VoiceDialogLauncher::EvJOIN);

  Q_EMIT w->voiceDialogRequested(true);
  FrmConVOI *d = launcher.existingDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->isVisible() && d->btnHOST()->isVisible());
  EXPECT_EQ(d->parentWidget(), w.get());
  d->btnHOST()->click();
  ASSERT_EQ(hostSpy.size(), 1);
  EXPECT_EQ(hostSpy[0][1].toUInt(), 3u);

  Q_EMIT w->voiceDialogRequested(false);
  EXPECT_EQ(launcher.existingDialog(), d);
  EXPECT_TRUE(d->isVisible() && d->btnJOIN()->isVisible());
  d->reject();
  Q_EMIT w->voiceJoinRequested(QStringLiteral("192.0.2.7"));
  EXPECT_EQ(d->cboIP()->currentText(), QStringLiteral("192.0.2.7"));
  d->btnJOIN()->click();
  ASSERT_EQ(joinSpy.size(), 1);
  EXPECT_EQ(joinSpy[0][1].toString(), QStringLiteral("192.0.2.7"));
}

}  // namespace
}  // namespace tv::mainwindow
