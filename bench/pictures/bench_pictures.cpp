// Picture and rich-line figures between two main windows over the UDP service on
// loopback (one process), with the real metafile helper:
//   picture_1mib_shown_ms  a 1 MiB JPEG from VSendPIC until the other window shows it
//                          (median of 10)
//   bomb_refused_ms        a 65535 x 65535 PNG from ShowPictureInLog to the placeholder
//                          (median of 10)
//   log_kib_per_photo      heap a 12-megapixel JPEG adds to the chat log (mean of 5)
//   wmf_shown_ms           a 100 KiB vector metafile from ShowPictureInLog until the
//                          helper's drawing is in the log (median of 5)
//   rich_line_ms           a 2 KiB composed line from Enter until the other window shows
//                          it (median of 10)

#include "BenchSupport.h"
#include "app/Fonts.h"
#include "common/WmfBuilder.h"
#include "mainwindow/FrmSubVOIMSG.h"
#include "mainwindow/pictures/PictureTestSupport.h"
#include "mainwindow/session/WindowSessionSupport.h"
#include "platform/peer/EnetPlatform.h"
#include "platform/richtext/RichTextView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QRandomGenerator>

#include <malloc.h>

#include <cstdio>

namespace {

using namespace tv;

using bench::median;
using bench::ms;
using bench::waitUntil;

int fail(const char *what) {
  std::fprintf(stderr, "bench_pictures: %s\n", what);
  return 1;
}

// A photo-like picture: smooth colours with some grain, as a JPEG of the quality given.
QByteArray photo(QSize size, int quality) {
  QImage image(size, QImage::Format_RGB32);
  QRandomGenerator grain(7);
  for (int y = 0; y < size.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int n = int(grain.bounded(24)) - 12;
      line[x] = qRgb(std::clamp(x * 255 / size.width() + n, 0, 255),
                     std::clamp(y * 255 / size.height() + n, 0, 255),
                     std::clamp(128 + (x ^ y) % 64 + n, 0, 255));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", quality);
  return bytes;
}

// The JPEG of that size whose file comes closest to `bytes`.
QByteArray photoOfAbout(QSize size, qsizetype bytes) {
  QByteArray best;
  for (int quality = 50; quality <= 100; quality += 5) {
    QByteArray file = photo(size, quality);
    if (best.isEmpty() || std::abs(file.size() - bytes) < std::abs(best.size() - bytes))
      best = std::move(file);
  }
  return best;
}

void write(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

size_t heapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

}  // namespace

int main(int argc, char *argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  app::InstallFontSubstitutes();
  QTemporaryDir shared;
  const QString audioSetup = shared.filePath(QStringLiteral("platform.ini"));
  peer::EnetPlatform senderPlatform(peer::PeerConfig{}, audioSetup);
  peer::EnetPlatform receiverPlatform(peer::PeerConfig{}, audioSetup);
  test::Pc sender(senderPlatform, audioSetup), receiver(receiverPlatform, audioSetup);
  // Pictures the other window has shown, and placeholders it has left.
  int shownPictures = 0, placeholders = 0;
  QObject::connect(&receiver.window, &mainwindow::FrmMain::pictureShown, &receiver.window,
                   [&](const QString &, bool shown) { ++(shown ? shownPictures : placeholders); });

  if (!sender.engine.EvHOST(QStringLiteral("sender"), 1, 1) ||
      !waitUntil([&] { return sender.voiceTab(); }, 10000))
    return fail("the host did not start");
  if (!receiver.engine.EvJOIN(QStringLiteral("receiver"), QStringLiteral("127.0.0.1"), 1) ||
      !waitUntil([&] { return receiver.voiceTab(); }, 40000))
    return fail("the member did not reach the voice tab");
  const quint32 senderId = sender.engine.OwnPlayerId();
  if (!waitUntil([&] { return receiver.window.HasParticipantRow(senderId); }, 10000))
    return fail("the member has no row for the host");

  const QDir files(shared.path());
  const QString oneMib = files.filePath(QStringLiteral("photo.jpg"));
  write(oneMib, photoOfAbout(QSize(2048, 1536), 1024 * 1024));
  std::vector<double> shown;
  for (int i = 0; i < 10; ++i) {
    const int before = shownPictures;
    QElapsedTimer t;
    t.start();
    sender.window.VSendPIC(oneMib);
    if (!waitUntil([&] { return shownPictures > before; }, 20000))
      return fail("a picture was not shown on the other side");
    shown.push_back(ms(t));
  }

  const QString bomb = files.filePath(QStringLiteral("bomb.jpg"));
  write(bomb, test::pngHeaderOnly(65535, 65535));
  std::vector<double> refused;
  for (int i = 0; i < 10; ++i) {
    const int before = placeholders;
    QElapsedTimer t;
    t.start();
    receiver.window.ShowReceivedPicture(bomb);
    if (placeholders != before + 1) return fail("the bomb was not refused");
    refused.push_back(ms(t));
  }

  const QString big = files.filePath(QStringLiteral("12mp.jpg"));
  write(big, photo(QSize(4000, 3000), 85));
  constexpr int kPhotos = 5;
  QCoreApplication::processEvents();
  const size_t heapBefore = heapBytes();
  for (int i = 0; i < kPhotos; ++i) receiver.window.ShowReceivedPicture(big);
  QCoreApplication::processEvents();
  const double kibPerPhoto = double(heapBytes() - heapBefore) / kPhotos / 1024.0;

  const QString wmf = files.filePath(QStringLiteral("drawing.wmf"));
  write(wmf, test::WmfBuilder().shapes(880).bytes());
  std::vector<double> drawn;
  for (int i = 0; i < 5; ++i) {
    const int before = shownPictures;
    QElapsedTimer t;
    t.start();
    receiver.window.ShowReceivedPicture(wmf);
    if (!waitUntil([&] { return shownPictures > before; }, 10000))
      return fail("the metafile was not drawn");
    drawn.push_back(ms(t));
  }

  mainwindow::FrmSubVOIMSG *composer = sender.chatTools.showComposer();
  std::vector<double> rich;
  for (int i = 0; i < 10; ++i) {
    // Runs of changing colours and weights: about 2 KiB of RTF.
    richtext::RichTextView *text = composer->txtRICH();
    for (int run = 0; run < 20; ++run) {
      QTextCharFormat f;
      f.setForeground(QColor::fromHsv(run * 15, 255, 200));
      f.setFontWeight(run % 2 ? QFont::Bold : QFont::Normal);
      text->textCursor().insertText(QStringLiteral("装飾つきの発言 %1 %2 ").arg(i).arg(run), f);
    }
    const int before = receiver.window.txtLOG()->textLength();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QElapsedTimer t;
    t.start();
    QCoreApplication::sendEvent(text, &enter);
    if (!waitUntil([&] { return receiver.window.txtLOG()->textLength() > before; }, 10000))
      return fail("a rich line did not arrive");
    rich.push_back(ms(t));
  }

  std::printf("picture_1mib_shown_ms: %.1f\n", median(shown));
  std::printf("bomb_refused_ms: %.2f\n", median(refused));
  std::printf("log_kib_per_photo: %.0f\n", kibPerPhoto);
  std::printf("wmf_shown_ms: %.1f\n", median(drawn));
  std::printf("rich_line_ms: %.2f\n", median(rich));

  receiver.engine.EndVoiceChat();
  sender.engine.EndVoiceChat();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
