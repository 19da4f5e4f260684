"""Installs the build into a temporary prefix and uses it as a desktop user would.

Checks the layout (one program folder under lib/talvora, the launcher, the desktop
entry, the icons, the TvIRC activation file), validates the desktop entry, then starts
the installed launcher under Xvfb with the program folder read-only, as it is for an
installed copy, and waits for Talvora.ini to appear in the user's data folder
($XDG_DATA_HOME/Talvora) and not beside the programs."""

import argparse
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

PROGRAMS = ("Talvora", "TvIRC", "TvDcc", "TvSoundTest")


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        fail("%s is no PNG file" % path)
    return struct.unpack(">II", head[16:24])


def check_layout(prefix):
    lib = os.path.join(prefix, "lib", "talvora")
    for name in PROGRAMS:
        if not os.access(os.path.join(lib, name), os.X_OK):
            fail("%s is not installed in %s" % (name, lib))
    launcher = os.path.join(prefix, "bin", "talvora")
    if os.path.realpath(launcher) != os.path.realpath(os.path.join(lib, "Talvora")):
        fail("the launcher does not lead to the program folder's Talvora")
    entry = os.path.join(prefix, "share", "applications", "talvora.desktop")
    with open(entry, encoding="utf-8") as f:
        text = f.read()
    for line in ("Name=Talvora", "Name[ja]=", "Categories=Network;Chat;", "Icon=talvora",
                 "Exec=%s/bin/talvora" % prefix):
        if line not in text:
            fail("desktop entry lacks %r" % line)
    validate = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
    if validate.returncode != 0 or "error" in validate.stdout.lower():
        fail("desktop-file-validate: " + validate.stdout + validate.stderr)
    icons = os.path.join(prefix, "share", "icons", "hicolor")
    if not os.path.isfile(os.path.join(icons, "scalable", "apps", "talvora.svg")):
        fail("no scalable icon")
    for size in (48, 256):
        path = os.path.join(icons, "%dx%d" % (size, size), "apps", "talvora.png")
        if png_size(path) != (size, size):
            fail("%s is not %d px" % (path, size))
    service = os.path.join(prefix, "share", "dbus-1", "services", "TvIRC.clsIRC.service")
    with open(service, encoding="utf-8") as f:
        if "Exec=%s/TvIRC" % lib not in f.read():
            fail("the TvIRC activation file does not name the installed TvIRC")
    return lib


def start_xvfb(workdir):
    read_end, write_end = os.pipe()
    log = open(os.path.join(workdir, "xvfb.log"), "ab")
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=log, stderr=log,
                            start_new_session=True)
    os.close(write_end)
    digits = b""
    deadline = time.monotonic() + 30
    while not digits.endswith(b"\n") and time.monotonic() < deadline:
        if select.select([read_end], [], [], 0.5)[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            digits += chunk
    os.close(read_end)
    if not digits.strip():
        xvfb.kill()
        fail("Xvfb did not start")
    return xvfb, int(digits.strip())


def end_group(proc):
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, signal.SIGTERM)
        proc.wait(10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()


def run_installed(prefix, lib, bus_config, workdir):
    home = os.path.join(workdir, "home")
    data_home = os.path.join(home, ".local", "share")
    for sub in (".config", ".local/share", ".cache", "run"):
        os.makedirs(os.path.join(home, sub))
    os.chmod(os.path.join(home, "run"), 0o700)
    # The program folder read-only: root writes through permissions, so it gets a
    # read-only mount of its own (a mount namespace); others lose the write bits.
    launcher = [os.path.join(prefix, "bin", "talvora")]
    if os.geteuid() == 0:
        launcher = ["unshare", "-m", "sh", "-c",
                    'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1" && shift '
                    '&& exec "$@"', "sh", lib] + launcher
    else:
        os.chmod(lib, 0o555)
    xvfb, display = start_xvfb(workdir)
    env = {k: v for k, v in os.environ.items()
           if k not in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_DATA_DIRS")}
    env.update({"HOME": home, "XDG_DATA_HOME": data_home,
                "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                "XDG_RUNTIME_DIR": os.path.join(home, "run"),
                "DISPLAY": ":%d" % display, "QT_QPA_PLATFORM": "xcb", "LANG": "C.UTF-8"})
    if env.get("ASAN_OPTIONS"):
        # libxkbcommon-x11 reads keymap names past their end on every X11 start.
        env["ASAN_OPTIONS"] += ":strict_string_checks=0"
    log_path = os.path.join(workdir, "talvora.log")
    log = open(log_path, "ab")
    talvora = subprocess.Popen(["dbus-run-session", "--config-file=" + bus_config, "--"] + launcher,
                               env=env, stdout=log, stderr=log, start_new_session=True)
    settings = os.path.join(data_home, "Talvora", "Talvora.ini")
    try:
        deadline = time.monotonic() + 120
        while not os.path.exists(os.path.join(data_home, "Talvora", "Log")):
            if talvora.poll() is not None or time.monotonic() > deadline:
                with open(log_path, encoding="utf-8", errors="replace") as f:
                    fail("the installed Talvora made no data folder:\n" + f.read()[-3000:])
            time.sleep(0.2)
    finally:
        end_group(talvora)
        end_group(xvfb)
        if os.geteuid() != 0:
            os.chmod(lib, 0o755)
    with open(settings, encoding="cp932") as f:
        if "Version=" not in f.read():
            fail("Talvora.ini in the data folder holds no version")
    if os.path.exists(os.path.join(lib, "Talvora.ini")):
        fail("Talvora.ini was written beside the programs")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--bus-config", required=True)
    args = parser.parse_args()
    workdir = tempfile.mkdtemp(prefix="tv-install-")
    try:
        prefix = os.path.join(workdir, "prefix")
        install = subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],
                                 capture_output=True, text=True)
        if install.returncode != 0:
            fail("cmake --install failed:\n" + install.stdout + install.stderr)
        lib = check_layout(prefix)
        run_installed(prefix, lib, args.bus_config, workdir)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    print("installation checked")


if __name__ == "__main__":
    main()
