"""One simulated PC for the end-to-end tests: its own program folder with a copy of
Talvora, its own home folder, X display (Xvfb) and D-Bus session, and an AT-SPI
driver (atspi_driver.py) inside that session, spoken to one JSON line at a time."""

import array
import ctypes
import json
import os
import queue
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
SYSTEM_PYTHON = "/usr/bin/python3"  # the one with the distribution's gi bindings

# Variables of the surrounding desktop that must not reach a PC.
FOREIGN_ENV = ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "NO_AT_BRIDGE", "DISPLAY",
               "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "XDG_SESSION_TYPE",
               "XDG_CURRENT_DESKTOP", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "QT_QPA_PLATFORMTHEME",
               "QT_STYLE_OVERRIDE", "GTK_MODULES")


class E2EError(AssertionError):
    pass


def _own_group_and_die_with_parent():
    # A PC's processes form one process group, so cleanup ends all of them at once,
    # and they are told to end if the test process itself is killed (ctest timeout).
    os.setsid()
    try:
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def _group_alive(pgid):
    """Whether a process of the group still runs (ended ones awaiting collection don't
    count)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry, encoding="ascii", errors="replace") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            return True
    return False


def _collect_group(pgid):
    while True:
        try:
            if os.waitpid(-pgid, os.WNOHANG)[0] == 0:
                return
        except ChildProcessError:
            return


def _kill_group(proc, grace=3.0):
    """Ends the process group that proc leads: the leader and whatever it started (the
    bus, the accessibility services, Talvora), politely first."""
    if proc is None:
        return
    if _group_alive(proc.pid):
        try:
            os.killpg(proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + grace
    while _group_alive(proc.pid) and time.monotonic() < deadline:
        proc.poll()
        time.sleep(0.05)
    if _group_alive(proc.pid):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        pass
    _collect_group(proc.pid)  # members whose parent ended come back to the test process


class PC:
    def __init__(self, name, talvora, workroot, audio_setup_done=True, programs=(),
                 microphone=None, keep_speaker=False):
        """programs: other programs of the suite copied from Talvora's folder beside it.
        The PC's sound devices are WAV files: the microphone plays the samples given
        (16-bit, 48000 Hz) or silence; with keep_speaker the speakers' sound is kept in
        speaker.wav."""
        self.name = name
        self.talvora_src = talvora
        self.root = tempfile.mkdtemp(prefix="%s-" % name, dir=workroot)
        self.program_dir = os.path.join(self.root, "prog")
        self.home = os.path.join(self.root, "home")
        self.program = os.path.join(self.program_dir, "Talvora")
        self.driver_log = os.path.join(self.root, "driver.log")
        self.talvora_log = os.path.join(self.root, "talvora.log")
        self.xvfb = None
        self.display = None
        self.session = None
        self.replies = queue.Queue()
        self.next_id = 0
        os.makedirs(self.program_dir)
        shutil.copy2(talvora, self.program)
        for program in programs:
            shutil.copy2(os.path.join(os.path.dirname(talvora), program),
                         os.path.join(self.program_dir, program))
        for sub in (".config", ".local/share", ".cache", "run"):
            os.makedirs(os.path.join(self.home, sub))
        os.chmod(os.path.join(self.home, "run"), 0o700)
        self.microphone = os.path.join(self.root, "microphone.wav") if microphone else ""
        if microphone:
            write_wav(self.microphone, microphone)
        self.speaker = os.path.join(self.root, "speaker.wav") if keep_speaker else ""
        # The platform's settings: the sound devices, and the flag the audio set-up
        # leaves behind once it has been run.
        self.platform_ini = os.path.join(self.home, ".config", "Talvora", "platform.ini")
        lines = ["[Audio]", "Backend=wav", "CaptureFile=" + self.microphone,
                 "PlaybackFile=" + self.speaker]
        if audio_setup_done:
            lines += ["[Voice]", "AudioSetupDone=1"]
        os.makedirs(os.path.dirname(self.platform_ini))
        with open(self.platform_ini, "w", encoding="utf-8", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    def platform_setting(self, key):
        """A key's value in the platform's settings file ("" when missing)."""
        try:
            with open(self.platform_ini, encoding="utf-8", errors="replace") as f:
                for line in f:
                    k, sep, v = line.strip().partition("=")
                    if sep and k.strip().lower() == key.lower():
                        return v.strip()
        except OSError:
            pass
        return ""

    def audio_setup_recorded(self):
        return self.platform_setting("AudioSetupDone") == "1"

    def processes(self, program):
        """IDs of the running processes of one of this PC's programs."""
        path = os.path.join(self.program_dir, program)
        found = []
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    if os.readlink("/proc/%s/exe" % entry) == path:
                        found.append(int(entry))
                except OSError:
                    pass
        return found

    # ----- start and stop -----
    def start(self, timeout=90, talvora=True):
        """Starts the PC's display, bus and driver, and Talvora unless told not to."""
        self._start_display()
        env = {k: v for k, v in os.environ.items() if k not in FOREIGN_ENV}
        env.update({
            "DISPLAY": ":%d" % self.display,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.home, "run"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "LANG": "C.UTF-8",
        })
        if env.get("ASAN_OPTIONS"):
            # libxkbcommon-x11 reads keymap names with strndup past their end, which the
            # strict string checks of the test suite report on every X11 start.
            env["ASAN_OPTIONS"] += ":strict_string_checks=0"
        log = open(self.driver_log, "ab")
        self.session = subprocess.Popen(
            ["dbus-run-session", "--", SYSTEM_PYTHON, os.path.join(HERE, "atspi_driver.py")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log, env=env,
            cwd=self.root, preexec_fn=_own_group_and_die_with_parent)
        log.close()
        threading.Thread(target=self._read_replies, daemon=True).start()
        started = time.monotonic()
        if not talvora:
            return 0.0
        self.call("start", program=self.program, log_path=self.talvora_log, timeout=timeout,
                  wait=timeout + 10)
        return time.monotonic() - started

    def _start_display(self):
        read_end, write_end = os.pipe()
        with open(os.path.join(self.root, "xvfb.log"), "ab") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=log, stderr=log,
                preexec_fn=_own_group_and_die_with_parent)
        os.close(write_end)
        digits = b""
        deadline = time.monotonic() + 30
        while not digits.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                digits += chunk
        os.close(read_end)
        if not digits.strip():
            raise E2EError("%s: Xvfb did not start" % self.name)
        self.display = int(digits.strip())

    def _read_replies(self):
        for raw in self.session.stdout:
            try:
                self.replies.put(json.loads(raw.decode("utf-8")))
            except ValueError:
                self.replies.put({"ok": False, "error": "unreadable reply: %r" % raw})
        self.replies.put(None)

    def stop(self):
        """Ends Talvora, the driver, the session bus and the display."""
        if self.session is not None and self.session.poll() is None:
            try:
                self.session.stdin.write(b'{"op": "quit"}\n')
                self.session.stdin.flush()
                self.session.stdin.close()
                self.session.wait(15)
            except (OSError, subprocess.TimeoutExpired):
                pass
        _kill_group(self.session)
        _kill_group(self.xvfb)

    def leftovers(self):
        """Process groups of this PC still running after stop(): none, normally."""
        return [name for name, proc in (("session", self.session), ("display", self.xvfb))
                if proc is not None and _group_alive(proc.pid)]

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)

    # ----- the driver -----
    def call(self, op, wait=30, **args):
        if self.session is None or self.session.poll() is not None:
            raise E2EError("%s: the driver is not running" % self.name)
        self.next_id += 1
        request = dict(args, op=op, id=self.next_id)
        self.session.stdin.write((json.dumps(request, ensure_ascii=False) + "\n").encode())
        self.session.stdin.flush()
        deadline = time.monotonic() + wait
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise E2EError("%s: no answer to %s in %ss" % (self.name, op, wait))
            try:
                reply = self.replies.get(timeout=left)
            except queue.Empty:
                continue
            if reply is None:
                raise E2EError("%s: the driver ended during %s" % (self.name, op))
            if reply.get("id") != self.next_id:
                continue  # a late answer to a request that already timed out
            if not reply["ok"]:
                raise E2EError("%s: %s %s: %s" % (self.name, op,
                                                   json.dumps(args, ensure_ascii=False),
                                                   reply["error"]))
            return reply["result"]

    def try_call(self, op, **args):
        """The result, or None where the widget is not there (yet)."""
        try:
            return self.call(op, **args)
        except E2EError as e:
            if "not found" in str(e):
                return None
            raise

    # ----- conveniences the scenarios share -----
    def button(self, name, **more):
        return dict({"role": "push button", "name": name}, **more)

    def press(self, name, appear=10.0, **more):
        """Presses the button, first giving it `appear` seconds to show up: a page or
        dialog that a previous press brings up may still be on its way under load."""
        spec = self.button(name, **more)
        deadline = time.monotonic() + appear
        while True:
            try:
                return self.call("press", spec=spec)
            except E2EError as e:
                if "not found" not in str(e) or time.monotonic() > deadline:
                    raise
            time.sleep(0.1)

    def exists(self, spec):
        return bool(self.call("find", spec=spec))

    def tabs(self):
        return self.call("tabs")["tabs"]

    def select_tab(self, caption):
        self.call("press", spec={"role": "page tab", "name": caption})

    def rows(self, name, **more):
        return self.try_call("rows", spec=dict({"name": name}, **more)) or []

    def text(self, name):
        return self.try_call("text", spec={"name": name}) or ""

    # ----- failure evidence -----
    def save_evidence(self, folder, label):
        os.makedirs(folder, exist_ok=True)
        base = os.path.join(folder, "%s-%s" % (label, self.name))
        if self.display is not None and self.xvfb is not None and self.xvfb.poll() is None:
            try:
                self._screenshot(base)
                print("  screen of %s saved beside %s" % (self.name, base), file=sys.stderr)
            except (OSError, subprocess.SubprocessError) as e:
                print("  no screen of %s: %s" % (self.name, e), file=sys.stderr)
        try:
            tree = self.call("dump", wait=60)
            # The other programs of the suite this PC runs.
            for app in sorted({a["name"] for a in self.call("apps")} - {"Talvora"}):
                tree += "\n" + self.call("dump", wait=60, app=app)
            with open(base + "-tree.txt", "w", encoding="utf-8") as f:
                f.write(tree)
        except Exception as e:  # evidence is best effort
            print("  no accessibility tree of %s: %s" % (self.name, e), file=sys.stderr)
        for title, path in (("driver log", self.driver_log), ("Talvora output", self.talvora_log)):
            if os.path.exists(path):
                shutil.copy(path, base + "-" + os.path.basename(path))
                with open(path, encoding="utf-8", errors="replace") as f:
                    tail = f.readlines()[-60:]
                print("---- %s of %s (last %d lines) ----" % (title, self.name, len(tail)),
                      file=sys.stderr)
                sys.stderr.write("".join(tail))

    def _screenshot(self, base):
        xwd = base + ".xwd"
        subprocess.run(["xwd", "-root", "-silent", "-display", ":%d" % self.display, "-out",
                        xwd], capture_output=True, timeout=30, check=True)
        if _real_convert() and subprocess.run([_real_convert(), xwd, base + ".png"],
                                              capture_output=True, timeout=60).returncode == 0:
            os.remove(xwd)

    def sanitizer_reports(self):
        """Lines in which AddressSanitizer or UndefinedBehaviorSanitizer reported a fault."""
        if not os.path.exists(self.talvora_log):
            return []
        with open(self.talvora_log, encoding="utf-8", errors="replace") as f:
            return [line.rstrip() for line in f
                    if "ERROR: AddressSanitizer" in line or "runtime error:" in line]


def write_wav(path, samples):
    """16-bit mono 48000 Hz PCM."""
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(48000)
        data = array.array("h", samples)
        if sys.byteorder == "big":
            data.byteswap()
        w.writeframes(data.tobytes())


def read_wav(path):
    with wave.open(path, "rb") as w:
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        data.byteswap()
    return data.tolist()


def _real_convert():
    # ImageMagick's convert, where the machine has it.
    path = "/usr/bin/convert"
    return path if os.access(path, os.X_OK) else None


def wait_until(what, probe, timeout=20.0, interval=0.1):
    """Polls probe() until it returns something true; returns that value. Fails with the
    last value seen, so a wrong state is reported, not only a timeout."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = probe()
        if last:
            return last
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.0fs waiting for %s; last seen: %r"
                           % (timeout, what, last))
        time.sleep(interval)
