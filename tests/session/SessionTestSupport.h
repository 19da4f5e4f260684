#pragma once
// One PC of a test session: a recording window, a session engine on the shared fake
// network, a pacer that does not sleep, a picture folder and a recorded TvDcc start.

#include "app/Settings.h"
#include "platform/peer/FakeNetwork.h"
#include "session/Pacer.h"
#include "session/PictureStore.h"
#include "session/RecordingWindow.h"
#include "session/SessionEngine.h"
#include "session/TvDccLauncher.h"

#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <vector>

// Readable strings in test failures.
inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace tv::session::test {

// Pauses and pumps let pending events run, without the sleep.
class InstantPacer final : public Pacer {
 public:
  void Pause() override;
  void Pump() override;
  // Runs inside every pause, after the pending events (tests make things happen there).
  std::function<void()> duringPause;
};

// A fake network whose PCs share one audio set-up flag file, which starts unset.
struct TestNetwork {
  explicit TestNetwork(const peer::PeerConfig &config = {});
  QTemporaryDir dir;
  QString audioSetupPath;
  std::unique_ptr<peer::FakeNetwork> net;
};

struct Pc {
  explicit Pc(TestNetwork &network, peer::Platform *platform = nullptr,
              const QString &version = QStringLiteral("3.0.3"));
  ~Pc();

  // Hosts, or searches 127.0.0.1 and joins, and waits for the voice tab.
  bool host(const QString &nick = QStringLiteral("host"));
  bool join(const QString &nick);
  bool waitVoice();

  QTemporaryDir folder;  // the program folder
  RecordingWindow window;
  InstantPacer pacer;
  app::Settings settings;
  PictureStore pictures;
  QList<QStringList> dccStarts;  // program, then the arguments
  bool dccStartSucceeds = true;
  TvDccLauncher dcc;
  double clock = 1000;  // seconds since midnight
  qint64 steadyMs = 0;  // the steady clock
  SessionEngine engine;
};

// A host and members on one network, each with its voice tab and everyone's row.
struct TestSession {
  explicit TestSession(int members);
  Pc &operator[](size_t i) { return *pcs[i]; }
  quint32 id(size_t i) const { return pcs[i]->engine.OwnPlayerId(); }

  TestNetwork network;
  std::vector<std::unique_ptr<Pc>> pcs;
};

// Probes of a team group's members on the host (the first changes nothing when true).
bool inGroup(Pc &host, quint32 group, quint32 player);
bool notInGroup(Pc &host, quint32 group, quint32 player);

// Sends a marker chat line to everyone and waits until `to` shows it: everything `from`
// sent before has arrived by then.
bool flush(Pc &from, Pc &to);

// Runs the event loop until done() or 5 s.
bool waitUntil(const std::function<bool()> &done);

// Deletes the session objects whose release was deferred.
void flushDeletes();

}  // namespace tv::session::test
