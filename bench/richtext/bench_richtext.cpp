// Appending chat lines to a log view and to the all-chat log window, as the chat views
// do for every line (each line in its own event, painted), and saving and loading a
// long log as RTF. Times are the thread's CPU time, so that other programs on the
// machine do not distort them. Prints one "name: value" per line.
#include "app/AppInfo.h"
#include "app/Fonts.h"
#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "platform/richtext/RichTextView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTime>

#include <unistd.h>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kLines = 20000;
constexpr int kBlock = 1000;

// CPU time of this thread in milliseconds: other programs on the machine do not count.
double cpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

qint64 residentBytes() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = f.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

QTextCharFormat format(QColor color, bool underline = false) {
  QTextCharFormat f;
  f.setFontFamilies({QStringLiteral("ＭＳ ゴシック")});
  f.setFontPointSize(9);
  f.setForeground(color);
  f.setFontUnderline(underline);
  return f;
}

// One chat line as the voice chat view appends it, also passed to the all-chat log.
void appendChatLine(tv::richtext::RichTextView &view, tv::app::FrmAllLOG &allLog, int i) {
  const int start = view.textLength();
  {
    tv::richtext::AppendScope scope(view);
    view.appendText(QTime(12, 0).addSecs(i).toString(QStringLiteral("H:mm:ss ")), format(Qt::blue));
    const QColor line = QColor::fromHsv((i * 37) % 360, 200, 160);
    view.appendText(QStringLiteral("<参加者%1> ").arg(i % 8), format(line));
    view.appendText(QStringLiteral("こんにちは、これはテスト発言 %1 です。").arg(i), format(line));
    if (i % 10 == 0)
      view.appendText(QStringLiteral("http://example.jp/%1").arg(i), format(Qt::blue, true));
    view.appendText(QStringLiteral("\n"), format(line));
  }
  allLog.AddLog(view.rtf(start, view.textLength()), QStringLiteral("VOICE"));
}

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tv::app::InstallFontSubstitutes();
  QTemporaryDir dir;
  tv::app::AppInfo info;
  info.appFolder = dir.path() + u'/';
  const tv::app::Settings settings(info.settingsPath());

  tv::richtext::RichTextView view;
  view.setUrlDetect(true);
  view.resize(800, 600);
  view.show();
  tv::app::FrmAllLOG allLog(info, settings);
  allLog.show();
  QApplication::processEvents();

  const qint64 rssBefore = residentBytes();
  std::vector<double> blockMs;
  const double totalStart = cpuMs();
  for (int block = 0; block < kLines / kBlock; ++block) {
    const double blockStart = cpuMs();
    for (int i = 0; i < kBlock; ++i) {
      appendChatLine(view, allLog, block * kBlock + i);
      QApplication::processEvents();  // each line arrives in its own event
    }
    blockMs.push_back(cpuMs() - blockStart);
  }
  const double totalMs = cpuMs() - totalStart;
  const qint64 rssAfter = residentBytes();

  const QString path = dir.filePath(QStringLiteral("log.rtf"));
  const double saveStart = cpuMs();
  const bool saved = view.saveRtf(path);
  const double saveMs = cpuMs() - saveStart;
  tv::richtext::RichTextView loaded;
  const double loadStart = cpuMs();
  const bool ok = loaded.loadRtf(path).ok();
  const double loadMs = cpuMs() - loadStart;
  if (!saved || !ok || loaded.document()->blockCount() != view.document()->blockCount()) {
    std::fprintf(stderr, "save or load failed\n");
    return 1;
  }

  std::printf("append_block_ratio: %.2f\n", blockMs.back() / blockMs.front());
  std::printf("append_ms_per_line: %.3f\n", totalMs / kLines);
  std::printf("bytes_per_line: %lld\n", (long long)((rssAfter - rssBefore) / kLines));
  std::printf("rtf_save_ms: %.1f\n", saveMs);
  std::printf("rtf_load_ms: %.1f\n", loadMs);
  std::fprintf(stderr, "first block %.1f ms, last block %.1f ms, RTF file %lld bytes\n",
               blockMs.front(), blockMs.back(), (long long)QFile(path).size());
  return 0;
}
