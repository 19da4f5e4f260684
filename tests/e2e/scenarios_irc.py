"""End-to-end IRC scenarios: a real ngircd on loopback, a scripted IRC client written
here, and Talvora PCs that connect through their connection dialog."""

import os
import socket
import subprocess
import tempfile
import threading
import time

from pc import E2EError, wait_until
from scenarios import INFO_LOG, INPUT_LINE, enter_text, info_messages, scenario, tab_state, \
    wait_main_window, wait_selected_tab

IRC_LOG = "IRCチャットログ"
IRC_USERS = "IRCユーザリスト"
IRC_TOPIC = "IRCトピック"
IRC_COUNT = "チャンネル人数"
IRC_NICK = "自分のニックネーム"
DIALOG = "IRC接続"
SERVER_NAME = "テスト鯖"


# ----- ISO-2022-JP as TvIRC writes and reads it: JIS X 0208 pairs through CP932, and
# half-width katakana as raw single bytes (Python's iso2022_jp codec maps "～", "－" and
# "∥" elsewhere and refuses half-width katakana).

def encode_line(text):
    out, two = bytearray(), False
    for ch in text:
        b = ch.encode("cp932")
        if len(b) == 1:
            if two:
                out += b"\x1b(B"
                two = False
            out += b
            continue
        if not two:
            out += b"\x1b$B"
            two = True
        s1, s2 = b[0], b[1]
        j1 = 2 * s1 - (0xE1 if s1 <= 0x9F else 0x161) + (1 if s2 >= 0x9F else 0)
        j2 = s2 - 0x1F if s2 < 0x7F else s2 - 0x20 if s2 < 0x9F else s2 - 0x7E
        out += bytes([j1, j2])
    if two:
        out += b"\x1b(B"
    return bytes(out) + b"\r\n"


def decode_line(data):
    out, state, held = [], 0, 0
    for b in data:
        if state == 0:
            if b == 27:
                state = 3
            elif b != 13:
                out.append(bytes([b]).decode("cp932", "replace"))
        elif state == 1:
            if b == 27:
                state = 3
            else:
                held, state = b, 2
        elif state == 2:
            c1, c2 = held, b
            s2 = c2 + 0x1F + (1 if c2 + 0x1F > 0x7E else 0) if c1 % 2 else c2 + 0x7E
            s1 = (c1 + 1) // 2 + (0x70 if c1 < 0x5F else 0xB0)
            out.append(bytes([s1, s2]).decode("cp932", "replace"))
            state = 1
        elif state == 3:
            state = 5 if b == 0x24 else 4 if b == 0x28 else 0
        elif state == 4:
            state = 0
        elif state == 5:
            state = 1 if b == 0x42 else 0
    return "".join(out)


class Ngircd:
    """A private ngircd on a free loopback port, like the C++ tests' NgircdServer."""

    def __init__(self, workroot):
        self.dir = tempfile.mkdtemp(prefix="ngircd-", dir=workroot)
        os.chmod(self.dir, 0o755)
        run = os.path.join(self.dir, "run")
        os.makedirs(run)
        os.chmod(run, 0o777)
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        root = os.geteuid() == 0
        conf = os.path.join(self.dir, "ngircd.conf")
        with open(conf, "w", encoding="ascii") as f:
            f.write("[Global]\nName = irc.talvora.test\nInfo = Talvora test server\n"
                    "AdminInfo1 = t\nAdminInfo2 = t\nAdminEMail = t@invalid\n"
                    "Listen = 127.0.0.1\nPorts = %d\nMotdPhrase = test\nPidFile = %s/ngircd.pid\n"
                    "ServerUID = %d\nServerGID = %d\n[Limits]\nMaxNickLength = 30\n"
                    "MaxConnectionsIP = 0\nPingTimeout = 600\nPongTimeout = 600\n"
                    "[Options]\nPAM = no\nIdent = no\nDNS = no\n"
                    % (self.port, run, 65534 if root else os.getuid(),
                       65534 if root else os.getgid()))
        self.proc = subprocess.Popen(["/usr/sbin/ngircd", "-n", "-f", conf],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until("ngircd accepting", self._accepts, 15)

    def _accepts(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), 0.2).close()
            return True
        except OSError:
            return False

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Client:
    """A scripted IRC user: registers, answers PING, keeps every line it receives."""

    def __init__(self, port, nick):
        self.sock = socket.create_connection(("127.0.0.1", port), 5)
        self.sock.settimeout(None)  # the reader waits as long as the scenario runs
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("NICK " + nick)
        self.send("USER %s 8 * :scripted" % nick)
        self.wait_for(" 376 ")

    def _read(self):
        buf = b""
        while True:
            try:
                chunk = self.sock.recv(65536)
            except OSError:
                return
            if not chunk:
                return
            buf += chunk
            while b"\n" in buf:
                raw, buf = buf.split(b"\n", 1)
                line = decode_line(raw)
                if line.startswith("PING"):
                    self.send("PONG" + line[4:])
                with self.lock:
                    self.lines.append(line)

    def send(self, line):
        self.sock.sendall(encode_line(line))

    def wait_for(self, text, timeout=20):
        try:
            return wait_until("client line with %r" % text, lambda: next(
                (l for l in list(self.lines) if text in l), None), timeout)
        except E2EError as e:
            raise E2EError("%s; the client's last lines: %r" % (e, self.lines[-5:]))

    def close(self):
        self.sock.close()


# ----- steps -----

def pane_tabs(pc):
    """The pane's channel tabs (none while its tab strip is not shown)."""
    return pc.try_call("tabs", index=1) or {"tabs": [], "selected": None}


def irc_log(pc):
    return pc.call("text", spec={"role": "text", "name": IRC_LOG})


def described(pc, name):
    return pc.call("inspect", spec={"role": "label", "name": name})["description"]


def user_entries(pc):
    return sorted(row[0] for row in pc.rows(IRC_USERS))


def write_cp932(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp932"))


def read_cp932(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932").split("\r\n")[:-1]


def connect_through_dialog(pc, nick):
    pc.press("接続", window="[Talvora]")
    wait_until("IRC dialog", lambda: pc.exists({"name": DIALOG, "role": "dialog"}) or
               pc.exists({"role": "push button", "name": "接続", "window": DIALOG}))
    pc.call("set_text", spec={"role": "text", "name": "IRCニックネーム", "window": DIALOG},
            text=nick)
    # A list-only combo box is named by its entry on this bus.
    servers = pc.call("combo", spec={"role": "combo box", "name": SERVER_NAME, "window": DIALOG})
    ports = pc.call("text", spec={"role": "text", "name": "ポート", "window": DIALOG})
    pc.press("接続", window=DIALOG)
    return servers, ports


@scenario
def irc_channel(run):
    """A PC joins #Talvora on ngircd through the connection dialog and chats with a
    scripted client in Japanese; topic, operator rights, a nickname change and a private
    message reach it; a second connection with the same nickname is refused; the client
    quits; the server stops and the pane ends with its logs saved."""
    server = Ngircd(run.workroot)
    client = None
    try:
        pc = run.pc("pc1", programs=("TvIRC",))
        wait_main_window(pc)
        write_cp932(os.path.join(pc.program_dir, "SVList.txt"),
                    [":表示名,ホスト,ポート,ポート数", "%s,127.0.0.1,%d,1" % (SERVER_NAME, server.port)])
        client = Client(server.port, "scripted")
        client.send("JOIN #Talvora")
        client.wait_for(" 366 ")

        started = time.monotonic()
        servers, ports = connect_through_dialog(pc, "talvoraPC")
        if servers["entries"] != [SERVER_NAME] or ports != str(server.port):
            raise E2EError("dialog offered %r, port %r" % (servers, ports))
        wait_selected_tab(pc, SERVER_NAME, 30)
        wait_until("channel tab", lambda: pane_tabs(pc)["tabs"] == ["#Talvora"])
        wait_until("both listed", lambda: user_entries(pc) == ["@scripted", "talvoraPC"])
        run.timing("connect_to_channel", started)
        if described(pc, IRC_COUNT) != "2人" or described(pc, IRC_NICK) != "talvoraPC":
            raise E2EError("count %r, nickname %r" % (described(pc, IRC_COUNT),
                                                       described(pc, IRC_NICK)))
        if "チャンネルを開きました。" not in irc_log(pc):
            raise E2EError("no opening line: %r" % irc_log(pc))

        # Japanese both ways, through CP932 on both sides.
        started = time.monotonic()
        said = "ｶﾀｶﾅと～と－ http://example.jp/e2e です"
        enter_text(pc, INPUT_LINE, said)
        client.wait_for("PRIVMSG #Talvora :" + said)
        answer = "こんにちは～∥ｱｲｳ http://example.jp/answer"
        client.send("PRIVMSG #Talvora :" + answer)
        wait_until("answer shown", lambda: "<scripted> " + answer in irc_log(pc))
        if ">talvoraPC< " + said not in irc_log(pc):
            raise E2EError("own line missing: %r" % irc_log(pc)[-300:])
        run.timing("japanese_both_ways", started)

        client.send("TOPIC #Talvora :今日の話題")
        wait_until("topic", lambda: pc.text(IRC_TOPIC) == "今日の話題")
        client.send("MODE #Talvora +o talvoraPC")
        wait_until("operator mark", lambda: "@talvoraPC" in user_entries(pc))
        client.send("NICK scripted2")
        wait_until("renamed", lambda: user_entries(pc) == ["@scripted2", "@talvoraPC"])
        if "scriptedさんがニックネームをscripted2に変更しました。" not in irc_log(pc):
            raise E2EError("no nickname line")
        client.send("PRIVMSG talvoraPC :ないしょ")
        wait_until("private tab", lambda: pane_tabs(pc)["tabs"] == ["#Talvora", "scripted2"])
        wait_until("private line", lambda: "<scripted2> ないしょ" in irc_log(pc))

        # The same nickname again: refused with its reasons, no second pane.
        tabs_before = tab_state(pc)["tabs"]
        connect_through_dialog(pc, "talvoraPC")
        wait_until("nickname refusal",
                   lambda: "IRCのニックネームを変更して再度接続してください。" in info_messages(pc))
        if "NickNameは既に他のユーザが使用中でした。" not in info_messages(pc) or \
                tab_state(pc)["tabs"] != tabs_before:
            raise E2EError("second connection: tabs %r" % tab_state(pc)["tabs"])

        pc.call("press", spec={"role": "page tab", "name": "#Talvora"})
        client.send("QUIT :またね")
        wait_until("quit line", lambda: "scripted2さんがIRCから去りました。" in irc_log(pc))
        client.close()
        client = None

        started = time.monotonic()
        server.stop()
        wait_until("pane gone", lambda: SERVER_NAME not in tab_state(pc)["tabs"], 30)
        if "IRCサーバとの接続が切断されました。" not in info_messages(pc):
            raise E2EError("the cut was not reported")
        run.timing("server_stop_to_pane_gone", started)
        logs = os.listdir(os.path.join(pc.program_dir, "Log"))
        for name in ("#Talvora_", "scripted2_"):
            if not any(f.startswith(name) and f.endswith(".rtf") for f in logs):
                raise E2EError("no saved log %s*.rtf in %r" % (name, logs))
        if read_cp932(os.path.join(pc.program_dir, "NickIRC.txt")) != ["talvoraPC"]:
            raise E2EError("NickIRC.txt: %r" % read_cp932(os.path.join(pc.program_dir,
                                                                       "NickIRC.txt")))
        if read_cp932(os.path.join(pc.program_dir, "CHList.txt")) != \
                [":チェック状態,チャンネル名称", "True,#Talvora"]:
            raise E2EError("CHList.txt: %r" % read_cp932(os.path.join(pc.program_dir,
                                                                      "CHList.txt")))
        run.check_alive()
    finally:
        if client is not None:
            client.close()
        server.stop()
