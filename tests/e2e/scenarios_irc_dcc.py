"""End-to-end scenario of a file offered on IRC: a scripted IRC user on a real ngircd
offers a file by CTCP DCC SEND and serves it; the Talvora PC's pane starts TvDcc, which
receives it. It runs in a network namespace of its own (127.0.0.1 is this PC)."""

import os
import time

from pc import E2EError, wait_until
from scenarios import scenario, wait_main_window, wait_selected_tab
from scenarios_dcc import DONE, LOOPBACK_NUMBER, TVDCC, DccPeer, dcc, dcc_status, dcc_windows, \
    sha256, wait_dcc_window, write_tvdcc_ini
from scenarios_irc import SERVER_NAME, Client, Ngircd, connect_through_dialog, pane_tabs, \
    user_entries, write_cp932

OFFERED = "my file.bin"  # quoted on the wire, as clients send names with blanks
SAVED = "my_file.bin"


@scenario
def irc_dcc_receive(run):
    """A scripted IRC user offers "my file.bin" by CTCP DCC SEND with the name quoted;
    the pane starts a TvDcc receiver, which takes the whole file (same SHA-256, every
    byte acknowledged) and says 完了; the offer opens no conversation tab."""
    server = Ngircd(run.workroot)
    client = peer = None
    try:
        pc = run.pc("pc1", programs=("TvIRC", TVDCC))
        wait_main_window(pc)
        write_cp932(os.path.join(pc.program_dir, "SVList.txt"),
                    [":表示名,ホスト,ポート,ポート数", "%s,127.0.0.1,%d,1" % (SERVER_NAME, server.port)])
        write_tvdcc_ini(pc, chkClose=0)
        client = Client(server.port, "scripted")
        client.send("JOIN #Talvora")
        client.wait_for(" 366 ")
        connect_through_dialog(pc, "talvoraPC")
        wait_selected_tab(pc, SERVER_NAME, 30)
        wait_until("both listed", lambda: user_entries(pc) == ["@scripted", "talvoraPC"])

        data = os.urandom(700 * 1024 + 123)
        source = os.path.join(run.workroot, OFFERED)
        with open(source, "wb") as f:
            f.write(data)
        peer = DccPeer(data, "exact", len(data))
        started = time.monotonic()
        client.send('PRIVMSG talvoraPC :\x01DCC SEND "%s" %s %d %d\x01'
                    % (OFFERED, LOOPBACK_NUMBER, peer.port, len(data)))
        wait_dcc_window(pc)
        run.timing("offer_to_receiver_window", started)
        if dcc_status(pc):
            raise E2EError("the receiver starts with a status: %r" % dcc_status(pc))
        started = time.monotonic()
        pc.call("press", spec=dcc({"role": "push button", "name": "受信"}))
        wait_until("window 完了", lambda: [w["title"] for w in dcc_windows(pc)] == ["完了"], 60)
        run.timing("transfer", started)
        if dcc_status(pc) != DONE:
            raise E2EError("status %r" % dcc_status(pc))
        received = os.path.join(pc.program_dir, SAVED)
        if not os.path.exists(received) or sha256(received) != sha256(source):
            raise E2EError("the received file differs: %r" % os.listdir(pc.program_dir))
        wait_until("every byte acknowledged", lambda: peer.last_ack() == len(data), 10)
        if pane_tabs(pc)["tabs"] != ["#Talvora"]:
            raise E2EError("the offer changed the tabs: %r" % pane_tabs(pc)["tabs"])
        pc.call("press", spec=dcc({"role": "push button", "name": "中止"}))
        wait_until("TvDcc ended", lambda: not dcc_windows(pc))
        run.check_alive()
    finally:
        if peer is not None:
            peer.close()
        if client is not None:
            client.close()
        server.stop()
