#include "session/SessionTestSupport.h"

#include "common/TestSupport.h"
#include "session/SessionMessage.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

namespace tv::session::test {

void InstantPacer::Pause() {
  QCoreApplication::processEvents();
  if (duringPause) duringPause();
}

void InstantPacer::Pump() { QCoreApplication::processEvents(); }

TestNetwork::TestNetwork(const peer::PeerConfig &config)
    : audioSetupPath(dir.filePath(QStringLiteral("platform.ini"))),
      net(std::make_unique<peer::FakeNetwork>(config, audioSetupPath)) {}

Pc::Pc(TestNetwork &network, peer::Platform *platform, const QString &version)
    : settings(folder.filePath(QStringLiteral("Talvora.ini"))),
      pictures(folder.path()),
      dcc(folder.filePath(QStringLiteral("TvDcc")),
          [this](const QString &program, const QStringList &arguments) {
            dccStarts.append(QStringList{program} + arguments);
            return dccStartSucceeds;
          }),
      engine(window, platform ? *platform : *network.net, settings, pacer, pictures, dcc,
             {version,
              network.audioSetupPath,
              [this] { return clock; },
              {},
              [this] { return steadyMs; }}) {}

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

TestSession::TestSession(int members) {
  pcs.push_back(std::make_unique<Pc>(network));
  EXPECT_TRUE(pcs[0]->host());
  for (int i = 1; i <= members; ++i) {
    pcs.push_back(std::make_unique<Pc>(network));
    EXPECT_TRUE(pcs.back()->join(QStringLiteral("m%1").arg(i)));
  }
  EXPECT_TRUE(waitUntil([&] {
    for (auto &pc : pcs)
      if (pc->window.rows.size() != qsizetype(pcs.size())) return false;
    return true;
  }));
}

bool inGroup(Pc &host, quint32 group, quint32 player) {
  return host.engine.PeerObject()->AddPlayerToGroup(group, player) ==
         peer::DPNERR_PLAYERALREADYINGROUP;
}

bool notInGroup(Pc &host, quint32 group, quint32 player) {
  return host.engine.PeerObject()->RemovePlayerFromGroup(group, player) ==
         peer::DPNERR_PLAYERNOTINGROUP;
}

bool flush(Pc &from, Pc &to) {
  static const QString kMarker = QStringLiteral("-- end --");
  const qsizetype seen = to.window.chatTexts().count(kMarker);
  from.engine.SendSessionMessage(encodeTextMessage(kChatLine, kMarker), 0);
  return waitUntil([&] { return to.window.chatTexts().count(kMarker) > seen; });
}

bool waitUntil(const std::function<bool()> &done) { return tv::test::waitFor(done); }

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace tv::session::test
