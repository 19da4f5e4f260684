#pragma once
// Draws vector metafiles with a separate, short-lived helper program (wmf2gd from
// libwmf), so that a metafile built to break the drawing code can at worst end that
// program. The helper gets an argument vector, a private temporary folder, an empty
// environment but for PATH and HOME, no inherited descriptors, and resource limits
// (address space, CPU seconds, output size, no core file); it is killed when it runs
// too long. One runs at a time; a few requests wait, the rest are refused at once.
// Only metafiles that pass checkWmf reach it, and what it writes is read back through
// the capped picture decoder.
//
// Threading: UI thread; results arrive as queued signals, never from inside draw().

#include "platform/metafile/WmfCheck.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>

#include <deque>
#include <memory>

class QProcess;
class QTemporaryDir;
class QTimer;

namespace tv::metafile {

inline const QString kWmfHelperProgram = QStringLiteral("/usr/bin/wmf2gd");

struct WmfHelperOptions {
  QString program = kWmfHelperProgram;
  int maxWaiting = 8;
  int timeoutMs = 3000;
  qint64 addressSpaceBytes = 256 * 1024 * 1024;
  int cpuSeconds = 2;
  qint64 outputBytes = 32 * 1024 * 1024;
  // Metafiles whose derived size exceeds this on either side are drawn scaled down to
  // fit a square of this side (smaller ones at the helper's own size).
  int maxDrawSide = 1024;
};

class WmfHelper : public QObject {
  Q_OBJECT
 public:
  explicit WmfHelper(WmfHelperOptions options = {}, QObject *parent = nullptr);
  // Ends a running helper and drops the waiting requests without reporting them.
  ~WmfHelper() override;

  // Asks for a drawing, scaled down to fit `fit` (its own size when empty). Returns a
  // ticket that drawn() reports later, or 0 when the request is refused at once: the
  // metafile fails the check, the helper program is missing, or too many wait.
  quint64 draw(const QByteArray &wmf, QSize fit);

  int waiting() const { return int(queue_.size()); }
  bool running() const { return current_ != nullptr; }

  // The arguments the helper is started with for a checked metafile (input and output
  // file names inside its folder).
  static QStringList arguments(const WmfInfo &info, int maxDrawSide, const QString &output,
                               const QString &input);

 Q_SIGNALS:
  // The drawing for a ticket; a null image when the helper failed, crashed, ran out of
  // time or wrote nothing the decoder accepts.
  void drawn(quint64 ticket, const QImage &image);

 private:
  struct Job {
    quint64 ticket = 0;
    QByteArray wmf;
    WmfInfo info;
    QSize fit;
  };
  struct Running;

  void startNext();
  void finish(bool exitedCleanly);
  void report(quint64 ticket, const QImage &image);

  WmfHelperOptions options_;
  std::deque<Job> queue_;
  std::unique_ptr<Running> current_;
  quint64 nextTicket_ = 1;
};

}  // namespace tv::metafile
