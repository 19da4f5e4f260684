// TvDcc's two windows, offscreen: the receiver's save path and overwrite rule, the
// sender's router settings and offer line, and one transfer from a sender window to a
// receiver window. (Refused offers and hostile senders are shown end to end.)

#include "app/Settings.h"
#include "common/TestSupport.h"
#include "dcc/DccStatusBar.h"
#include "dcc/FrmRec.h"
#include "dcc/FrmSend.h"
#include "dcc/TvDccStart.h"
#include "dcc/ValueLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace tv::dcc {
namespace {

using test::readBytes;
using test::waitFor;
using test::writeBytes;

struct Folder {
  QTemporaryDir dir;
  app::Settings settings{dir.filePath(kSettingsName)};
  QString path(const QString &name) const { return dir.filePath(name); }
};

// The error box that is up, if any; closing it (OK) is the caller's choice.
QMessageBox *openBox() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) return box;
  return nullptr;
}

void closeBoxes() {
  while (QMessageBox *box = openBox()) box->done(QMessageBox::Ok);
}

ReceiveRequest offer(const QString &savePath, const QString &address, const QString &port,
                     const QString &size) {
  return {Mode::Vrec, QStringLiteral("ぼぶ"), address, port, size, savePath};
}

TEST(DccWindows, ReceiverChecksItsSavePathAndAsksBeforeReplacing) {
  Folder f;
  QTcpServer sender;
  ASSERT_TRUE(sender.listen(QHostAddress::LocalHost));
  const QString port = QString::number(sender.serverPort());
  const QString sub = f.path(QStringLiteral("sub"));
  ASSERT_TRUE(QDir().mkpath(sub));
  FrmRec rec(offer(sub + QStringLiteral("/a.txt"), QStringLiteral("2130706433"), port,
                   QStringLiteral("3")),
             f.settings);
  rec.show();
  EXPECT_TRUE(test::unnamedControls(&rec).isEmpty()) << test::unnamedControls(&rec).toStdString();
  // The folder went away after it was chosen: the path is emptied, then asked for.
  ASSERT_TRUE(QDir(sub).removeRecursively());
  rec.btnRx_Click();
  EXPECT_EQ(rec.statusBar()->status(), QStringLiteral("フォルダが削除されています。"));
  EXPECT_EQ(rec.savePath(), QString());
  rec.btnRx_Click();
  EXPECT_EQ(rec.statusBar()->status(), QStringLiteral("フォルダを指定してください。"));

  // A file that appeared by the time of 受信: that click shows the box and stops.
  const QString target = f.path(QStringLiteral("b.txt"));
  rec.chooseSavePath(target);
  EXPECT_EQ(f.settings.ReadIni(u"DCC", u"Folder", u""), QDir(f.dir.path()).path() + u'/');
  writeBytes(target, "old content");
  rec.btnRx_Click();
  ASSERT_TRUE(openBox());
  EXPECT_TRUE(openBox()->text().startsWith(QStringLiteral("ファイルが既に存在します。")));
  closeBoxes();
  EXPECT_TRUE(rec.btnRx()->isEnabled());
  EXPECT_TRUE(sender.waitForNewConnection(300) == false);
  // The next click replaces it.
  rec.btnRx_Click();
  EXPECT_FALSE(rec.btnRx()->isEnabled());
  ASSERT_TRUE(waitFor([&] { return sender.hasPendingConnections(); }));
  QTcpSocket *peer = sender.nextPendingConnection();
  peer->write("new");
  ASSERT_TRUE(
      waitFor([&] { return rec.windowTitle() == QStringLiteral("完了") || !rec.isVisible(); }));
  EXPECT_EQ(readBytes(target), "new");
}

TEST(DccWindows, ReceiverShowsAShortEndAndKeepsWhatArrived) {
  Folder f;
  f.settings.WriteIni(u"DCC", u"chkClose", u"0");
  QTcpServer sender;
  ASSERT_TRUE(sender.listen(QHostAddress::LocalHost));
  FrmRec rec(offer(f.path(QStringLiteral("c.bin")), QStringLiteral("2130706433"),
                   QString::number(sender.serverPort()), QStringLiteral("1000")),
             f.settings);
  rec.show();
  rec.btnRx_Click();
  ASSERT_TRUE(waitFor([&] { return sender.hasPendingConnections(); }));
  QTcpSocket *peer = sender.nextPendingConnection();
  ASSERT_TRUE(waitFor([&] {
    return rec.statusBar()->status() == QStringLiteral("ぼぶさんとの接続に成功しました。");
  }));
  peer->write(QByteArray(600, 'x'));
  peer->disconnectFromHost();
  ASSERT_TRUE(waitFor(
      [&] { return rec.statusBar()->status() == QStringLiteral("ぼぶさんから切断されました。"); }));
  EXPECT_EQ(rec.statusBar()->panel(1)->text(), QStringLiteral("未完了のファイル: c.bin.part"));
  EXPECT_EQ(rec.lblRxedFSize()->text(), QStringLiteral("600"));
  EXPECT_EQ(rec.prgTx()->value(), 60);
  EXPECT_EQ(rec.windowTitle(), QStringLiteral("60%"));
  EXPECT_EQ(QDir(f.dir.path()).entryList({QStringLiteral("c.bin*")}, QDir::Files),
            QStringList{QStringLiteral("c.bin.part")});
  EXPECT_TRUE(rec.isVisible());
}

struct SendFixture {
  Folder f;
  QStringList handedOver;
  bool handOffSucceeds = true;
  std::unique_ptr<FrmSend> make(Mode mode) {
    auto send = std::make_unique<FrmSend>(
        SendRequest{mode, QStringLiteral("bob")}, f.settings, QStringLiteral("192.168.0.1"),
        [this](const QString &line, std::function<void(bool)> done) {
          handedOver << line;
          done(handOffSucceeds);
        });
    send->show();
    return send;
  }
};

TEST(DccWindows, SenderChecksTheRouterSettingsAndHandsOverOneOfferLine) {
  SendFixture s;
  s.f.settings.WriteIni(u"DCC", u"chkNAT", u"0");
  auto send = s.make(Mode::Isend);
  send->btnTx_Click();
  EXPECT_EQ(send->statusBar()->status(), QStringLiteral("ファイルを指定してください。"));
  const QString file = s.f.path(QStringLiteral("my file.txt"));
  writeBytes(file, "12345");
  send->chooseFile(file);
  EXPECT_EQ(s.f.settings.ReadIni(u"DCC", u"Path", u""), file);

  // Router settings are checked only when they are used.
  send->chkNAT()->click();
  EXPECT_TRUE(send->IpTxt()->isEnabled());
  send->IpTxt()->setText(QStringLiteral("192.168.1"));
  send->btnTx_Click();
  EXPECT_EQ(send->statusBar()->status(),
            QStringLiteral("ルータのインターネット側のIPアドレスが不正です。"));
  send->IpTxt()->setText(QStringLiteral("203.0.113.7"));
  send->PortTxt()->setText(QStringLiteral("8000.5"));
  send->btnTx_Click();
  EXPECT_EQ(send->statusBar()->status(),
            QStringLiteral("ルータの未使用ポート番号は整数で指定してください。"));
  EXPECT_TRUE(s.handedOver.isEmpty());

  // With the router's settings the offer carries the router's address and port, and
  // the same port listens on this PC.
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::AnyIPv4));
  const quint16 free = probe.serverPort();
  probe.close();
  send->PortTxt()->setText(QString::number(free));
  send->btnTx_Click();
  ASSERT_EQ(s.handedOver.size(), 1);
  EXPECT_EQ(s.handedOver[0], QStringLiteral("PRIVMSG bob :\1DCC SEND my_file.txt 3405803783 ") +
                                 QString::number(free) + QStringLiteral(" 5\1"));
  EXPECT_EQ(send->sender().port(), free);
  EXPECT_EQ(send->statusBar()->status(),
            QStringLiteral("接続受付ポートを開きました。PORT = ") + QString::number(free));
  EXPECT_FALSE(send->btnTx()->isEnabled());
  send->btnTx_Click();
  EXPECT_EQ(s.handedOver.size(), 1);
  EXPECT_TRUE(test::unnamedControls(send.get()).isEmpty())
      << test::unnamedControls(send.get()).toStdString();

  // The router port is in use on this PC: the box, and the buttons back.
  SendFixture busy;
  auto second = busy.make(Mode::Vsend);
  second->chooseFile(file);
  second->IpTxt()->setText(QStringLiteral("203.0.113.7"));
  second->PortTxt()->setText(QString::number(free));
  second->btnTx_Click();
  ASSERT_TRUE(openBox());
  EXPECT_TRUE(openBox()->text().startsWith(QStringLiteral("このパソコンのポートが使用中でした。")));
  closeBoxes();
  EXPECT_EQ(second->statusBar()->status(),
            QStringLiteral("ポートが使用中のため、処理を中止しました。"));
  EXPECT_TRUE(second->btnTx()->isEnabled());
  EXPECT_TRUE(busy.handedOver.isEmpty());
  send->close();
  EXPECT_EQ(s.f.settings.ReadIni(u"DCC", u"NatPORT", u""), QString::number(free));
  EXPECT_EQ(s.f.settings.ReadIni(u"DCC", u"chkNAT", u""), QStringLiteral("1"));
}

TEST(DccWindows, SenderWindowToReceiverWindow) {
  SendFixture s;
  s.f.settings.WriteIni(u"DCC", u"chkNAT", u"0");
  s.f.settings.WriteIni(u"DCC", u"chkClose", u"0");
  QByteArray data(100000, Qt::Uninitialized);
  for (qsizetype i = 0; i < data.size(); ++i) data[i] = char(i * 7);
  writeBytes(s.f.path(QStringLiteral("photo.jpg")), data);
  s.f.settings.WriteIni(u"DCC", u"Path", s.f.path(QStringLiteral("photo.jpg")));
  s.handOffSucceeds = false;
  auto send = s.make(Mode::Vsend);
  send->btnTx_Click();
  ASSERT_EQ(s.handedOver.size(), 1);
  EXPECT_EQ(send->statusBar()->status(), QStringLiteral("DCCメッセージ送信に失敗しました。"));
  const QStringList w = s.handedOver[0].split(u' ');
  ASSERT_EQ(w.size(), 8);
  EXPECT_EQ(w[5], QStringLiteral("3232235521"));  // this PC's address as offered

  Folder out;
  out.settings.WriteIni(u"DCC", u"chkClose", u"0");
  FrmRec rec(offer(out.path(w[4]), QStringLiteral("2130706433"), w[6], w[7]), out.settings);
  rec.show();
  rec.btnRx_Click();
  ASSERT_TRUE(waitFor([&] {
    return rec.windowTitle() == QStringLiteral("完了") &&
           send->windowTitle() == QStringLiteral("完了");
  }));
  EXPECT_EQ(readBytes(out.path(QStringLiteral("photo.jpg"))), data);
  EXPECT_EQ(rec.statusBar()->status(), QStringLiteral("ファイルの受信が完了しました。"));
  EXPECT_EQ(send->statusBar()->status(), QStringLiteral("ファイルの送信が完了しました。"));
  EXPECT_EQ(rec.prgTx()->value(), 100);
  EXPECT_EQ(rec.lblRxedFSize()->accessibleDescription(), QStringLiteral("100000"));
  // The sender's end of data does not read as a broken connection.
  QTest::qWait(100);
  EXPECT_EQ(rec.statusBar()->status(), QStringLiteral("ファイルの受信が完了しました。"));
}

TEST(DccWindows, StartUpProposesAPlainNameInTheLastFolder) {
  Folder f;
  const QString app = f.path(QStringLiteral("prog/"));
  EXPECT_EQ(TvDccStart::ProposedSavePath(f.settings, app, QStringLiteral("../../x.txt")),
            QDir::cleanPath(app + QStringLiteral("x.txt")));
  f.settings.WriteIni(u"DCC", u"Folder", f.dir.path() + u'/');
  EXPECT_EQ(TvDccStart::ProposedSavePath(f.settings, app, QStringLiteral(".bashrc")),
            f.path(QStringLiteral("bashrc")));
}

}  // namespace
}  // namespace tv::dcc
