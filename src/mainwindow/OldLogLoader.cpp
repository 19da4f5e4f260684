#include "mainwindow/OldLogLoader.h"

#include "app/InfoLogCsv.h"
#include "platform/text/Cp932.h"
#include "platform/text/TextFile.h"

#include <QThread>

namespace tv::mainwindow {
namespace {

// Text logs are read whole up to this size; larger files count as damaged.
constexpr qint64 kMaxTextBytes = 64 * 1024 * 1024;
// CSV logs may be long; their lines too. Past these bounds the file counts as damaged.
const text::LineLimits kCsvLimits{32 * 1024 * 1024, 64 * 1024, 200000};

}  // namespace

struct OldLogLoader::Job {
  QString path;
  Kind kind;
  std::atomic_bool cancelled{false};
  std::shared_ptr<Content> content = std::make_shared<Content>();
};

OldLogLoader::OldLogLoader(QObject *parent) : QObject(parent) {}

OldLogLoader::~OldLogLoader() {
  cancel();
  for (QThread *thread : std::as_const(threads_)) {
    thread->wait();
    delete thread;
  }
}

void OldLogLoader::cancel() {
  if (current_) current_->cancelled = true;
  current_.reset();
}

void OldLogLoader::load(const QString &path, Kind kind, Done done) {
  cancel();
  auto job = std::make_shared<Job>();
  job->path = path;
  job->kind = kind;
  job->content->kind = kind;
  current_ = job;
  QThread *thread = QThread::create([job] { run(*job); });
  threads_.append(thread);
  // finished is emitted on the worker; the queued connection brings it here.
  connect(thread, &QThread::finished, this, [this, thread, job, done = std::move(done)] {
    threads_.removeOne(thread);
    thread->deleteLater();
    if (job != current_ || job->cancelled) return;
    current_.reset();
    if (done) done(job->content);
  });
  thread->start(QThread::LowPriority);
}

void OldLogLoader::run(Job &job) {
  Content &c = *job.content;
  switch (job.kind) {
    case Kind::Text: {
      const auto bytes = text::readFileBounded(job.path, kMaxTextBytes);
      if (!bytes || job.cancelled) return;
      c.text = text::decodeCp932(*bytes);
      c.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      c.text.replace(u'\r', u'\n');
      c.text.replace(QChar(0), QChar::ReplacementCharacter);
      c.ok = true;
      return;
    }
    case Kind::Rtf: {
      const richtext::RtfLimits limits;
      const auto bytes = text::readFileBounded(job.path, limits.maxInputBytes);
      if (!bytes || job.cancelled) return;
      c.rtf = richtext::parseRtf(*bytes, limits, &job.cancelled);
      c.ok = c.rtf.result().ok();
      return;
    }
    case Kind::Csv: {
      const auto lines = text::readCp932Lines(job.path, kCsvLimits);
      if (!lines || job.cancelled) return;
      auto rows = app::ParseInfoCsv(*lines);
      if (!rows) return;
      c.rows = std::move(*rows);
      c.ok = true;
      return;
    }
  }
}

}  // namespace tv::mainwindow
