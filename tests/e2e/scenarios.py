#!/usr/bin/python3
"""End-to-end scenarios: real Talvora processes, each on a PC of its own (pc.py),
driven through their windows on the accessibility bus.

  scenarios.py --talvora PATH [--artifacts DIR] [--keep] NAME...

Each scenario prints one line per timing it measures ("name_ms: N") and ends with
"SCENARIO NAME: passed" or "failed". On a failure every PC's screen, accessibility tree
and logs are saved under the artifacts folder and the logs' tails are printed.
"""

import argparse
import ctypes
import os
import shutil
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pc import PC, E2EError, wait_until  # noqa: E402

MAIN_TITLE = "[Talvora]"
INFO_LOG = "システムログ"
CHAT_LOG = "音声チャットログ"
USER_LIST = "参加者リスト"
USER_COUNT = "参加人数"
INPUT_LINE = "発言入力"
VOICE_TAB = "音声"

SCENARIOS = {}


def scenario(fn):
    SCENARIOS[fn.__name__] = fn
    return fn


class Run:
    """The PCs of one scenario, its timings, and its cleanup."""

    def __init__(self, talvora, workroot):
        self.talvora = talvora
        self.workroot = workroot
        self.pcs = []
        self.timings = []

    def pc(self, name, audio_setup_done=True):
        pc = PC(name, self.talvora, self.workroot, audio_setup_done=audio_setup_done)
        self.pcs.append(pc)
        pc.start()
        return pc

    def timing(self, name, started):
        ms = int((time.monotonic() - started) * 1000)
        self.timings.append((name, ms))
        print("%s_ms: %d" % (name, ms), flush=True)

    def check_alive(self):
        for pc in self.pcs:
            state = pc.call("alive")
            if not state["running"]:
                raise E2EError("%s: Talvora ended (code %s)" % (pc.name, state["code"]))

    def sanitizer_faults(self):
        return ["%s: %s" % (pc.name, line) for pc in self.pcs for line in pc.sanitizer_reports()]

    def close(self):
        for pc in self.pcs:
            pc.stop()


# ----- steps the scenarios share -----

def wait_main_window(pc):
    wait_until("%s main window" % pc.name,
               lambda: pc.call("find", spec={"name": MAIN_TITLE, "role": "filler"}))


def tab_state(pc):
    return pc.call("tabs")


def wait_selected_tab(pc, caption, timeout=20):
    wait_until("%s tab %s selected" % (pc.name, caption),
               lambda: tab_state(pc)["selected"] == caption, timeout)


def list_names(pc):
    """The NickName column of the participant list."""
    return [row[0] for row in pc.rows(USER_LIST)]


def info_messages(pc):
    return [row[3] for row in pc.rows(INFO_LOG, any=True) if len(row) > 3]


def chat_log(pc):
    return pc.call("text", spec={"role": "text", "name": CHAT_LOG, "any": True})


# ----- the voice connection dialog -----
DIALOG_HOST = "音声ホストになる"
DIALOG_JOIN = "音声に参加する"
AUDIO_SETUP_OK = "OK"


def open_voice_dialog(pc, host):
    pc.press("ホスト" if host else "参加")
    button = DIALOG_HOST if host else DIALOG_JOIN
    wait_until("%s voice dialog" % pc.name, lambda: pc.exists(pc.button(button)))


def fill_combo_text(pc, name, text):
    """An editable combo's text, through the line edit inside it."""
    for spec in ({"role": "text", "name": name}, {"role": "combo box", "name": name}):
        if pc.exists(spec):
            return pc.call("set_text", spec=spec, text=text)
    raise E2EError("%s: no text field %s" % (pc.name, name))


def start_voice(pc, host, nick, address=None):
    """Runs the voice connection dialog to its end; the audio set-up box, when it comes,
    is confirmed. Returns, once the voice tab is there and chosen, whether the audio
    set-up box came."""
    open_voice_dialog(pc, host)
    fill_combo_text(pc, NICK_FIELD, nick)
    if not host:
        fill_combo_text(pc, ADDRESS_FIELD, address)
    pc.press(DIALOG_HOST if host else DIALOG_JOIN)
    setup_seen = []

    def settled():
        if VOICE_TAB in tab_state(pc)["tabs"]:
            return True
        if pc.exists(pc.button(AUDIO_SETUP_OK, window=AUDIO_SETUP_TITLE)):
            setup_seen.append(True)
            pc.press(AUDIO_SETUP_OK, window=AUDIO_SETUP_TITLE)
        return False

    wait_until("%s voice tab" % pc.name, settled, 60)
    wait_selected_tab(pc, VOICE_TAB)
    return bool(setup_seen)


# Accessible names in the voice connection dialog.
NICK_FIELD = "ニックネーム"
ADDRESS_FIELD = "ホストのアドレス"
AUDIO_SETUP_TITLE = "音声の設定"


# ----- scenarios -----

@scenario
def startup(run):
    """One PC: the main window comes up on the INFO tab with its log and the frame
    buttons; the old-log tab replaces the INFO pane and gives way to it again."""
    started = time.monotonic()
    pc = run.pc("pc1")
    wait_main_window(pc)
    run.timing("start_to_main_window", started)

    state = tab_state(pc)
    if state["tabs"] != ["INFO", "過去ログ"] or state["selected"] != "INFO":
        raise E2EError("tabs at start: %r" % state)
    for caption in ("ホスト", "参加", "テスト"):
        states = pc.call("states", spec=pc.button(caption))
        if "enabled" not in states:
            raise E2EError("frame button %s not enabled: %s" % (caption, states))
    if pc.exists(pc.button("中止")):
        raise E2EError("the search-cancel button shows without a search")
    headers = [h["name"] for h in pc.call("find", spec={"role": "table column header"})]
    if headers[:4] != ["時刻", "機能", "種別", "メッセージ"]:
        raise E2EError("INFO log columns: %r" % headers)
    pc.rows(INFO_LOG)  # readable, whatever it holds

    started = time.monotonic()
    pc.select_tab("過去ログ")
    wait_selected_tab(pc, "過去ログ")
    wait_until("old-log pane", lambda: pc.exists({"name": "過去ログファイル一覧"}))
    if pc.exists({"name": INFO_LOG}):
        raise E2EError("the INFO log still shows over the old-log tab")
    pc.select_tab("INFO")
    wait_until("INFO pane back", lambda: pc.exists({"name": INFO_LOG}))
    if pc.exists({"name": "過去ログファイル一覧"}) or pc.exists({"name": INPUT_LINE}):
        raise E2EError("old-log pane or input line left over on the INFO tab")
    run.timing("tab_round_trip", started)
    run.check_alive()


@scenario
def voice_pair(run):
    """Two PCs: one hosts, the other joins by address; both lists show both members,
    a chat line travels, and the member's exit takes its row off the host's list."""
    host, member = run.pc("pc1"), run.pc("pc2", audio_setup_done=False)
    wait_main_window(host)
    wait_main_window(member)

    started = time.monotonic()
    if start_voice(host, True, "ほすと"):
        raise E2EError("audio set-up asked again on a PC where it was done")
    run.timing("host_to_voice_tab", started)
    wait_until("host's own row", lambda: list_names(host) == ["@ほすと"])

    # The member's PC has never had its audio set up: the box comes once.
    started = time.monotonic()
    if not start_voice(member, False, "めんばー", "127.0.0.1"):
        raise E2EError("first voice connection without the audio set-up box")
    run.timing("join_to_voice_tab", started)
    for pc in (host, member):
        wait_until("%s lists both" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "めんばー"])

    line = "こんにちは e2e %d" % os.getpid()
    started = time.monotonic()
    say(member, line)
    wait_until("line on the host", lambda: line in chat_log(host))
    run.timing("chat_line", started)
    shown = [row for row in chat_log(host).splitlines() if line in row]
    if not any("めんばー" in row for row in shown):
        raise E2EError("the line shows without its sender: %r" % shown)
    wait_until("own line on the member", lambda: line in chat_log(member))

    started = time.monotonic()
    member.press("退出")
    wait_until("member's voice tab gone", lambda: VOICE_TAB not in tab_state(member)["tabs"])
    wait_until("member's row gone on the host", lambda: list_names(host) == ["@ほすと"])
    run.timing("exit_to_row_gone", started)
    wait_until("member's host button back",
               lambda: "enabled" in member.call("states", spec=member.button("ホスト")))
    run.check_alive()


def say(pc, text):
    spec = {"role": "text", "name": INPUT_LINE}
    pc.call("set_text", spec=spec, text=text)
    pc.call("focus", spec=spec)
    pc.call("key", key="Return")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--talvora", required=True)
    parser.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(),
                                                            "talvora-e2e-artifacts"))
    parser.add_argument("--keep", action="store_true", help="keep the PCs' folders")
    parser.add_argument("names", nargs="+", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    talvora = os.path.abspath(args.talvora)
    if not os.access(talvora, os.X_OK):
        print("no Talvora program at %s" % talvora, file=sys.stderr)
        return 2
    # Orphans of the PCs' process groups come back to this process and are reaped here.
    ctypes.CDLL("libc.so.6").prctl(36, 1)  # PR_SET_CHILD_SUBREAPER

    failed = 0
    for name in args.names:
        workroot = tempfile.mkdtemp(prefix="tv-e2e-%s-" % name)
        run = Run(talvora, workroot)
        print("SCENARIO %s" % name, flush=True)
        ok = False
        try:
            SCENARIOS[name](run)
            ok = True
        except Exception:
            traceback.print_exc()
            label = "%s-%s" % (name, time.strftime("%H%M%S"))
            for pc in run.pcs:
                pc.save_evidence(args.artifacts, label)
            print("evidence in %s" % args.artifacts, file=sys.stderr)
        finally:
            run.close()
            for faulty in run.sanitizer_faults():
                print("sanitizer: " + faulty, file=sys.stderr)
                ok = False
            if not args.keep:
                shutil.rmtree(workroot, ignore_errors=True)
            reap()
        print("SCENARIO %s: %s" % (name, "passed" if ok else "failed"), flush=True)
        failed += 0 if ok else 1
    print("%d passed, %d failed" % (len(args.names) - failed, failed))
    return 1 if failed else 0


def reap(timeout=5.0):
    """Collects the PCs' processes that ended after their parents."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            time.sleep(0.05)


if __name__ == "__main__":
    sys.exit(main())
