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

sys.dont_write_bytecode = True  # no byte-code caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
# The scenario modules (scenarios_<topic>.py) import this one by name: run as a script,
# it is the same module, so they register in the same table.
sys.modules.setdefault("scenarios", sys.modules[__name__])
from pc import PC, E2EError, wait_until  # noqa: E402

MAIN_TITLE = "[Talvora]"
INFO_LOG = "システムログ"
CHAT_LOG = "音声チャットログ"
USER_LIST = "参加者リスト"
USER_COUNT = "参加人数"
INPUT_LINE = "発言入力"
TOPIC_LINE = "トピック"
VOICE_TAB = "音声"

SCENARIOS = {}
# Scenario modules import this one by name; run as a program it must be the same module.
sys.modules.setdefault("scenarios", sys.modules[__name__])


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

    def pc(self, name, audio_setup_done=True, talvora=True, **options):
        """A PC, started (without Talvora when talvora is false); options as PC takes them."""
        pc = PC(name, self.talvora, self.workroot, audio_setup_done=audio_setup_done, **options)
        self.pcs.append(pc)
        pc.start(talvora=talvora)
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


# ----- the voice connection dialog and the audio set-up wizard -----
DIALOG_HOST = "音声ホストになる"
DIALOG_JOIN = "音声に参加する"
NICK_FIELD = "ニックネーム"
ADDRESS_FIELD = "ホストのアドレス"
AUDIO_SETUP_TITLE = "音声の設定"
AUDIO_SETUP_NEXT = "次へ"
AUDIO_SETUP_FINISH = "完了"
AUDIO_SETUP_PAGES = 3


def walk_audio_setup(pc, app=None):
    """When the audio set-up wizard is up, walks it to its last page and presses "完了".
    Returns whether it was up."""
    where = {"window": AUDIO_SETUP_TITLE}
    if app:
        where["app"] = app
    finish = pc.button(AUDIO_SETUP_FINISH, **where)
    if not pc.exists(finish):
        return False

    def press(spec):
        # A button that a test on its page holds disabled offers no action; the caller
        # polls, so the walk goes on at its next call.
        try:
            pc.try_call("press", spec=spec)
        except E2EError as e:
            if "no action" not in str(e):
                raise

    for _ in range(AUDIO_SETUP_PAGES):
        states = pc.try_call("states", spec=finish)
        if states is None or "enabled" in states:
            break
        press(pc.button(AUDIO_SETUP_NEXT, **where))
    # The wizard may close between finding and pressing: then it was pressed before.
    press(finish)
    return True


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


def fill_voice_dialog(pc, host, nick, address=None):
    """Opens the host or join dialog and types the nickname (and the host's address)."""
    open_voice_dialog(pc, host)
    fill_combo_text(pc, NICK_FIELD, nick)
    if not host:
        fill_combo_text(pc, ADDRESS_FIELD, address)


def start_voice(pc, host, nick, address=None):
    """Runs the voice connection dialog to its end; the audio set-up wizard, when it
    comes, is walked through. Returns, once the voice tab is there and chosen, whether
    the wizard came."""
    fill_voice_dialog(pc, host, nick, address)
    # A failure is told by the lines this start logs; earlier attempts' lines may stand
    # just above them and must not be taken for its own.
    logged_before = len(info_messages(pc))
    pc.press(DIALOG_HOST if host else DIALOG_JOIN)
    setup_seen = []

    def settled():
        if VOICE_TAB in tab_state(pc)["tabs"]:
            return True
        if walk_audio_setup(pc):
            setup_seen.append(True)
        return False

    try:
        wait_until("%s voice tab" % pc.name, settled, 60)
    except E2EError as e:
        logged = info_messages(pc)[logged_before:][-12:]
        raise E2EError("%s; logged since the press:\n  %s" % (e, "\n  ".join(logged))) from None
    wait_selected_tab(pc, VOICE_TAB)
    return bool(setup_seen)


# ----- scenarios -----

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

    # The member's PC has never had its audio set up: the wizard comes once.
    started = time.monotonic()
    if not start_voice(member, False, "めんばー", "127.0.0.1"):
        raise E2EError("first voice connection without the audio set-up wizard")
    run.timing("join_to_voice_tab", started)
    if not member.audio_setup_recorded():
        raise E2EError("the audio set-up was confirmed but not recorded")
    for pc in (host, member):
        wait_until("%s lists both" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "めんばー"])

    line = "こんにちは e2e %d" % os.getpid()
    started = time.monotonic()
    say(member, line)
    wait_until("line on the host", lambda: line in chat_log(host))
    run.timing("chat_line", started)
    shown = [row for row in chat_log(host).splitlines() if line in row]
    if len(shown) != 1 or not shown[0].endswith("<めんばー> " + line):
        raise E2EError("the line shows as %r" % shown)
    wait_until("own line on the member", lambda: line in chat_log(member))

    started = time.monotonic()
    member.press("退出")
    wait_until("member's voice tab gone", lambda: VOICE_TAB not in tab_state(member)["tabs"])
    wait_until("member's row gone on the host", lambda: list_names(host) == ["@ほすと"])
    run.timing("exit_to_row_gone", started)
    wait_until("member's host button back",
               lambda: "enabled" in member.call("states", spec=member.button("ホスト")))
    saved = open_saved_voice_log(member)
    if not any(row.endswith("めんばー< " + line) for row in saved.splitlines()):
        raise E2EError("the saved log lacks the member's line: %r" % saved[-300:])
    member.select_tab("INFO")

    # The same program joins again; the dialog offers the name and address used before.
    open_voice_dialog(member, False)
    remembered = [member.call("text", spec={"role": "text", "name": field})
                  for field in (NICK_FIELD, ADDRESS_FIELD)]
    if remembered != ["めんばー", "127.0.0.1"]:
        raise E2EError("the dialog offers %r" % remembered)
    started = time.monotonic()
    member.press(DIALOG_JOIN)
    wait_until("member back in", lambda: VOICE_TAB in tab_state(member)["tabs"])
    for pc in (host, member):
        wait_until("%s lists both again" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "めんばー"])
    run.timing("rejoin", started)
    run.check_alive()


@scenario
def three_pcs(run):
    """Host and two members: the member limit refuses a third member and lets it in once
    removed; a member's colour and team reach the others; the host looks up a member's
    address and removes a member, whose own session then ends."""
    host, second, third = run.pc("pc1"), run.pc("pc2"), run.pc("pc3")
    for pc in (host, second, third):
        wait_main_window(pc)
    start_voice(host, True, "ほすと")
    start_voice(second, False, "にばん", "127.0.0.1")
    wait_until("two on the host", lambda: len(list_names(host)) == 2)

    # A limit below the members in is refused; a limit of two with two members in turns
    # the third away, and the third says why.
    set_limit(host, "1")
    wait_until("limit refused", lambda: "現在の人数より少ない人数制限にすることはできません。"
               in chat_log(host))
    started = time.monotonic()
    set_limit(host, "2")
    wait_until("limit line", lambda: "人数制限を2人にしました。" in chat_log(host))
    for pc in (host, second):
        wait_until("%s count label" % pc.name, lambda pc=pc: user_count(pc) == "2人参加／2人制限")
    run.timing("limit_set", started)

    started = time.monotonic()
    fill_voice_dialog(third, False, "さんばん", "127.0.0.1")
    third.press(DIALOG_JOIN)
    refused = wait_until("refusal on the third PC",
                         lambda: "参加に失敗しました。" in info_messages(third)
                         and info_messages(third), 30)
    if not any("満員" in line for line in refused):
        raise E2EError("refused without saying the session is full: %r" % refused[-6:])
    wait_until("third PC idle again",
               lambda: "enabled" in third.call("states", spec=third.button("参加")))
    run.timing("full_session_refusal", started)
    if VOICE_TAB in tab_state(third)["tabs"] or len(list_names(host)) != 2:
        raise E2EError("a refused member got in")

    host_menu(host, {"role": "label", "name": USER_COUNT}, "b1c", "人数制限を解除する")
    wait_until("limit removed", lambda: "人数制限を無制限にしました。" in chat_log(host))
    wait_until("no limit on the member", lambda: user_count(second) == "2人参加／人数制限無し")

    # A topic set before the third joins reaches the member in and, on joining, the third.
    topic = "きょうの話題 %d" % os.getpid()
    enter_text(host, TOPIC_LINE, topic)
    wait_until("topic on the second PC", lambda: second.text(TOPIC_LINE) == topic)
    start_voice(third, False, "さんばん", "127.0.0.1")
    everyone = ["@ほすと", "さんばん", "にばん"]
    for pc in (host, second, third):
        wait_until("%s lists three" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == everyone)
    wait_until("topic on the newcomer", lambda: third.text(TOPIC_LINE) == topic)

    # Colour and team of the second PC. Tree rows carry no colour on the accessibility
    # bus, so the colour is read where it is: in the chat line's text attributes.
    started = time.monotonic()
    second.call("choose", spec={"label": "通常発言"}, entry="明るい赤")
    second.call("choose", spec={"label": "所属音声チーム"}, entry="２")
    line = "あか %d" % os.getpid()
    say(second, line)
    for pc in (host, third):
        wait_until("%s shows team 2 for the second PC" % pc.name,
                   lambda pc=pc: row_of(pc, "にばん")[2] == "２")
        wait_until("line on %s" % pc.name, lambda pc=pc: line in chat_log(pc))
        style = pc.call("text_style", spec={"role": "text", "name": CHAT_LOG}, needle=line)
        if style.get("fg-color") != "255,0,0":
            raise E2EError("%s shows the red line as %r" % (pc.name, style))
    run.timing("colour_and_team", started)
    if row_of(host, "さんばん")[2] != "－" or row_of(host, "@ほすと")[2] != "－":
        raise E2EError("team shown for the wrong member: %r" % host.rows(USER_LIST))

    # A whisper: the second PC selects the host's row and sends with Ctrl+Enter; only the
    # host sees it, under the sender's name.
    started = time.monotonic()
    secret = "ないしょ %d" % os.getpid()
    second.call("click_cell", spec={"name": USER_LIST}, row=row_index(second, "@ほすと"))
    enter_text(second, INPUT_LINE, secret, hold=("Control",))
    wait_until("whisper on the host",
               lambda: "<にばんさんから密談>" + secret in chat_log(host))
    wait_until("whisper noted on the sender",
               lambda: ">ほすとさんへの密談<" + secret in chat_log(second))
    run.timing("whisper", started)
    say(third, "あとから %d" % os.getpid())
    wait_until("later line on the second PC", lambda: "あとから" in chat_log(second))
    if secret in chat_log(third):
        raise E2EError("the third PC saw a whisper meant for the host")

    # Address look-up: a double click on the member's row.
    started = time.monotonic()
    host.call("click_cell", spec={"name": USER_LIST}, row=row_index(host, "にばん"), kind="b1d")
    wait_until("address lines", lambda: "にばんさんの身元調査完了" in chat_log(host))
    lookup = chat_log(host).splitlines()
    if not any(l.endswith("   <Address> 127.0.0.1") for l in lookup) or \
            not any("   <Port   > " in l for l in lookup):
        raise E2EError("look-up lines: %r" % lookup[-5:])
    run.timing("address_lookup", started)

    # Removal: select the row, right click, menu entry.
    started = time.monotonic()
    row = row_index(host, "さんばん")
    host.call("click_cell", spec={"name": USER_LIST}, row=row)
    host_menu(host, None, None, "この人を追放する", row=row)
    wait_until("third PC's voice tab gone", lambda: VOICE_TAB not in tab_state(third)["tabs"])
    wait_until("third PC can host again",
               lambda: "enabled" in third.call("states", spec=third.button("ホスト")))
    if "ホストによって音声チャットから外されました。" not in info_messages(third):
        raise E2EError("the removed member was not told why its session ended")
    for pc in (host, second):
        wait_until("%s drops the removed member" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "にばん"])
    run.timing("kick_to_session_end", started)

    # The removed member's log was saved with the colours it showed.
    if line not in open_saved_voice_log(third):
        raise E2EError("the removed member's saved log lacks the red line")
    style = third.call("text_style", spec={"role": "text", "name": OLD_LOG_VIEW}, needle=line)
    if style.get("fg-color") != "255,0,0":
        raise E2EError("the saved red line reads back as %r" % style)

    # The host leaves: the session goes on with the remaining member as its host.
    started = time.monotonic()
    host.press("退出")
    wait_until("second PC hosts", lambda: list_names(second) == ["@にばん"])
    run.timing("host_leaves_to_new_host", started)
    run.check_alive()


@scenario
def simultaneous_joins(run):
    """Two members press join at the same moment and leave at the same moment: every
    list ends up with all three, then with the host alone."""
    host, second, third = run.pc("pc1"), run.pc("pc2"), run.pc("pc3")
    for pc in (host, second, third):
        wait_main_window(pc)
    start_voice(host, True, "ほすと")
    for pc, nick in ((second, "にばん"), (third, "さんばん")):
        fill_voice_dialog(pc, False, nick, "127.0.0.1")
    started = time.monotonic()
    second.press(DIALOG_JOIN)
    third.press(DIALOG_JOIN)
    everyone = ["@ほすと", "さんばん", "にばん"]
    for pc in (host, second, third):
        wait_until("%s lists three" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == everyone, 30)
    run.timing("two_joins_to_full_lists", started)

    started = time.monotonic()
    second.press("退出")
    third.press("退出")
    wait_until("host alone", lambda: list_names(host) == ["@ほすと"])
    for pc in (second, third):
        wait_until("%s out" % pc.name, lambda pc=pc: VOICE_TAB not in tab_state(pc)["tabs"])
    run.timing("two_exits_to_host_alone", started)
    run.check_alive()


OLD_LOG_VIEW = "過去ログ表示"


def open_saved_voice_log(pc):
    """Opens the newest saved voice chat log on the old-log tab; returns its text."""
    pc.select_tab("過去ログ")
    files = wait_until("%s saved voice logs" % pc.name, lambda: sorted(
        item["name"] for item in pc.call("find", spec={"role": "list item"})
        if item["name"].startswith("VOICE_")))
    pc.call("click", spec={"role": "list item", "name": files[-1]})
    return wait_until("%s old log shown" % pc.name,
                      lambda: pc.call("text", spec={"role": "text", "name": OLD_LOG_VIEW}))


def user_count(pc):
    """The member-count label's text (its accessible description)."""
    return pc.call("inspect", spec={"role": "label", "name": USER_COUNT})["description"]


def set_limit(host, text):
    host_menu(host, {"role": "label", "name": USER_COUNT}, "b1c", "人数を制限する")
    box = "人数制限設定"
    wait_until("limit box", lambda: host.exists({"name": "入力欄", "window": box}))
    host.call("set_text", spec={"name": "入力欄", "window": box}, text=text)
    host.press("OK", window=box)
    wait_until("limit box closed", lambda: not host.exists({"name": "入力欄", "window": box}))


LIMIT_MENU = "人数制限メニュー"
MEMBER_MENU = "参加者メニュー"


def host_menu(pc, spec, kind, entry, row=None):
    """Opens a popup menu with a click on a widget (or a right click on a list row) and
    chooses an entry."""
    if row is not None:
        pc.call("click_cell", spec={"name": USER_LIST}, row=row, kind="b3c")
        pc.call("menu_pick", entry=entry, menu=MEMBER_MENU)
    else:
        pc.call("click", spec=spec, kind=kind)
        pc.call("menu_pick", entry=entry, menu=LIMIT_MENU)


def row_index(pc, name):
    names = list_names(pc)
    if name not in names:
        raise E2EError("%s: no row %s in %r" % (pc.name, name, names))
    return names.index(name)


def row_of(pc, name):
    rows = pc.rows(USER_LIST)
    return next((r for r in rows if r[0] == name), ["", "", "", ""])


@scenario
def search_then_host(run):
    """A join with nobody hosting searches until it is stopped; the same PC then joins
    the session another PC hosts."""
    host, member = run.pc("pc1"), run.pc("pc2")
    wait_main_window(host)
    wait_main_window(member)
    fill_voice_dialog(member, False, "さがし", "127.0.0.1")
    member.press(DIALOG_JOIN)
    wait_until("search-cancel button", lambda: member.exists(member.button("中止")))
    if "ホスト検索開始" not in info_messages(member):
        raise E2EError("search running without saying so")
    for caption in ("ホスト", "参加"):
        states = member.call("states", spec=member.button(caption, any=True))
        if {"showing", "enabled"} <= set(states):
            raise E2EError("%s stays usable during the search" % caption)

    started = time.monotonic()
    member.press("中止")
    wait_until("search stopped", lambda: not member.exists(member.button("中止"))
               and "enabled" in member.call("states", spec=member.button("参加")))
    run.timing("search_stop", started)
    if VOICE_TAB in tab_state(member)["tabs"]:
        raise E2EError("a stopped search left a voice tab")

    start_voice(host, True, "ほすと")
    started = time.monotonic()
    start_voice(member, False, "さがし", "127.0.0.1")
    for pc in (host, member):
        wait_until("%s lists both" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "さがし"])
    run.timing("join_after_stopped_search", started)
    run.check_alive()


def enter_text(pc, name, text, hold=()):
    """Types a line into a text field and presses Enter (with the keys in hold down)."""
    spec = {"role": "text", "name": name}
    pc.call("focus", spec=spec)
    pc.call("set_text", spec=spec, text=text)
    pc.call("key", key="Return", hold=list(hold))


def say(pc, text):
    enter_text(pc, INPUT_LINE, text)


# Scenario modules of their own topics register with the same decorator.
import scenarios_soundtest  # noqa: E402,F401
import scenarios_pictures  # noqa: E402,F401  (registers its scenarios)
import scenarios_dcc  # noqa: E402,F401  (registers the file-transfer scenarios)
import scenarios_irc  # noqa: E402,F401
import scenarios_voice  # noqa: E402,F401
import scenarios_irc_dcc  # noqa: E402,F401  (a file offered on IRC)
import scenarios_irc_commands  # noqa: E402,F401


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
        started = time.monotonic()
        try:
            SCENARIOS[name](run)
            run.timing("scenario_total", started)
            ok = True
        except Exception:
            traceback.print_exc()
            label = "%s-%s" % (name, time.strftime("%H%M%S"))
            for pc in run.pcs:
                report_window_logs(pc)
                pc.save_evidence(args.artifacts, label)
            print("evidence in %s" % args.artifacts, file=sys.stderr)
        finally:
            run.close()
            for faulty in run.sanitizer_faults():
                print("sanitizer: " + faulty, file=sys.stderr)
                ok = False
            for pc in run.pcs:
                for group in pc.leftovers():
                    print("%s: the %s processes outlived the scenario" % (pc.name, group),
                          file=sys.stderr)
                    ok = False
            if not args.keep:
                shutil.rmtree(workroot, ignore_errors=True)
            reap()
        print("SCENARIO %s: %s" % (name, "passed" if ok else "failed"), flush=True)
        failed += 0 if ok else 1
    print("%d passed, %d failed" % (len(args.names) - failed, failed))
    return 1 if failed else 0


def report_window_logs(pc):
    """The last lines of the PC's information and chat logs, as its window shows them."""
    try:
        info = info_messages(pc)[-15:]
        chat = chat_log(pc).splitlines()[-10:]
    except Exception as e:  # a PC whose program has ended has no logs to show
        print("---- no window logs of %s: %s" % (pc.name, e), file=sys.stderr)
        return
    print("---- information log of %s (last %d) ----" % (pc.name, len(info)), file=sys.stderr)
    print("\n".join(info), file=sys.stderr)
    print("---- chat log of %s (last %d) ----" % (pc.name, len(chat)), file=sys.stderr)
    print("\n".join(chat), file=sys.stderr)


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
