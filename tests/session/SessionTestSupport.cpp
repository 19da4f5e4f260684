#include "session/SessionTestSupport.h"

#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QEvent>

namespace tv::session::test {

void InstantPacer::Pause() { QCoreApplication::processEvents(); }

void InstantPacer::Pump() { QCoreApplication::processEvents(); }

TestNetwork::TestNetwork()
    : audioSetupPath(dir.filePath(QStringLiteral("platform.ini"))),
      net(std::make_unique<peer::FakeNetwork>(peer::PeerConfig{}, audioSetupPath)) {}

Pc::Pc(TestNetwork &network, peer::Platform *platform, const QString &version)
    : settings(folder.filePath(QStringLiteral("Talvora.ini"))),
      pictures(folder.path()),
      dcc(
          folder.filePath(QStringLiteral("TvDcc")), [] { return QStringLiteral("4242"); },
          [this](const QString &program, const QStringList &arguments) {
            dccStarts.append(QStringList{program} + arguments);
            return dccStartSucceeds;
          }),
      engine(window, platform ? *platform : *network.net, settings, pacer, pictures, dcc,
             {version, network.audioSetupPath, [this] { return clock; }}) {}

Pc::~Pc() {
  if (engine.HoldsSession()) engine.ReleaseSession();
  flushDeletes();
}

bool Pc::host(const QString &nick) { return engine.EvHOST(nick, 1, 1) && waitVoice(); }

bool Pc::join(const QString &nick) {
  return engine.EvJOIN(nick, QStringLiteral("127.0.0.1"), 1) && waitVoice();
}

bool Pc::waitVoice() {
  return waitUntil([this] { return window.HasTab(QStringLiteral("VOICE")); });
}

bool waitUntil(const std::function<bool()> &done) { return tv::test::waitFor(done); }

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace tv::session::test
