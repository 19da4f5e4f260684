#pragma once
// The communication devices and codecs the voice connection dialog offers: two lists
// of display strings, each built the first time it is asked for and kept until the
// program ends (the hardware behind them does not change while the program runs, and
// building them creates and releases session objects).
//
// Threading: UI thread only. Building a list pumps events (Pacer) between steps, so
// other handlers may run meanwhile.

#include "platform/peer/PeerResult.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tv::peer {
class Platform;
}

namespace tv::session {

class Pacer;

// A provider's name as the device list shows it: names of serial links, which the
// session service cannot use, are marked "(動きません) ".
QString DeviceDisplayName(const QString &providerName);
// The position offered when nothing is stored: the last device whose name contains
// "TCP", the last codec whose lower-case name contains "sc03"; 0 when none does.
int DefaultDevicePosition(const QStringList &devices);
int DefaultCodecPosition(const QStringList &codecs);
// The 0-based position a stored setting selects in a list of `count` entries: -1 asks
// for the default, and so does a value that no longer fits the list (the hardware
// changed since it was stored).
int ResolveStoredPosition(qint64 stored, int count, int defaultPosition);

class VoiceCollections {
 public:
  // Rows of the information log: kind, text.
  using Log = std::function<void(const QString &kind, const QString &text)>;

  // Both dependencies outlive this object.
  VoiceCollections(peer::Platform &platform, Pacer &pacer, Log log = {});

  void setLog(Log log) { log_ = std::move(log); }

  // The lists, built on first use. A list whose building found nothing is built
  // again on the next call.
  const QStringList &Devices();
  const QStringList &Codecs();

  // Build the lists now, replacing what they held.
  void CreateDeviceCollection();
  void CreateCodecCollection();

 private:
  void log(const QString &kind, const QString &text) const;
  // Logs what + "検索開始", runs `collect` (which creates, reads and releases its
  // session object), pumping around it, and logs what + "検索完了". A failure is
  // logged and gives an empty list.
  QStringList Search(const QString &what,
                     const std::function<peer::Result(QStringList &)> &collect);

  peer::Platform &platform_;
  Pacer &pacer_;
  Log log_;
  QStringList devices_;
  QStringList codecs_;
};

}  // namespace tv::session
