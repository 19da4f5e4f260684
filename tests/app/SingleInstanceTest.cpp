// Two real Talvora processes on one private session bus (the test runs under
// dbus-run-session): the second raises the first copy's window and ends.

#include "app/SingleInstance.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// A private program folder, so that the copies write their settings there.
QString installProgram(const QTemporaryDir &dir) {
  const QString target = dir.filePath(QStringLiteral("Talvora"));
  QFile::copy(tv::test::programFolder() + QStringLiteral("/Talvora"), target);
  return target;
}

void startOffscreen(QProcess &p, const QString &program) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  p.start(program, {});
}

TEST(SingleInstance, SecondCopyRaisesTheFirstAndEnds) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
  QTemporaryDir dir;
  const QString program = installProgram(dir);
  ASSERT_TRUE(QFile::exists(program));

  QProcess first;
  startOffscreen(first, program);
  const QString service = QString::fromLatin1(tv::app::kInstanceService);
  ASSERT_TRUE(
      tv::test::waitFor([&] { return bus.interface()->isServiceRegistered(service).value(); },
                        std::chrono::seconds(30)));

  QProcess second;
  QElapsedTimer elapsed;
  elapsed.start();
  startOffscreen(second, program);
  ASSERT_TRUE(second.waitForFinished(10000));
  // Process start-up under the sanitizers dominates; the hand-over itself is one call.
  EXPECT_LT(elapsed.elapsed(), 5000);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);

  QDBusInterface instance(service, QString::fromLatin1(tv::app::kInstancePath),
                          QString::fromLatin1(tv::app::kInstanceInterface), bus);
  EXPECT_EQ(instance.property("RaiseCount").toInt(), 1);
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Talvora.ini"))));

  first.terminate();
  ASSERT_TRUE(first.waitForFinished(10000));
}

TEST(SingleInstance, ClaimFailsWhileTheNameIsHeld) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  ASSERT_TRUE(bus.isConnected());
  tv::app::SingleInstance a(bus);
  ASSERT_TRUE(a.claim());
  // A second connection stands for a second process.
  QDBusConnection other =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
  tv::app::SingleInstance b(other);
  EXPECT_FALSE(b.claim());
  EXPECT_FALSE(tv::app::SingleInstance::activateRunningCopy(QDBusConnection::connectToBus(
      QStringLiteral("unix:path=/nonexistent"), QStringLiteral("x"))));
  QDBusConnection::disconnectFromBus(QStringLiteral("second"));
}

}  // namespace
