// Metafiles from peers: the structural check on good and hostile files, and the helper
// that draws the good ones in a process of its own, with stand-ins for the drawing
// program that hang, crash or report what they were given. The real program draws in
// the picture tests.
#include "common/TestSupport.h"
#include "common/WmfBuilder.h"
#include "platform/metafile/WmfCheck.h"
#include "platform/metafile/WmfHelper.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using namespace tv;
using metafile::WmfVerdict;
using test::WmfBuilder;

namespace {

QByteArray patched(QByteArray bytes, qsizetype at, quint32 value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
  return bytes;
}

TEST(WmfCheck, WalksHeadersAndEveryRecord) {
  const QByteArray vector = WmfBuilder().shapes(2).bytes();
  constexpr qsizetype kFirstRecord = 18;
  struct Case {
    const char *name;
    QByteArray bytes;
    WmfVerdict verdict;
    QSize size;
  };
  const Case cases[] = {
      {"vector drawing", vector, WmfVerdict::Ok, QSize(1000, 800)},
      {"placeable, 72 pixels an inch",
       WmfBuilder().shapes(1).placeable(0, 0, 1000, 800, 1000).bytes(), WmfVerdict::Ok,
       QSize(72, 57)},
      {"huge extents", WmfBuilder().placeable(-32768, -32768, 32767, 32767, 1).bytes(),
       WmfVerdict::Ok, QSize(65535 * 72, 65535 * 72)},
      {"escape record", WmfBuilder().escape().bytes(), WmfVerdict::Ok, QSize(1000, 800)},
      {"200,000 records", WmfBuilder().filler(200000).bytes(), WmfVerdict::Ok, QSize(1000, 800)},
      {"no end record", WmfBuilder().shapes(1).bytes(false), WmfVerdict::NoEnd, {}},
      // A file cut short no longer holds what its header says.
      {"cut inside a record", vector.left(vector.size() - 40), WmfVerdict::BadHeader, {}},
      {"record of one word", patched(vector, kFirstRecord, 1, 4), WmfVerdict::RecordPastEnd, {}},
      {"record past the end",
       patched(vector, kFirstRecord, 0x7FFFFFFF, 4),
       WmfVerdict::RecordPastEnd,
       {}},
      {"record larger than the header's largest",
       patched(vector, 12, 3, 4),
       WmfVerdict::RecordPastEnd,
       {}},
      {"header claims more than the file",
       patched(vector, 6, 0x00FFFFFF, 4),
       WmfVerdict::BadHeader,
       {}},
      {"unknown version", patched(vector, 4, 0x0200, 2), WmfVerdict::BadHeader, {}},
      {"placeable with no inch",
       WmfBuilder().placeable(0, 0, 10, 10, 0).bytes(),
       WmfVerdict::BadHeader,
       {}},
      {"placeable with an empty box",
       WmfBuilder().placeable(5, 0, 5, 10, 1440).bytes(),
       WmfVerdict::BadHeader,
       {}},
      {"placeable key alone", QByteArray::fromHex("d7cdc69a0000"), WmfVerdict::NotMetafile, {}},
      {"not a metafile", QByteArray("GIF89a\x01\x00\x01\x00", 10), WmfVerdict::NotMetafile, {}},
  };
  for (const Case &c : cases) {
    const metafile::WmfInfo info = metafile::checkWmf(c.bytes);
    EXPECT_EQ(info.verdict, c.verdict) << c.name;
    if (c.verdict == WmfVerdict::Ok) {
      EXPECT_EQ(info.size, c.size) << c.name;
    }
  }
  EXPECT_EQ(metafile::checkWmf(WmfBuilder().filler(20).bytes(), 10).verdict,
            WmfVerdict::TooManyRecords);
}

TEST(WmfHelper, OnlyLargePicturesAreDrawnScaledDown) {
  metafile::WmfInfo info;
  const QStringList plain{"-t", "png", "-o", "out", "in"};
  for (const QSize size : {QSize(1024, 1024), QSize(), QSize(1, 1)}) {
    info.size = size;
    EXPECT_EQ(metafile::WmfHelper::arguments(info, 1024, "out", "in"), plain);
  }
  for (const QSize size : {QSize(1025, 10), QSize(10, 4718520)}) {
    info.size = size;
    EXPECT_EQ(metafile::WmfHelper::arguments(info, 1024, "out", "in"),
              QStringList({"--maxwidth=1024", "--maxheight=1024", "--maxpect"}) + plain);
  }
}

// A stand-in for the drawing program: a shell script.
QString script(const QTemporaryDir &dir, const QString &name, const QByteArray &body) {
  const QString path = dir.filePath(name);
  test::writeBytes(path, "#!/bin/sh\n" + body + "\n");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

QImage drawnBy(metafile::WmfHelper &helper, const QByteArray &wmf, QSize fit = {}) {
  QSignalSpy spy(&helper, &metafile::WmfHelper::drawn);
  const quint64 ticket = helper.draw(wmf, fit);
  EXPECT_NE(ticket, 0u);
  if (!spy.wait(15000)) return {};
  EXPECT_EQ(spy.at(0).at(0).toULongLong(), ticket);
  return spy.at(0).at(1).value<QImage>();
}

TEST(WmfHelper, TheHelperGetsArgumentsLimitsAndNothingElse) {
  QTemporaryDir dir;
  const QString report = dir.filePath("report");
  // A descriptor this process holds open without close-on-exec.
  const int inherited = ::open(report.toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(inherited, 0);
  metafile::WmfHelperOptions options;
  options.program = script(dir, "report.sh",
                           "{ echo \"$@\"; ulimit -v; ulimit -t; ulimit -f; ulimit -c; "
                           "echo $(ls /proc/self/fd); env; } > " +
                               report.toLocal8Bit());
  metafile::WmfHelper helper(options);
  EXPECT_TRUE(drawnBy(helper, WmfBuilder().bytes()).isNull());  // it wrote no picture
  ::close(inherited);
  const QStringList lines = QString::fromLocal8Bit(test::readBytes(report)).split('\n');
  ASSERT_GE(lines.size(), 6);
  // An argument vector with files in a private folder.
  EXPECT_TRUE(
      QRegularExpression("^-t png -o (/\\S+)/out\\.png \\1/in\\.wmf$").match(lines[0]).hasMatch())
      << lines[0].toStdString();
  // Address space in KiB, CPU seconds, output in 512-byte blocks, no core file.
  EXPECT_EQ(lines.mid(1, 4), QStringList({"262144", "2", "65536", "0"}));
  EXPECT_FALSE(lines[5].split(' ').contains(QString::number(inherited))) << lines[5].toStdString();
  const QStringList env = lines.mid(6);
  for (const QString &variable : env)
    EXPECT_TRUE(variable.isEmpty() || variable.startsWith("PATH=") ||
                variable.startsWith("HOME=") || variable.startsWith("LANG=") ||
                variable.startsWith("PWD="))
        << variable.toStdString();
}

TEST(WmfHelper, HangsCrashesAndQueuesEndInNullDrawings) {
  QTemporaryDir dir;
  const QByteArray wmf = WmfBuilder().bytes();
  metafile::WmfHelperOptions options;
  options.timeoutMs = 300;
  options.program = script(dir, "hang.sh", "exec sleep 30");
  {
    metafile::WmfHelper hanging(options);
    EXPECT_TRUE(drawnBy(hanging, wmf).isNull());
  }
  options.program = script(dir, "crash.sh", "kill -SEGV $$");
  {
    metafile::WmfHelper crashing(options);
    EXPECT_TRUE(drawnBy(crashing, wmf).isNull());
  }
  // A missing program, and a metafile that fails the check, are refused at once.
  options.program = dir.filePath("missing");
  EXPECT_EQ(metafile::WmfHelper(options).draw(wmf, {}), 0u);
  EXPECT_EQ(metafile::WmfHelper().draw(WmfBuilder().bytes(false), {}), 0u);

  // One runs, eight wait, the rest are refused at once; all waiting ones are answered.
  options.program = script(dir, "slow.sh", "exec sleep 0.05");
  metafile::WmfHelper queued(options);
  QSignalSpy spy(&queued, &metafile::WmfHelper::drawn);
  int accepted = 0;
  for (int i = 0; i < 12; ++i) accepted += queued.draw(wmf, {}) != 0;
  EXPECT_EQ(accepted, 9);
  EXPECT_TRUE(test::waitFor([&] { return spy.size() == 9; }, std::chrono::seconds(20)));
}

}  // namespace
