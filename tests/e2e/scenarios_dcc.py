"""End-to-end scenarios of direct file transfers: real TvDcc processes started by real
Talvora PCs, and a TvDcc receiver against a DCC peer played by this process. They run
in a network namespace of their own, where this PC's address is 127.0.0.1."""

import hashlib
import os
import socket
import struct
import threading
import time

from pc import E2EError, wait_until
from scenarios import (USER_LIST, VOICE_TAB, host_menu, info_messages, list_names, row_index,
                       scenario, start_voice, tab_state, wait_main_window)

TVDCC = "TvDcc"
DONE = "ファイルの受信が完了しました。"
SENT = "ファイルの送信が完了しました。"
OVERSIZE = "申告されたサイズを超えるデータを受信したため、接続を切断しました。"
PEER = "ぴあ"
LOOPBACK_NUMBER = "2130706433"  # 127.0.0.1 as a DCC address


def write_tvdcc_ini(pc, **values):
    """TvDcc.ini in the PC's program folder (CP932, CR LF), section DCC."""
    lines = ["[DCC]"] + ["%s=%s" % (k, v) for k, v in values.items()]
    with open(os.path.join(pc.program_dir, "TvDcc.ini"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def dcc(spec, pid=None):
    spec = dict(spec, app=TVDCC)
    if pid is not None:
        spec["pid"] = pid
    return spec


def dcc_windows(pc, pid=None):
    return pc.call("windows", app=TVDCC, pid=pid)


def dcc_status(pc, pid=None, panel="状態"):
    found = pc.call("find", spec=dcc({"role": "label", "name": panel, "any": True}, pid))
    if not found:
        return ""
    return pc.call("inspect", spec=dcc({"role": "label", "name": panel, "any": True},
                                       pid))["description"]


def wait_dcc_window(pc, pid=None, timeout=30):
    return wait_until("%s TvDcc window" % pc.name, lambda: dcc_windows(pc, pid), timeout)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


@scenario
def dcc_voice_transfer(run):
    """Two PCs in a voice session: the participant menu starts a sender, whose offer
    reaches the member as a session message and starts a receiver there; a 5 MiB file
    arrives with the same SHA-256 and both windows say 完了."""
    host = run.pc("pc1", programs=(TVDCC,))
    member = run.pc("pc2", programs=(TVDCC,))
    wait_main_window(host)
    wait_main_window(member)
    source = os.path.join(host.root, "写真 1.bin")
    with open(source, "wb") as f:
        f.write(os.urandom(5 * 1024 * 1024))
    write_tvdcc_ini(host, Path=source, chkNAT=0, chkClose=0)
    write_tvdcc_ini(member, chkClose=0)
    start_voice(host, True, "ほすと")
    start_voice(member, False, "めんばー", "127.0.0.1")
    wait_until("both listed", lambda: sorted(list_names(host)) == ["@ほすと", "めんばー"])

    started = time.monotonic()
    row = row_index(host, "めんばー")
    host.call("click_cell", spec={"name": USER_LIST}, row=row)
    host_menu(host, None, None, "この人にファイルを送る", row=row)
    wait_dcc_window(host)
    host.call("press", spec=dcc({"role": "push button", "name": "送信"}))
    status = wait_until("sender listening",
                        lambda: dcc_status(host).startswith("接続受付ポートを開きました。PORT = ")
                        and dcc_status(host))
    run.timing("menu_to_listening", started)

    started = time.monotonic()
    wait_dcc_window(member)
    run.timing("offer_to_receiver_window", started)
    if dcc_status(member):
        raise E2EError("the receiver starts with a status: %r" % dcc_status(member))
    started = time.monotonic()
    member.call("press", spec=dcc({"role": "push button", "name": "受信"}))
    for pc in (host, member):
        wait_until("%s window 完了" % pc.name,
                   lambda pc=pc: [w["title"] for w in dcc_windows(pc)] == ["完了"], 60)
    run.timing("transfer_5mib", started)
    if dcc_status(member) != DONE or dcc_status(host) != SENT:
        raise E2EError("statuses %r / %r" % (dcc_status(host), dcc_status(member)))
    received = os.path.join(member.program_dir, "写真_1.bin")
    if not os.path.exists(received) or sha256(received) != sha256(source):
        raise E2EError("the received file differs (sender said %r)" % status)
    if "送信できませんでした。" in info_messages(host):
        raise E2EError("the hand-over was reported as failed")
    for pc in (host, member):
        pc.call("press", spec=dcc({"role": "push button", "name": "中止"}))
        wait_until("%s TvDcc ended" % pc.name, lambda pc=pc: not dcc_windows(pc))
    if VOICE_TAB not in tab_state(member)["tabs"]:
        raise E2EError("the member's voice session ended")
    run.check_alive()


class DccPeer:
    """A DCC sender played by the test: it listens on loopback, and once TvDcc connects
    sends what its behaviour says. It records the acknowledgements it reads."""

    def __init__(self, data, behaviour, sent):
        self.data = data
        self.behaviour = behaviour
        self.sent = sent
        self.acks = b""
        self.release = threading.Event()
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(30)
        self.port = self.listener.getsockname()[1]
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        try:
            conn, _ = self.listener.accept()
        except OSError:
            return
        with conn:
            conn.sendall(self.data[:self.sent])
            if self.behaviour == "reset":
                time.sleep(0.3)
                conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                return
            if self.behaviour == "stall":
                self.release.wait(30)
                return
            if self.behaviour == "short":
                return
            conn.settimeout(5)
            try:  # the receiver's acknowledgements, until it closes
                while True:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    self.acks += chunk
            except OSError:
                pass

    def last_ack(self):
        return struct.unpack(">I", self.acks[-4:])[0] if len(self.acks) >= 4 else None

    def close(self):
        self.release.set()
        self.listener.close()
        self.thread.join(10)


def launch_tvdcc(pc, words):
    return pc.call("launch", program=os.path.join(pc.program_dir, TVDCC), args=words,
                   log_path=pc.talvora_log)


def end_tvdcc(pc, pid):
    pc.call("press", spec=dcc({"role": "push button", "name": "中止"}, pid))
    wait_until("TvDcc %d ended" % pid, lambda: not pc.call("process", pid=pid)["running"])
    code = pc.call("process", pid=pid)["code"]
    if code != 0:
        raise E2EError("TvDcc ended with code %s" % code)


LONG = "あ" * 100 + ".txt"  # 304 bytes
HOSTILE = [
    # mode, offered name, announced size, behaviour, bytes sent, file left, status
    ("VREC", "../../x", 5000, "exact", 5000, "x", DONE),
    ("IREC", "/etc/passwd", 70000, "exact", 70000, "passwd", DONE),
    ("VREC", "..", 100, "exact", 100, "受信ファイル", DONE),
    ("IREC", ".bashrc", 100, "exact", 100, "bashrc", DONE),
    ("VREC", "-rf", 100, "exact", 100, "rf", DONE),
    ("VREC", "a\rb.txt", 100, "exact", 100, "ab.txt", DONE),
    ("VREC", LONG, 100, "exact", 100, "あ" * 83 + ".txt", DONE),
    ("IREC", "more.bin", 100, "more", 300, "more.bin", OVERSIZE),
    ("VREC", "short.bin", 10000, "short", 4000, "short.bin.part", PEER + "さんから切断されました。"),
    ("IREC", "reset.bin", 10000, "reset", 4000, "reset.bin.part", PEER + "さんから切断されました。"),
    ("VREC", "stall.bin", 10000, "stall", 3000, "stall.bin.part",
     PEER + "さんとの接続に成功しました。"),
]

REFUSED = [
    ("VREC", "0", "5000", "1", "送信元のアドレスが正しくありません。"),
    ("IREC", "4294967296", "5000", "1", "送信元のアドレスが正しくありません。"),
    ("VREC", LOOPBACK_NUMBER, "0", "1", "送信元のポート番号が正しくありません。"),
    ("IREC", LOOPBACK_NUMBER, "5000", "9223372036854775808", "ファイルサイズが正しくありません。"),
]


@scenario
def dcc_hostile_offers(run):
    """A TvDcc receiver started with VREC and IREC command lines against a DCC peer
    played by this process: hostile names land as plain names in the folder, lying,
    stalling and resetting senders end as the window says, refused offers connect
    nowhere, and an existing file is replaced only after the box."""
    pc = run.pc("pc1", programs=(TVDCC,), talvora=False)
    write_tvdcc_ini(pc, chkClose=0)
    folder = pc.program_dir
    before = set(os.listdir(folder))

    # Offers that cannot be received are refused before anything connects.
    started = time.monotonic()
    refused = [(launch_tvdcc(pc, [mode, "1", PEER, "a.txt", address, port, size]), status)
               for mode, address, port, size, status in REFUSED]
    for pid, status in refused:
        wait_dcc_window(pc, pid)
        wait_until("refusal %s" % status, lambda pid=pid: dcc_status(pc, pid) == status)
        if "enabled" in pc.call("states", spec=dcc({"role": "push button", "name": "受信"}, pid)):
            raise E2EError("受信 is usable after %s" % status)
        end_tvdcc(pc, pid)
    run.timing("refusals", started)

    started = time.monotonic()
    for mode, offered, size, behaviour, sent, left, status in HOSTILE:
        data = os.urandom(max(size, sent))
        peer = DccPeer(data, behaviour, sent)
        try:
            pid = launch_tvdcc(pc, [mode, "1", PEER, offered, LOOPBACK_NUMBER, str(peer.port),
                                    str(size)])
            wait_dcc_window(pc, pid)
            pc.call("press", spec=dcc({"role": "push button", "name": "受信"}, pid))
            wait_until("%s: %s" % (offered, status),
                       lambda pid=pid, status=status: dcc_status(pc, pid) == status)
            path = os.path.join(folder, left)
            wait_until("%s written" % left, lambda path=path: os.path.exists(path) and
                       os.path.getsize(path) == min(size, sent))
            with open(path, "rb") as f:
                if f.read() != data[:min(size, sent)]:
                    raise E2EError("%s holds other bytes" % left)
            if status.endswith("切断されました。"):
                incomplete = dcc_status(pc, pid, "未完了のファイル")
                if incomplete != "未完了のファイル: " + left:
                    raise E2EError("incomplete panel %r" % incomplete)
            if mode == "IREC" and behaviour == "exact":
                wait_until("last acknowledgement", lambda peer=peer: peer.last_ack() == size, 10)
            if mode == "VREC" and peer.acks:
                raise E2EError("a VREC receiver sent %d bytes back" % len(peer.acks))
            end_tvdcc(pc, pid)
        finally:
            peer.close()
    run.timing("hostile_offers", started)

    # An existing file: the box at start, and only then does 受信 replace it.
    keep = os.path.join(folder, "keep.txt")
    with open(keep, "wb") as f:
        f.write(b"original")
    peer = DccPeer(b"replaced", "exact", 8)
    try:
        pid = launch_tvdcc(pc, ["VREC", "1", PEER, "keep.txt", LOOPBACK_NUMBER, str(peer.port),
                                "8"])
        wait_until("overwrite box", lambda: "Talvora DCC System" in
                   [w["title"] for w in dcc_windows(pc, pid)])
        with open(keep, "rb") as f:
            if f.read() != b"original":
                raise E2EError("the file changed before anyone agreed")
        pc.call("press", spec=dcc({"role": "push button", "name": "OK"}, pid))
        pc.call("press", spec=dcc({"role": "push button", "name": "受信"}, pid))
        wait_until("replaced", lambda: dcc_status(pc, pid) == DONE)
        with open(keep, "rb") as f:
            if f.read() != b"replaced":
                raise E2EError("keep.txt was not replaced after the box")
        end_tvdcc(pc, pid)
    finally:
        peer.close()

    # A command line of six words: the error box, then the program ends.
    pid = launch_tvdcc(pc, ["VREC", "1", PEER, "a", "1", "2"])
    wait_until("error box", lambda: [w["title"] for w in dcc_windows(pc, pid)] ==
               ["Talvora DCC System"])
    pc.call("press", spec=dcc({"role": "push button", "name": "OK"}, pid))
    wait_until("bad command ends", lambda: not pc.call("process", pid=pid)["running"])

    # Nothing landed outside the folder; inside it only what the table says.
    expected = {row[5] for row in HOSTILE} | {"keep.txt"}
    new = set(os.listdir(folder)) - before
    if new != expected:
        raise E2EError("the folder holds %r, not %r" % (sorted(new), sorted(expected)))
    for top, _, files in os.walk(run.workroot):
        if top.startswith(folder):
            continue
        stray = [f for f in files if f in ("x", "passwd", "bashrc", "rf")]
        if stray:
            raise E2EError("files outside the folder: %s in %s" % (stray, top))
