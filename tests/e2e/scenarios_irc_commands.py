"""End-to-end scenarios of the IRC pane's commands: two Talvora PCs in one channel of
a real ngircd, one recruiting voice partners, the other joining through the announcement;
private lines, operator rights and leaving."""

import os
import time

from pc import E2EError, wait_until
from scenarios import DIALOG_JOIN, INPUT_LINE, NICK_FIELD, ADDRESS_FIELD, VOICE_TAB, \
    enter_text, fill_combo_text, list_names, scenario, start_voice, tab_state, \
    wait_main_window, wait_selected_tab, walk_audio_setup
from scenarios_irc import IRC_LOG, IRC_USERS, SERVER_NAME, Ngircd, connect_through_dialog, \
    irc_log, pane_tabs, user_entries, write_cp932

CHANNEL_MENU = "チャンネルメニュー"
USER_MENU = "ユーザメニュー"
RECRUIT = "このチャンネルで音声チャット参加者を募集する"
VOICE_JOIN = "この人の音声チャットホストに参加する"
OPERATOR_PLUS = "この人にこのチャンネルの管理権限を授与する(+o)"
ANNOUNCEMENT = "音声参加者募集 Talvora3.0.3. IP Address=127.0.0.1"


def irc_rows(pc):
    """The pane's user list: [entry, announced address] per row."""
    return [row + [""] * (2 - len(row)) for row in pc.rows(IRC_USERS)]


def irc_row(pc, entry):
    rows = irc_rows(pc)
    for index, row in enumerate(rows):
        if row[0] == entry:
            return index, row
    raise E2EError("%s: no row %s in %r" % (pc.name, entry, rows))


def user_menu(pc, entry, choice):
    """Selects the entry's row, then picks a user-menu entry with a right click on it."""
    index, _ = irc_row(pc, entry)
    pc.call("click_cell", spec={"name": IRC_USERS}, row=index, kind="b1c")
    pc.call("click_cell", spec={"name": IRC_USERS}, row=index, kind="b3c")
    pc.call("menu_pick", entry=choice, menu=USER_MENU)


def join_irc(pc, nick, port):
    write_cp932(os.path.join(pc.program_dir, "SVList.txt"),
                [":表示名,ホスト,ポート,ポート数", "%s,127.0.0.1,%d,1" % (SERVER_NAME, port)])
    connect_through_dialog(pc, nick)
    wait_selected_tab(pc, SERVER_NAME, 30)
    wait_until("%s channel tab" % pc.name, lambda: pane_tabs(pc)["tabs"] == ["#Talvora"])


@scenario
def irc_recruit_voice(run):
    """PC1 hosts voice and recruits in #Talvora; PC2 sees the announcement mark PC1's
    row, joins PC1's voice session from the user menu, whispers to PC1 with Ctrl+Enter;
    PC1 makes PC2 an operator and leaves with PART on its only channel, which quits."""
    server = Ngircd(run.workroot)
    try:
        pc1 = run.pc("pc1", programs=("TvIRC",))
        pc2 = run.pc("pc2", programs=("TvIRC",))
        wait_main_window(pc1)
        wait_main_window(pc2)
        start_voice(pc1, True, "ほすと")
        join_irc(pc1, "hostPC", server.port)
        join_irc(pc2, "joinPC", server.port)
        for pc in (pc1, pc2):
            wait_until("%s lists both" % pc.name,
                       lambda pc=pc: user_entries(pc) == ["@hostPC", "joinPC"])

        # Recruiting: 127.0.0.1 is no private address, so it is announced at once.
        started = time.monotonic()
        pc1.call("click", spec={"role": "text", "name": IRC_LOG}, kind="b3c")
        pc1.call("menu_pick", entry=RECRUIT, menu=CHANNEL_MENU)
        wait_until("announcement at PC2", lambda: "<hostPC> " + ANNOUNCEMENT in irc_log(pc2))
        wait_until("PC1's row marked", lambda: irc_row(pc2, "@hostPC")[1][1] == "127.0.0.1")
        run.timing("announce_to_mark", started)
        if ">hostPC< " + ANNOUNCEMENT not in irc_log(pc1):
            raise E2EError("PC1 does not show its own announcement")

        # Joining from the user menu: the voice dialog comes with the address filled in.
        started = time.monotonic()
        user_menu(pc2, "@hostPC", VOICE_JOIN)
        wait_until("join dialog", lambda: pc2.exists(pc2.button(DIALOG_JOIN)))
        address = wait_until("address filled in", lambda: next(
            (pc2.try_call("text", spec=spec) for spec in (
                {"role": "text", "name": ADDRESS_FIELD},
                {"role": "combo box", "name": ADDRESS_FIELD})
             if pc2.exists(spec)), None))
        if address != "127.0.0.1":
            raise E2EError("the join dialog holds %r" % address)
        fill_combo_text(pc2, NICK_FIELD, "さんか")
        pc2.press(DIALOG_JOIN)

        def joined():
            if VOICE_TAB in tab_state(pc2)["tabs"]:
                return True
            walk_audio_setup(pc2)
            return False

        wait_until("PC2 voice tab", joined, 60)
        for pc in (pc1, pc2):
            pc.select_tab(VOICE_TAB)
            wait_until("%s voice members" % pc.name,
                       lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "さんか"])
        run.timing("menu_to_voice_session", started)

        # A private line with Ctrl+Enter opens a tab named after PC2 on PC1.
        pc2.select_tab(SERVER_NAME)
        index, _ = irc_row(pc2, "@hostPC")
        pc2.call("click_cell", spec={"name": IRC_USERS}, row=index, kind="b1c")
        enter_text(pc2, INPUT_LINE, "ないしょ話です", hold=["Control"])
        pc1.select_tab(SERVER_NAME)
        wait_until("PC1 private tab", lambda: "joinPC" in pane_tabs(pc1)["tabs"])
        wait_until("PC1 private line", lambda: "<joinPC> ないしょ話です" in irc_log(pc1))
        # PC2's own private tab took the front; the channel comes back to it.
        pc2.call("press", spec={"role": "page tab", "name": "#Talvora"})

        # Operator rights from PC1's user menu on the channel.
        pc1.call("press", spec={"role": "page tab", "name": "#Talvora"})
        wait_until("channel shown", lambda: pane_tabs(pc1)["selected"] == "#Talvora")
        user_menu(pc1, "joinPC", OPERATOR_PLUS)
        for pc in (pc1, pc2):
            wait_until("%s shows the operator" % pc.name,
                       lambda pc=pc: user_entries(pc) == ["@hostPC", "@joinPC"])

        # PART on the only channel leaves IRC: QUIT with the default greeting.
        started = time.monotonic()
        pc1.press("退出(PART)")
        # ngircd passes the reason on in quotes.
        wait_until("leave line at PC2", lambda: any(
            "hostPCさんがIRCから去りました。(" in line and "さよなら～" in line
            for line in irc_log(pc2).splitlines()))
        wait_until("PC1 pane gone", lambda: SERVER_NAME not in tab_state(pc1)["tabs"], 30)
        run.timing("part_to_pane_gone", started)
        run.check_alive()
    finally:
        server.stop()
