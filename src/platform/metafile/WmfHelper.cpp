#include "platform/metafile/WmfHelper.h"

#include "platform/richtext/RtfPicture.h"
#include "platform/text/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <climits>

namespace tv::metafile {
namespace {

// Runs in the helper's process between fork and exec: async-signal-safe calls only.
void limitChild(rlim_t addressSpace, rlim_t cpuSeconds, rlim_t outputBytes) {
  const struct {
    int resource;
    rlim_t value;
  } limits[] = {{RLIMIT_AS, addressSpace},
                {RLIMIT_CPU, cpuSeconds},
                {RLIMIT_FSIZE, outputBytes},
                {RLIMIT_CORE, 0}};
  for (const auto &l : limits) {
    const rlimit r{l.value, l.value};
    if (::setrlimit(l.resource, &r) != 0) ::_exit(127);
  }
  // Nothing of Talvora's (sockets, files) survives the exec; the standard three are
  // the null device by then.
  if (::close_range(3, UINT_MAX, CLOSE_RANGE_CLOEXEC) != 0) {
    const long most = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (most > 0 ? most : 1024); ++fd) {
      const int flags = ::fcntl(fd, F_GETFD);
      if (flags >= 0) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
  }
}

const QString kInput = QStringLiteral("in.wmf");
const QString kOutput = QStringLiteral("out.png");

}  // namespace

// One helper run: its folder (removed with it), its process and its watchdog. Deleted
// later, never from inside the process's own signals.
struct WmfHelper::Running : QObject {
  Job job;
  QTemporaryDir dir;
  QProcess process;
  QTimer watchdog;
};

WmfHelper::WmfHelper(WmfHelperOptions options, QObject *parent)
    : QObject(parent), options_(std::move(options)) {}

WmfHelper::~WmfHelper() {
  queue_.clear();
  if (current_) {
    current_->process.disconnect(this);
    current_->process.kill();
    current_->process.waitForFinished(1000);
  }
}

QStringList WmfHelper::arguments(const WmfInfo &info, int maxDrawSide, const QString &output,
                                 const QString &input) {
  QStringList args;
  // The helper enlarges what it scales, so only pictures larger than the bound are.
  if (info.size.width() > maxDrawSide || info.size.height() > maxDrawSide) {
    const QString side = QString::number(maxDrawSide);
    args << QStringLiteral("--maxwidth=") + side << QStringLiteral("--maxheight=") + side
         << QStringLiteral("--maxpect");
  }
  args << QStringLiteral("-t") << QStringLiteral("png") << QStringLiteral("-o") << output << input;
  return args;
}

quint64 WmfHelper::draw(const QByteArray &wmf, QSize fit) {
  const WmfInfo info = checkWmf(wmf);
  if (!info.ok() || !QFileInfo(options_.program).isExecutable() || waiting() >= options_.maxWaiting)
    return 0;
  const quint64 ticket = nextTicket_++;
  queue_.push_back({ticket, wmf, info, fit});
  startNext();
  return ticket;
}

void WmfHelper::startNext() {
  while (!current_ && !queue_.empty()) {
    auto run = std::make_unique<Running>();
    run->job = std::move(queue_.front());
    queue_.pop_front();
    const QString input = run->dir.filePath(kInput);
    QFile file(input);
    if (!run->dir.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(run->job.wmf) != run->job.wmf.size() || !file.flush()) {
      report(run->job.ticket, {});
      continue;
    }
    file.close();
    run->job.wmf.clear();  // on disk now

    QProcess &p = run->process;
    p.setProgram(options_.program);
    p.setArguments(
        arguments(run->job.info, options_.maxDrawSide, run->dir.filePath(kOutput), input));
    p.setWorkingDirectory(run->dir.path());
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), run->dir.path());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const rlim_t as = rlim_t(options_.addressSpaceBytes);
    const rlim_t cpu = rlim_t(options_.cpuSeconds);
    const rlim_t out = rlim_t(options_.outputBytes);
    p.setChildProcessModifier([as, cpu, out] { limitChild(as, cpu, out); });
    connect(&p, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
      finish(status == QProcess::NormalExit && code == 0);
    });
    connect(&p, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart) finish(false);
    });
    run->watchdog.setSingleShot(true);
    run->watchdog.setInterval(options_.timeoutMs);
    connect(&run->watchdog, &QTimer::timeout, this, [this] {
      if (current_) current_->process.kill();  // finished() follows as a crash
    });
    current_ = std::move(run);
    current_->watchdog.start();
    p.start();
  }
}

void WmfHelper::finish(bool exitedCleanly) {
  if (!current_) return;
  std::unique_ptr<Running> run = std::move(current_);
  run->watchdog.stop();
  run->process.disconnect(this);
  QImage image;
  if (exitedCleanly) {
    const auto bytes = text::readFileBounded(run->dir.filePath(kOutput), options_.outputBytes);
    if (bytes) image = richtext::decodePictureToFit(*bytes, run->job.fit);
  }
  report(run->job.ticket, image);
  // The process object is inside one of its own signals here.
  run.release()->deleteLater();
  startNext();
}

void WmfHelper::report(quint64 ticket, const QImage &image) {
  QMetaObject::invokeMethod(
      this, [this, ticket, image] { Q_EMIT drawn(ticket, image); }, Qt::QueuedConnection);
}

}  // namespace tv::metafile
