#include "platform/keystate/X11KeySource.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>
#include <vector>

// Xlib last: its macros (Bool, None, KeyPress...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace tv::keystate {
namespace {

constexpr int kKeycodes = 256;

// Xlib's I/O error handler is one for the process, and the one in place (the default,
// or the toolkit's) ends the program. For the displays of this source it returns
// instead; Xlib then calls the display's exit handler, which marks the source broken,
// returns from the call that failed and refuses every later call on that display.
// Other displays go to the handler that was there before. UI thread only.
std::vector<Display *> &ownDisplays() {
  static std::vector<Display *> displays;
  return displays;
}
XIOErrorHandler previousIoHandler = nullptr;

int ioError(Display *display) {
  const auto &own = ownDisplays();
  if (std::find(own.begin(), own.end(), display) != own.end()) return 0;
  return previousIoHandler ? previousIoHandler(display) : 0;
}

void adopt(Display *display) {
  if (ownDisplays().empty()) previousIoHandler = XSetIOErrorHandler(ioError);
  ownDisplays().push_back(display);
}

void release(Display *display) {
  auto &own = ownDisplays();
  own.erase(std::remove(own.begin(), own.end(), display), own.end());
  if (!own.empty()) return;
  // Put back the handler we replaced, unless another has been put over ours since: that
  // one stays, and ours goes on passing everything to the old one.
  if (const XIOErrorHandler current = XSetIOErrorHandler(previousIoHandler); current != ioError)
    XSetIOErrorHandler(current);
  else
    previousIoHandler = nullptr;
}

void markBroken(Display *, void *broken) { *static_cast<bool *>(broken) = true; }

// The lock keys and their XKB indicators, in this order.
constexpr int kLocks[3] = {kVkCapital, kVkNumLock, kVkScroll};
const char *const kIndicatorNames[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};

int lockIndex(int vk) {
  for (int i = 0; i < 3; ++i)
    if (kLocks[i] == vk) return i;
  return -1;
}

}  // namespace

struct X11KeySource::Connection {
  Display *display = nullptr;
  int xiOpcode = 0;
  // The watched key's keycodes; every other keycode's events are dropped unread.
  std::bitset<kKeycodes> watchedCodes;
  std::bitset<kKeycodes> down;  // watched keycodes now held: a press while held repeats
  std::array<Atom, 3> indicators{};
  bool rawSelected = false;
};

X11KeySource::X11KeySource(const QByteArray &display, QObject *parent)
    : KeyState(parent), x_(std::make_unique<Connection>()) {
  int major = XkbMajorVersion, minor = XkbMinorVersion, event = 0, error = 0, reason = 0;
  Display *d = XkbOpenDisplay(display.isEmpty() ? nullptr : display.constData(), &event, &error,
                              &major, &minor, &reason);
  if (!d) return;
  x_->display = d;
  adopt(d);
  XSetIOErrorExitHandler(d, markBroken, &broken_);
  int xiEvent = 0, xiError = 0, xiMajor = 2, xiMinor = 2;
  if (!XQueryExtension(d, "XInputExtension", &x_->xiOpcode, &xiEvent, &xiError) ||
      XIQueryVersion(d, &xiMajor, &xiMinor) != Success || xiMajor < 2 ||
      (xiMajor == 2 && xiMinor < 2)) {
    XCloseDisplay(d);
    release(d);
    x_->display = nullptr;
    return;
  }
  for (int i = 0; i < 3; ++i)
    x_->indicators[std::size_t(i)] = XInternAtom(d, kIndicatorNames[i], False);
  notifier_ = new QSocketNotifier(ConnectionNumber(d), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &X11KeySource::readEvents);
}

X11KeySource::~X11KeySource() {
  if (!x_->display) return;
  XCloseDisplay(x_->display);
  release(x_->display);
}

bool X11KeySource::usable() const { return x_->display && !broken_; }

bool X11KeySource::isGlobal(int vk) const { return usable() && KeySlot(vk) >= 0; }

void X11KeySource::watch(int vk) {
  if (!usable()) return;
  watched_ = KeySlot(vk) >= 0 ? vk : 0;
  mapWatchedKey();
  const bool needsPresses = watched_ != 0 && (!IsLockKey(watched_) || !indicator(watched_));
  selectRawEvents(needsPresses);
  readEvents();
}

void X11KeySource::mapWatchedKey() {
  x_->watchedCodes.reset();
  x_->down.reset();
  if (watched_ == 0 || !usable()) return;
  int minCode = 0, maxCode = 0, perCode = 0;
  XDisplayKeycodes(x_->display, &minCode, &maxCode);
  if (broken_ || minCode < 0 || maxCode >= kKeycodes || maxCode < minCode) return;
  KeySym *syms =
      XGetKeyboardMapping(x_->display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
  if (!syms) return;
  for (int code = minCode; code <= maxCode; ++code) {
    // The first keysym is the key's own; the rest are shifted levels.
    const KeySym sym = perCode > 0 ? syms[(code - minCode) * perCode] : NoSymbol;
    if (sym != NoSymbol && KeyOfKeysym(std::uint32_t(sym)) == watched_)
      x_->watchedCodes.set(std::size_t(code));
  }
  XFree(syms);
}

void X11KeySource::selectRawEvents(bool on) {
  if (!usable() || (on == x_->rawSelected && !on)) return;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  if (on) {
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
  }
  XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
  XISelectEvents(x_->display, DefaultRootWindow(x_->display), &mask, 1);
  XFlush(x_->display);
  x_->rawSelected = on;
  x_->down.reset();
}

std::optional<bool> X11KeySource::indicator(int vk) {
  const int lock = lockIndex(vk);
  if (lock < 0 || !usable()) return std::nullopt;
  const Atom atom = x_->indicators[std::size_t(lock)];
  int index = 0;
  Bool on = False, real = False;
  XkbIndicatorMapRec map{};
  if (broken_ || !XkbGetNamedIndicator(x_->display, atom, &index, &on, &map, &real))
    return std::nullopt;
  // An indicator no modifier, group or control drives never lights.
  const bool driven =
      (map.which_mods && map.mods.mask) || (map.which_groups && map.groups) || map.ctrls != 0;
  if (!driven || broken_) return std::nullopt;
  return on != False;
}

int X11KeySource::GetKeyState(int vk) {
  if (!usable()) return 0;
  // Presses already on their way count before the state is read.
  readEvents();
  int state = presses_.odd(vk) ? 1 : 0;
  if (IsLockKey(vk)) {
    if (const std::optional<bool> on = indicator(vk)) state = *on ? 1 : 0;
    // The reply may have brought events along: they are read now, not at the next poll.
    readEvents();
  }
  return usable() ? state : 0;
}

void X11KeySource::readEvents() {
  if (!x_->display || broken_) return lost();
  Display *d = x_->display;
  while (!broken_ && XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      mapWatchedKey();
      continue;
    }
    XGenericEventCookie &cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != x_->xiOpcode) continue;
    if (cookie.evtype != XI_RawKeyPress && cookie.evtype != XI_RawKeyRelease) continue;
    if (!XGetEventData(d, &cookie)) continue;
    const auto *raw = static_cast<const XIRawEvent *>(cookie.data);
    const int code = raw->detail;
    if (code >= 0 && code < kKeycodes && x_->watchedCodes.test(std::size_t(code))) {
      const auto bit = std::size_t(code);
      if (cookie.evtype == XI_RawKeyRelease) {
        x_->down.reset(bit);
      } else if (!x_->down.test(bit) && !(raw->flags & XIKeyRepeat)) {
        x_->down.set(bit);
        presses_.press(watched_);
      }
    }
    XFreeEventData(d, &cookie);
  }
  if (broken_) lost();
}

void X11KeySource::lost() {
  if (!notifier_) return;
  // A dead socket stays readable: without this the notifier would fire for ever.
  notifier_->setEnabled(false);
  notifier_->deleteLater();
  notifier_ = nullptr;
  broken_ = true;
  QTimer::singleShot(0, this, [this] { Q_EMIT globalChanged(); });
}

}  // namespace tv::keystate
