// The X11 key route against a real X server (Xvfb) while another X window has the
// focus, keys pressed with xdotool (XTEST): lock states, Scroll Lock, presses counted
// between polls, a held key, and a connection that breaks. Then the whole path from a
// key press to the record-mute bit through the main window, timed.
#include "MainWindowTestSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/VoicePane.h"
#include "platform/keystate/X11KeySource.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>

#include <X11/Xlib.h>

using namespace tv;
using namespace tv::keystate;

namespace {

// An Xvfb of the test's own, on the display number it picks itself; ended with the test
// (or with the test process, should that die first).
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      const char *argv[] = {"/usr/bin/Xvfb", "-displayfd", fd.c_str(), "-screen",  "0",
                            "320x240x24",    "-nolisten",  "tcp",      "-noreset", nullptr};
      execv(argv[0], const_cast<char *const *>(argv));
      _exit(127);
    }
    close(fds[1]);
    // The server writes the number, then a line end: the pipe stays open until both are
    // read, or the second write would fail and end the server.
    QByteArray digits;
    char c = 0;
    while (pid_ > 0 && digits.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n') digits += c;
    close(fds[0]);
    if (!digits.isEmpty()) name_ = QByteArray(":") + digits;
  }
  ~Xvfb() { stop(); }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  const QByteArray &name() const { return name_; }

 private:
  pid_t pid_ = 0;
  QByteArray name_;
};

// A window of another program that holds the keyboard focus.
class FocusWindow {
 public:
  explicit FocusWindow(const QByteArray &display) : display_(XOpenDisplay(display.constData())) {
    if (!display_) return;
    const Window w =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 100, 100, 0, 0, 0);
    XMapWindow(display_, w);
    XSync(display_, False);
    XSetInputFocus(display_, w, RevertToParent, CurrentTime);
    XSync(display_, False);
  }
  ~FocusWindow() {
    if (display_) XCloseDisplay(display_);
  }

 private:
  Display *display_;
};

bool xdotool(const QByteArray &display, const QStringList &args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral("xdotool"), args);
  return p.waitForFinished(10000) && p.exitCode() == 0;
}

class X11KeySourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server.name().isEmpty()) << "Xvfb did not start";
    focus = std::make_unique<FocusWindow>(server.name());
  }
  bool press(const QStringList &args) { return xdotool(server.name(), args); }

  Xvfb server;
  std::unique_ptr<FocusWindow> focus;
};

TEST_F(X11KeySourceTest, LocksAndPressesAreSeenWhileAnotherWindowHasTheFocus) {
  X11KeySource keys(server.name());
  ASSERT_TRUE(keys.usable());
  EXPECT_TRUE(keys.isGlobal(kVkCapital));

  // Every lock reads off, on after a press, off after another (Scroll Lock, which the
  // usual keymap leaves undriven, by the parity of its presses).
  struct Lock {
    int vk;
    const char *keysym;
  };
  for (const Lock &lock : {Lock{kVkCapital, "Caps_Lock"}, Lock{kVkNumLock, "Num_Lock"},
                           Lock{kVkScroll, "Scroll_Lock"}}) {
    SCOPED_TRACE(lock.keysym);
    keys.watch(lock.vk);
    EXPECT_EQ(keys.GetKeyState(lock.vk), 0);
    for (int expected : {1, 0}) {
      ASSERT_TRUE(press({QStringLiteral("key"), QString::fromLatin1(lock.keysym)}));
      EXPECT_TRUE(test::waitFor([&] { return keys.GetKeyState(lock.vk) == expected; }));
    }
  }

  // Three quick presses between two polls: odd, so toggled. Other keys are ignored
  // (xdotool would press the left Ctrl along with the right one).
  keys.watch(kVkLControl);
  ASSERT_TRUE(press({QStringLiteral("key"), QStringLiteral("Control_L"),
                     QStringLiteral("Control_L"), QStringLiteral("Control_L")}));
  ASSERT_TRUE(press({QStringLiteral("key"), QStringLiteral("a"), QStringLiteral("Insert")}));
  EXPECT_TRUE(test::waitFor([&] { return keys.GetKeyState(kVkLControl) == 1; }));
  test::waitFor([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(keys.GetKeyState(kVkLControl), 1);

  // A key held for a second is one press, whatever the server repeats.
  keys.watch(kVkInsert);
  const int before = keys.GetKeyState(kVkInsert);
  ASSERT_TRUE(press({QStringLiteral("keydown"), QStringLiteral("Insert"), QStringLiteral("sleep"),
                     QStringLiteral("1"), QStringLiteral("keyup"), QStringLiteral("Insert")}));
  EXPECT_TRUE(test::waitFor([&] { return keys.GetKeyState(kVkInsert) != before; }));
  test::waitFor([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(keys.GetKeyState(kVkInsert), 1 - before);
}

TEST_F(X11KeySourceTest, ABrokenConnectionFallsSilentWithoutSpinning) {
  X11KeySource keys(server.name());
  ASSERT_TRUE(keys.usable());
  keys.watch(kVkLControl);
  QSignalSpy changed(&keys, &KeyState::globalChanged);
  focus.reset();  // its connection would end the test process along with the server
  server.stop();
  ASSERT_TRUE(test::waitFor([&] { return !changed.isEmpty(); }));
  EXPECT_FALSE(keys.usable());
  EXPECT_FALSE(keys.isGlobal(kVkLControl));
  EXPECT_EQ(keys.GetKeyState(kVkCapital), 0);

  // A dead socket stays readable: the event loop must not keep waking up for it.
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  test::waitFor([] { return false; }, std::chrono::milliseconds(500));
  getrusage(RUSAGE_SELF, &after);
  const auto cpuMs = [](const rusage &u) {
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
  };
  EXPECT_LT(cpuMs(after) - cpuMs(before), 250);
}

// The main window in mode 7 with this route: the time from a press to the record-mute
// bit, printed (not asserted: the machine may be busy).
class PressToMuteTest : public test::MainWindowTest {
 protected:
  Xvfb server;
};

TEST_F(PressToMuteTest, AKeyPressMutesWithinAPoll) {
  ASSERT_FALSE(server.name().isEmpty());
  FocusWindow focus(server.name());
  X11KeySource keys(server.name());
  ASSERT_TRUE(keys.usable());
  mainwindow::FrmMain::Services services;
  services.keys = &keys;
  mainwindow::FrmMain w(info, settings, services);
  w.attachSession(&session);
  w.fraVOICE()->cboMikeMute()->setCurrentIndex(7);

  QList<qint64> times;
  for (int i = 0; i < 9; ++i) {
    const bool mute = i % 2 == 0;
    // Presses fall at different points between two polls.
    test::waitFor([] { return false; }, std::chrono::milliseconds(i * 67 % 200));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(xdotool(server.name(), {QStringLiteral("key"), QStringLiteral("Control_L")}));
    ASSERT_TRUE(test::waitFor(
        [&] { return bool(session.config.flags & peer::kClientRecordMute) == mute; }));
    times << clock.elapsed();
  }
  std::sort(times.begin(), times.end());
  std::printf("press_to_mute_ms: min %lld, median %lld, max %lld (xdotool start included)\n",
              static_cast<long long>(times.first()),
              static_cast<long long>(times[times.size() / 2]),
              static_cast<long long>(times.last()));
}

}  // namespace
