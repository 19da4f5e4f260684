#pragma once
// Reads and parses old-log files off the UI thread, so that a large file (logs may be
// hundreds of megabytes) never stalls the program: each load runs on a thread of its
// own and hands its content back on the UI thread. A new load cancels the one before,
// whose content is then never handed back. Destroying the loader cancels and waits.

#include "platform/richtext/RtfReader.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace tv::mainwindow {

class OldLogLoader : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Text, Rtf, Csv };

  struct Content {
    Kind kind = Kind::Text;
    bool ok = false;  // false: damaged, unreadable or too large
    QString text;     // Text: paragraphs separated by "\n"
    richtext::RtfContent rtf;
    QList<QStringList> rows;  // Csv
  };
  using Done = std::function<void(std::shared_ptr<Content>)>;

  explicit OldLogLoader(QObject *parent = nullptr);
  ~OldLogLoader() override;

  // Starts reading the file; `done` runs on the UI thread with the content, unless
  // another load or cancel() came first.
  void load(const QString &path, Kind kind, Done done);
  void cancel();
  bool busy() const { return current_ != nullptr; }

 private:
  struct Job;
  static void run(Job &job);

  std::shared_ptr<Job> current_;
  QList<QThread *> threads_;
};

}  // namespace tv::mainwindow
