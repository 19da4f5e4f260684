// The key routes besides X11: the portal's global shortcuts (against a portal served on a
// private session bus), the keyboard LEDs (files in a temporary folder), Talvora's own
// key events, and the service choosing between them.
#include "common/TestSupport.h"
#include "platform/keystate/FakeKeySource.h"
#include "platform/keystate/KeyStateService.h"
#include "platform/keystate/LedKeySource.h"
#include "platform/keystate/PortalKeySource.h"
#include "platform/keystate/PortalShortcut.h"
#include "platform/keystate/WindowKeySource.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QDir>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QWindow>

using namespace tv;
using namespace tv::keystate;

namespace {

const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

using Shortcut = PortalShortcut;

// The GlobalShortcuts part of a desktop portal: sessions, bindings it grants or refuses,
// and Activated signals on request.
class FakePortal final : public QDBusVirtualObject {
 public:
  explicit FakePortal(QDBusConnection bus) : bus_(std::move(bus)) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
  }
  QString introspect(const QString &) const override { return {}; }
  bool handleMessage(const QDBusMessage &m, const QDBusConnection &bus) override {
    if (m.member() == QLatin1String("Close")) {
      bus.send(m.createReply());
      return true;
    }
    const bool create = m.member() == QLatin1String("CreateSession");
    if (!create && m.member() != QLatin1String("BindShortcuts")) return false;
    const QVariantMap options = qdbus_cast<QVariantMap>(m.arguments().constLast());
    QString sender = m.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request = kPortalPath + QStringLiteral("/request/") + sender + u'/' +
                            options.value(QStringLiteral("handle_token")).toString();
    bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));

    uint response = 0;
    QVariantMap results;
    if (create) {
      session = kPortalPath + QStringLiteral("/session/") + sender + u'/' +
                options.value(QStringLiteral("session_handle_token")).toString();
      results.insert(QStringLiteral("session_handle"), session);
    } else {
      auto shortcuts = qdbus_cast<QList<Shortcut>>(m.arguments().at(1));
      trigger = shortcuts.value(0).properties.value(QStringLiteral("preferred_trigger")).toString();
      shortcuts[0].properties = {{QStringLiteral("trigger_description"), trigger}};
      if (refuse)
        response = 1;
      else
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
      id = shortcuts.value(0).id;
    }
    QDBusMessage answer = QDBusMessage::createSignal(
        request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    answer << response << results;
    bus.send(answer);
    return true;
  }
  void activate() {
    QDBusMessage signal = QDBusMessage::createSignal(
        kPortalPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
        QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(0) << QVariantMap();
    bus_.send(signal);
  }

  bool refuse = false;
  QString session, id, trigger;

 private:
  QDBusConnection bus_;
};

TEST(KeyRoutes, PortalShortcutCountsActivationsUntilRefusedOrGone) {
  QDBusConnection portalBus =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
  ASSERT_TRUE(portalBus.isConnected());
  FakePortal portal(portalBus);
  ASSERT_TRUE(portalBus.registerVirtualObject(kPortalPath, &portal, QDBusConnection::SubPath));
  ASSERT_TRUE(portalBus.registerService(PortalKeySource::kService));

  PortalKeySource keys(QDBusConnection::sessionBus());
  keys.watch(kVkInsert);
  ASSERT_TRUE(test::waitFor([&] { return keys.isGlobal(kVkInsert); }));
  EXPECT_EQ(portal.trigger, QStringLiteral("Insert"));
  EXPECT_FALSE(keys.isGlobal(kVkHome));
  for (int expected : {1, 0}) {
    portal.activate();
    EXPECT_TRUE(test::waitFor([&] { return keys.GetKeyState(kVkInsert) == expected; }));
  }

  // Lock keys are never bound; a refused binding leaves the key to the fallback.
  keys.watch(kVkCapital);
  EXPECT_FALSE(keys.isGlobal(kVkCapital));
  portal.refuse = true;
  keys.watch(kVkLControl);
  ASSERT_TRUE(test::waitFor([&] { return portal.trigger == QLatin1String("Control_L"); }));
  test::waitFor([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_FALSE(keys.isGlobal(kVkLControl));

  // The portal leaves the bus.
  portal.refuse = false;
  keys.watch(kVkHome);
  ASSERT_TRUE(test::waitFor([&] { return keys.isGlobal(kVkHome); }));
  QSignalSpy changed(&keys, &KeyState::globalChanged);
  portalBus.unregisterService(PortalKeySource::kService);
  EXPECT_TRUE(test::waitFor([&] { return !keys.isGlobal(kVkHome); }));
  EXPECT_FALSE(changed.isEmpty());
}

TEST(KeyRoutes, LedsGiveLockStatesUntilTheirFilesVanish) {
  QTemporaryDir root;
  const auto led = [&](const QString &name, const QByteArray &value) {
    QDir(root.path()).mkpath(name);
    test::writeBytes(root.filePath(name + QStringLiteral("/brightness")), value);
  };
  led(QStringLiteral("input3::capslock"), "0\n");
  led(QStringLiteral("input7::capslock"), "1\n");
  led(QStringLiteral("input3::numlock"), "0\n");
  LedKeySource keys(root.path());

  keys.watch(kVkCapital);
  EXPECT_TRUE(keys.isGlobal(kVkCapital));
  EXPECT_EQ(keys.GetKeyState(kVkCapital), 1);  // any keyboard's LED lit
  keys.watch(kVkNumLock);
  EXPECT_EQ(keys.GetKeyState(kVkNumLock), 0);
  keys.watch(kVkScroll);
  EXPECT_FALSE(keys.isGlobal(kVkScroll));  // no LED of that kind

  keys.watch(kVkCapital);
  QSignalSpy changed(&keys, &KeyState::globalChanged);
  QDir(root.filePath(QStringLiteral("input3::capslock"))).removeRecursively();
  QDir(root.filePath(QStringLiteral("input7::capslock"))).removeRecursively();
  EXPECT_EQ(keys.GetKeyState(kVkCapital), 0);
  EXPECT_FALSE(keys.isGlobal(kVkCapital));
  EXPECT_TRUE(test::waitFor([&] { return !changed.isEmpty(); }));
}

TEST(KeyRoutes, OwnWindowEventsBackTheGlobalRoutes) {
  auto *route = new FakeKeySource;
  auto *fallback = new WindowKeySource(true);
  std::vector<std::unique_ptr<KeyState>> routes;
  routes.emplace_back(route);
  KeyStateService keys(std::move(routes), std::unique_ptr<KeyState>(fallback));
  QSignalSpy changed(&keys, &KeyState::globalChanged);
  keys.watch(kVkLControl);
  EXPECT_EQ(route->watched(), kVkLControl);
  route->press(kVkLControl);
  EXPECT_TRUE(keys.isGlobal(kVkLControl));
  EXPECT_EQ(keys.GetKeyState(kVkLControl), 1);

  // The route breaks: the window's own key events answer, each counted once.
  route->setGlobal(false);
  EXPECT_EQ(changed.size(), 1);
  EXPECT_FALSE(keys.isGlobal(kVkLControl));
  QWindow window;
  const auto send = [&](QEvent::Type type, int qtKey, quint32 keysym, quint32 mods = 0,
                        bool repeat = false) {
    QKeyEvent event(type, qtKey, Qt::NoModifier, 0, keysym, mods, QString(), repeat);
    QCoreApplication::sendEvent(&window, &event);
  };
  struct Event {
    QEvent::Type type;
    int qtKey;
    quint32 keysym;
    bool repeat;
    int expected;
  };
  const Event events[] = {
      {QEvent::KeyPress, Qt::Key_Control, 0xffe3, false, 1},  // left Ctrl
      {QEvent::KeyPress, Qt::Key_Control, 0xffe3, true, 1},   // its auto-repeat
      {QEvent::KeyRelease, Qt::Key_Control, 0xffe3, false, 1},
      {QEvent::KeyPress, Qt::Key_Control, 0xffe4, false, 1},  // right Ctrl
      {QEvent::KeyPress, Qt::Key_Control, 0, false, 1},       // side unknown
      {QEvent::KeyPress, Qt::Key_Control, 0xffe3, false, 0},
  };
  for (const Event &e : events) {
    send(e.type, e.qtKey, e.keysym, 0, e.repeat);
    EXPECT_EQ(keys.GetKeyState(kVkLControl), e.expected);
  }
  // Locks follow the events' lock bits; keys without sides need no keysym.
  keys.watch(kVkCapital);
  send(QEvent::KeyPress, Qt::Key_A, 0x61, 1u << 1);
  EXPECT_EQ(keys.GetKeyState(kVkCapital), 1);
  send(QEvent::KeyPress, Qt::Key_CapsLock, 0xffe5, 1u << 1);
  EXPECT_EQ(keys.GetKeyState(kVkCapital), 0);
  keys.watch(kVkInsert);
  send(QEvent::KeyPress, Qt::Key_Insert, 0);
  EXPECT_EQ(keys.GetKeyState(kVkInsert), 1);
  keys.watch(0);
  send(QEvent::KeyPress, Qt::Key_Insert, 0);
  EXPECT_EQ(keys.GetKeyState(kVkInsert), 1);  // not watched: not counted
}

}  // namespace
