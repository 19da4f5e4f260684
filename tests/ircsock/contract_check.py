#!/usr/bin/python3
"""Drives TvIRC over D-Bus with python3-dbus, without any of the main program's code,
so that the bus contract itself is what is checked: names, member order and
signatures, properties, signals and their arguments, argument and caller checks,
release and the end of the process. A small TCP server on loopback plays the IRC
server. Runs inside its own session bus (dbus-run-session) whose activation file
points at the TvIRC under test."""

import re
import socket
import sys
import threading
import time
import xml.etree.ElementTree as ET

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

SERVICE = "TvIRC.clsIRC"
FACTORY_PATH = "/TvIRC"
FACTORY_IFACE = "TvIRC.Factory"
IFACE = "TvIRC.clsIRC"
PROPS = "org.freedesktop.DBus.Properties"

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def spin(predicate, seconds):
    """Runs the main loop until predicate() is true or the time is up."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > deadline:
            return False
        while context.iteration(False):
            pass
        time.sleep(0.01)
    return True


def dbus_error(call):
    try:
        call()
    except dbus.DBusException as error:
        return error.get_dbus_name()
    return None


class LineServer:
    """Accepts one client on loopback and records the raw bytes it sends."""

    def __init__(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.peer = None
        self.data = b""
        self.lock = threading.Lock()
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        self.peer, _ = self.listener.accept()
        while True:
            chunk = self.peer.recv(4096)
            if not chunk:
                return
            with self.lock:
                self.data += chunk

    def received(self):
        with self.lock:
            return self.data


class SilentPort:
    """A loopback port whose full listen queue makes connects hang."""

    def __init__(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(0)
        self.port = self.listener.getsockname()[1]
        self.fillers = []
        for _ in range(3):
            filler = socket.socket()
            filler.setblocking(False)
            try:
                filler.connect(("127.0.0.1", self.port))
            except BlockingIOError:
                pass
            self.fillers.append(filler)
        time.sleep(0.1)


def members_in_order(xml, iface_name):
    root = ET.fromstring(xml)
    for iface in root.findall("interface"):
        if iface.get("name") == iface_name:
            out = []
            for element in iface:
                args = "".join(a.get("type") for a in element.findall("arg")
                               if a.get("direction", "in") == "in" or element.tag == "signal")
                outs = "".join(a.get("type") for a in element.findall("arg")
                               if a.get("direction") == "out")
                if element.tag == "property":
                    out.append(("property", element.get("name"), element.get("type"),
                                element.get("access")))
                else:
                    out.append((element.tag, element.get("name"), args, outs))
            return out
    return None


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    events = []

    def on_signal(*args, **keywords):
        events.append((keywords["path"], keywords["member"], list(args), time.monotonic()))

    bus.add_signal_receiver(on_signal, dbus_interface=IFACE, path_keyword="path",
                            member_keyword="member")

    def seen(path, member):
        return [e for e in events if e[0] == path and e[1] == member]

    # The factory, started by the bus on the first call.
    factory = bus.get_object(SERVICE, FACTORY_PATH)
    path = factory.CreateObject(dbus_interface=FACTORY_IFACE)
    created = time.monotonic()
    check(re.fullmatch(r"/TvIRC/clsIRC/[1-9][0-9]*", str(path)) is not None,
          "CreateObject returns /TvIRC/clsIRC/N (%s)" % path)
    factory_xml = factory.Introspect(dbus_interface="org.freedesktop.DBus.Introspectable")
    check(members_in_order(factory_xml, FACTORY_IFACE) == [("method", "CreateObject", "", "o")],
          "TvIRC.Factory has CreateObject() -> o")

    obj = bus.get_object(SERVICE, path)
    irc = dbus.Interface(obj, IFACE)
    props = dbus.Interface(obj, PROPS)
    expected = [
        ("method", "ircGetData", "", "s"),
        ("method", "ircSendData", "s", ""),
        ("method", "ircQuickSend", "s", ""),
        ("property", "IsThereRxMessage", "b", "read"),
        ("property", "IsActive", "b", "read"),
        ("property", "GetLocalIP", "s", "read"),
        ("method", "ircClose", "", ""),
        ("method", "DoConnect", "ss", ""),
        ("method", "ircPONG", "", ""),
        ("method", "Release", "", ""),
        ("signal", "ircConnected", "ss", ""),
        ("signal", "ircConnectTimeOut", "", ""),
        ("signal", "ircClose", "", ""),
        ("signal", "ircDataArrival", "", ""),
        ("signal", "ircPING", "", ""),
        ("signal", "ircSysMsg", "v", ""),
    ]
    got = members_in_order(obj.Introspect(dbus_interface="org.freedesktop.DBus.Introspectable"),
                           IFACE)
    check(got == expected, "TvIRC.clsIRC members, order and signatures")
    if got != expected:
        print("     got: %s" % got)

    # The client answers every ping from inside the signal handler (a call during an event).
    pongs = []

    def on_ping(**keywords):
        if keywords["path"] == path:
            irc.ircPONG()
            pongs.append(time.monotonic())

    bus.add_signal_receiver(on_ping, signal_name="ircPING", dbus_interface=IFACE,
                            path_keyword="path")

    check(props.Get(IFACE, "IsThereRxMessage") == False, "IsThereRxMessage starts false")
    check(props.Get(IFACE, "IsActive") == False, "IsActive starts false")
    check(isinstance(props.Get(IFACE, "GetLocalIP"), dbus.String), "GetLocalIP is a string")
    check(sorted(props.GetAll(IFACE).keys()) == ["GetLocalIP", "IsActive", "IsThereRxMessage"],
          "GetAll lists the three properties")
    check(irc.ircGetData() == "", "ircGetData on an empty ring returns an empty string")

    # Refusals: malformed arguments, read-only properties, unknown members, other callers.
    check(dbus_error(lambda: irc.DoConnect("127.0.0.1", "99999")) ==
          "org.freedesktop.DBus.Error.InvalidArgs", "DoConnect refuses port 99999")
    check(dbus_error(lambda: irc.DoConnect("a b", "6667")) ==
          "org.freedesktop.DBus.Error.InvalidArgs", "DoConnect refuses a host with a blank")
    check(dbus_error(lambda: bus.call_blocking(SERVICE, path, IFACE, "ircSendData", "i", (5,))) ==
          "org.freedesktop.DBus.Error.InvalidArgs", "ircSendData refuses a non-string")
    check(dbus_error(lambda: obj.Bogus(dbus_interface=IFACE)) ==
          "org.freedesktop.DBus.Error.UnknownMethod", "unknown methods are refused")
    check(dbus_error(lambda: props.Set(IFACE, "IsActive", True)) ==
          "org.freedesktop.DBus.Error.PropertyReadOnly", "properties are read-only")
    stranger = dbus.bus.BusConnection(dbus.bus.BUS_SESSION)
    stranger_obj = stranger.get_object(SERVICE, path)
    check(dbus_error(lambda: stranger_obj.ircGetData(dbus_interface=IFACE)) ==
          "org.freedesktop.DBus.Error.AccessDenied", "another connection may not call the object")
    check(dbus_error(lambda: stranger_obj.Get(IFACE, "IsActive", dbus_interface=PROPS)) ==
          "org.freedesktop.DBus.Error.AccessDenied", "another connection may not read properties")

    # Connect (a leading blank in the port is allowed), receive, send.
    server = LineServer()
    irc.DoConnect("127.0.0.1", " %d" % server.port)
    check(spin(lambda: seen(path, "ircConnected"), 5), "ircConnected arrives")
    if seen(path, "ircConnected"):
        check(seen(path, "ircConnected")[0][2] == ["127.0.0.1", "127.0.0.1"],
              "ircConnected carries the local and the server address")
    check(props.Get(IFACE, "IsActive") == True, "IsActive while connected")
    spin(lambda: server.peer is not None, 5)
    line = ":n PRIVMSG #t :\x1b$B\x46\x7c\x4b\x5c\x38\x6c\x1b(B\r\n".encode("latin-1")
    server.peer.sendall(line[:17])
    time.sleep(0.05)
    server.peer.sendall(line[17:])
    check(spin(lambda: seen(path, "ircDataArrival"), 5), "ircDataArrival arrives")
    check(props.Get(IFACE, "IsThereRxMessage") == True, "IsThereRxMessage after arrival")
    check(irc.ircGetData() == ":n PRIVMSG #t :日本語", "ircGetData decodes ISO-2022-JP")
    check(props.Get(IFACE, "IsThereRxMessage") == False, "ring empty after fetching")

    irc.ircSendData("PRIVMSG #t :テスト")
    sent = b"PRIVMSG #t :\x1b$B%F%9%H\x1b(B\r\n"
    check(spin(lambda: server.received() == sent, 5), "ircSendData sends ISO-2022-JP with CR LF")
    irc.ircSendData("x" * 3000)
    check(spin(lambda: seen(path, "ircSysMsg"), 5), "a line too long raises ircSysMsg")
    if seen(path, "ircSysMsg"):
        message = seen(path, "ircSysMsg")[0][2][0]
        check(isinstance(message, dbus.String) and "2048" in message,
              "ircSysMsg carries a variant holding the text")

    # The server closes: the event ircClose.
    server.peer.shutdown(socket.SHUT_RDWR)
    server.peer.close()
    check(spin(lambda: seen(path, "ircClose"), 5), "the signal ircClose when the server closes")
    check(props.Get(IFACE, "IsActive") == False, "IsActive false after the server closed")

    # The method ircClose raises no event.
    server2 = LineServer()
    before = len(seen(path, "ircConnected"))
    irc.DoConnect("127.0.0.1", str(server2.port))
    spin(lambda: len(seen(path, "ircConnected")) > before, 5)
    closes = len(seen(path, "ircClose"))
    irc.ircClose()
    check(props.Get(IFACE, "IsActive") == False, "ircClose closes the socket")
    spin(lambda: False, 0.3)
    check(len(seen(path, "ircClose")) == closes, "ircClose raises no signal")

    # A port that never answers: the time-out after 5 seconds.
    silent = SilentPort()
    started = time.monotonic()
    irc.DoConnect("127.0.0.1", str(silent.port))
    check(spin(lambda: seen(path, "ircConnectTimeOut"), 9), "ircConnectTimeOut arrives")
    if seen(path, "ircConnectTimeOut"):
        waited = seen(path, "ircConnectTimeOut")[0][3] - started
        check(4.0 <= waited <= 8.0, "the time-out comes after about 5 s (%.1f s)" % waited)

    # The ping, answered from its own handler, keeps the process alive.
    check(spin(lambda: pongs, max(0.0, created + 12 - time.monotonic())),
          "ircPING arrives within 10 s and ircPONG can answer it")

    # An object whose creator leaves the bus is released.
    other = dbus.bus.BusConnection(dbus.bus.BUS_SESSION)
    other_path = other.get_object(SERVICE, FACTORY_PATH).CreateObject(dbus_interface=FACTORY_IFACE)
    other.close()

    def listed(object_path):
        xml = bus.get_object(SERVICE, "/TvIRC/clsIRC").Introspect(
            dbus_interface="org.freedesktop.DBus.Introspectable")
        return object_path.rsplit("/", 1)[1] in [n.get("name") for n in ET.fromstring(xml)
                                                 .findall("node")]

    check(spin(lambda: not listed(other_path), 3), "an object is released when its creator leaves")

    # Release ends the object, and the process with its last object.
    irc.Release()
    check(dbus_error(lambda: irc.ircGetData()) == "org.freedesktop.DBus.Error.UnknownObject",
          "a released object is gone")
    check(spin(lambda: not bus.name_has_owner(SERVICE), 3),
          "TvIRC leaves the bus when it holds no object")

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
