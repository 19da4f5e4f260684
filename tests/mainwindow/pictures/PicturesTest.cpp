// Pictures and rich lines in the voice chat log: hostile pictures received through the
// message receiver into a real main window and stored by the real picture store, with
// vector metafiles drawn by the real helper; hostile rich lines; and sending pictures.
#include "MainWindowTestSupport.h"
#include "PictureTestSupport.h"
#include "common/TestSupport.h"
#include "common/WmfBuilder.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/InfoLog.h"
#include "session/MessageReceiver.h"
#include "session/PictureStore.h"
#include "session/SessionMessage.h"
#include "session/SessionReport.h"
#include "session/TvDccLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace tv;
using session::kMaxMessageBytes;
using session::PictureStore;

namespace {

class PicturesTest : public test::MainWindowTest {
 protected:
  // A received message from bob (ID 2), handled as the engine handles it.
  QString receive(mainwindow::FrmMain &w, const QByteArray &message) {
    const session::SessionReport report(w);
    const PictureStore store(info.appFolder);
    session::TvDccLauncher dcc(info.filePath("TvDcc"),
                               [](const QString &, const QStringList &) { return false; });
    session::MessageReceiver receiver(
        w, report, store, dcc,
        {[](quint32) { return QStringLiteral("bob"); }, [] { return false; }, [](quint32, int) {}},
        [] { return qint64(0); });
    const QString stored = receiver.Receive(2, message);
    if (!stored.isEmpty()) w.ShowReceivedPicture(stored);
    return stored;
  }
  QStringList infoRows(const mainwindow::FrmMain &w, int from) const {
    QStringList rows;
    for (int i = from; i < w.lstINF()->rowCount(); ++i)
      rows << w.lstINF()->row(i).kind + u'|' + w.lstINF()->row(i).message;
    return rows;
  }
};

enum class Shown { Picture, Placeholder, Either };

TEST_F(PicturesTest, HostilePicturesAreStoredAndNeverBreakTheLog) {
  auto w = make();
  startVoice(*w);
  QSignalSpy shown(w.get(), &mainwindow::FrmMain::pictureShown);
  using test::WmfBuilder;
  const QByteArray jpeg = test::pictureFile(QSize(640, 480), "JPG");
  struct Case {
    const char *name;
    std::int32_t format;
    QByteArray bytes;
    Shown expected;
    QSize size;  // of a picture shown
  };
  const Case cases[] = {
      {"photo larger than the log", session::kJpg, test::pictureFile(QSize(2000, 1500), "JPG"),
       Shown::Picture, QSize(800, 600)},
      {"PNG announced as JPG", session::kJpg, test::pictureFile(QSize(1000, 700), "PNG"),
       Shown::Picture, QSize(800, 560)},
      {"65535 x 65535 PNG",
       session::kJpeg,
       test::pngHeaderOnly(65535, 65535),
       Shown::Placeholder,
       {}},
      {"16385 pixels wide", session::kBmp, test::pngHeaderOnly(16385, 4), Shown::Placeholder, {}},
      {"truncated JPEG", session::kJpg, jpeg.left(jpeg.size() / 2), Shown::Either, {}},
      {"BMP whose header lies", session::kBmp, test::lyingBmp(4000, 3000), Shown::Either, {}},
      {"garbage filling a message",
       session::kJpg,
       test::garbage(PictureStore::kMaxPictureBytes),
       Shown::Placeholder,
       {}},
      {"vector metafile", session::kWmf, WmfBuilder().shapes(20).bytes(), Shown::Picture, {}},
      {"metafile with huge extents", session::kWmf,
       WmfBuilder().shapes(1).placeable(-32768, -32768, 32767, 32767, 1).bytes(), Shown::Picture,
       QSize(600, 600)},
      {"metafile of 200,000 records",
       session::kWmf,
       WmfBuilder().filler(200000).bytes(),
       Shown::Either,
       {}},
      {"metafile records past the end",
       session::kWmf,
       WmfBuilder().shapes(2).bytes().chopped(30),
       Shown::Placeholder,
       {}},
      {"metafile escape record",
       session::kWmf,
       WmfBuilder().shapes(1).escape().bytes(),
       Shown::Either,
       {}},
      {"unknown format code", 77, test::pictureFile(QSize(40, 30), "PNG"), Shown::Picture, {}},
  };
  const qint64 peakBefore = test::peakResidentKb();
  for (const Case &c : cases) {
    const qint64 rssBefore = test::residentKb();
    const qsizetype signals = shown.size();
    const QString stored = receive(*w, session::encodePictureMessage(c.format, c.bytes));
    ASSERT_FALSE(stored.isEmpty()) << c.name;
    // Stored whole under the announced extension, whatever the bytes are.
    EXPECT_EQ(QFileInfo(stored).suffix(), session::pictureExtension(c.format).mid(1)) << c.name;
    EXPECT_TRUE(test::readBytes(stored) == c.bytes) << c.name;
    ASSERT_TRUE(test::waitFor([&] { return shown.size() > signals; }, std::chrono::seconds(10)))
        << c.name;
    const test::PictureLine line = test::lastPictureLine(*w->txtLOG());
    ASSERT_TRUE(line.found) << c.name;
    if (c.expected != Shown::Either) {
      EXPECT_EQ(line.placeholder, c.expected == Shown::Placeholder) << c.name;
    }
    if (line.placeholder) {
      EXPECT_EQ(line.text, "表示できない画像: " + QFileInfo(stored).fileName()) << c.name;
    } else {
      EXPECT_TRUE(line.text.isEmpty()) << c.name;
      EXPECT_LE(line.size.width(), 800) << c.name;
      EXPECT_LE(line.size.height(), 600) << c.name;
      if (c.size.isValid()) {
        EXPECT_EQ(line.size, c.size) << c.name;
      }
    }
    // A picture refused from its header costs no pixels.
    if (c.bytes.size() < 1024 && line.placeholder) {
      EXPECT_LT(test::residentKb() - rssBefore, 8 * 1024) << c.name;
    }
  }
  EXPECT_LT(test::peakResidentKb() - peakBefore, 600 * 1024);
}

TEST_F(PicturesTest, RichLinesTheReaderRefusesShowANotice) {
  auto w = make();
  startVoice(*w);
  const QString notice = QStringLiteral("（表示できない書式付き発言）");
  const QByteArray deep =
      "{\\rtf1 " + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "}";
  const QByteArray bomb = "{\\rtf1 {\\pict\\pngblip " + test::pngHeaderOnly(65535, 65535).toHex() +
                          "}{\\pict\\pngblip\\bin2000000000 }}";
  // What follows the name header: the notice, the reader's own placeholder boxes, or
  // the line itself.
  const QString boxes = QStringLiteral("□");
  struct Case {
    const char *name;
    QByteArray rtf;
    QStringList bodies;
  };
  const Case cases[] = {
      {"not RTF", "<b>plain</b> text", {notice}},
      {"100,000-deep groups", deep, {notice}},
      {"garbage filling a message",
       test::garbage(kMaxMessageBytes - 8).toHex().left(kMaxMessageBytes - 8),
       {notice}},
      {"picture and \\bin bombs", bomb, {notice, boxes}},
      {"good line", "{\\rtf1 {\\b bold} line}", {"bold line"}},
  };
  for (const Case &c : cases) {
    const int start = w->txtLOG()->textLength();
    receive(*w, session::encodeTextMessage(session::kRichLine, QString::fromLatin1(c.rtf)));
    QString line = w->txtLOG()->toPlainText().mid(start);
    line.replace(QRegularExpression("\uFFFC+"), boxes);
    EXPECT_TRUE(line.startsWith("9:05:07 <bob> ")) << c.name;
    EXPECT_TRUE(c.bodies.contains(line.mid(14).trimmed())) << c.name << ": " << line.toStdString();
  }
}

TEST_F(PicturesTest, SendingChecksTheFileBeforeReadingIt) {
  auto w = make();
  startVoice(*w);
  QDir folder(dir.path());
  const QByteArray photo = test::pictureFile(QSize(320, 240), "JPG");
  test::writeBytes(folder.filePath("photo.JpG"), photo);
  test::writeBytes(folder.filePath("anim.gif"), test::pictureFile(QSize(8, 8), "PNG"));
  test::writeBytes(folder.filePath("noext"), photo);
  {
    // Larger than a message carries; never read (the file is sparse).
    QFile big(folder.filePath("big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(PictureStore::kMaxPictureBytes + 1));
  }
  const QStringList wrongType{
      "画像送信エラー", "　　<エラーの説明　> 送信できる画像はJPG/JPEG/BMP/WMFファイルです。"};
  struct Case {
    const char *file;
    bool inSession;
    std::uint32_t sendResult;
    bool sent;
    QStringList chat;  // system lines in the chat log
    QStringList info;  // information log rows (kind|text)
    bool picture;      // shown in the own log
  };
  const Case cases[] = {
      {"missing.jpg", true, 0, false, {}, {}, false},
      {"photo.JpG", false, 0, false, {}, {}, false},
      {"anim.gif", true, 0, false, wrongType, {}, false},
      {"noext", true, 0, false, wrongType, {}, false},
      {"big.jpg",
       true,
       0,
       false,
       {},
       {"ERR|　　<エラー番号　　> 0x80158A03",
        "ERR|　　<エラーの説明　> メッセージが大きすぎます。(最大16MiB)"},
       false},
      {"photo.JpG", true, 0x80158A01, true, {}, {"ERR|　　<エラー番号　　> 0x80158A01"}, false},
      {"photo.JpG", true, 0, true, {}, {}, true},
  };
  for (const Case &c : cases) {
    session.holds = c.inSession;
    session.sendResult = c.sendResult;
    session.sent.clear();
    const int logStart = w->txtLOG()->textLength();
    const int infoStart = w->lstINF()->rowCount();
    const QString path = folder.filePath(c.file);
    w->VSendPIC(path);
    EXPECT_EQ(w->lastPicturePath(), QFileInfo::exists(path) ? path : QString()) << c.file;
    ASSERT_EQ(session.sent.size(), c.sent ? 1 : 0) << c.file;
    if (c.sent) {
      EXPECT_EQ(session.sent[0].type, session::kPicture);
      EXPECT_TRUE(session.sent[0].picture == photo);
    }
    QStringList chat;
    for (const QString &line :
         w->txtLOG()->plainText(logStart, w->txtLOG()->textLength()).split("\r\n"))
      if (!line.isEmpty()) chat << line.mid(8);  // after the time stamp
    EXPECT_EQ(chat, c.picture ? QStringList{} : c.chat) << c.file;
    const QStringList info = infoRows(*w, infoStart);
    EXPECT_EQ(info.mid(0, c.info.size()), c.info) << c.file;
    const test::PictureLine line = test::lastPictureLine(*w->txtLOG());
    EXPECT_EQ(line.found && !line.placeholder && w->txtLOG()->textLength() > logStart, c.picture)
        << c.file;
  }
  // Pictures are not passed to the all-chat log.
  EXPECT_FALSE(allLog->txtLOG()->toPlainText().contains(QChar::ObjectReplacementCharacter));
}

}  // namespace
