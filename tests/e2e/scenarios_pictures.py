"""End-to-end: a formatted line and a picture between two real PCs in a voice session.
Registered with scenarios.py's decorator; scenarios.py imports this module."""

import os
import shutil
import sys
import time

# The scenarios module, whether it runs as the program or was imported.
base = sys.modules.get("scenarios") or sys.modules["__main__"]
from pc import E2EError, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
PHOTO = os.path.join(HERE, "data", "photo.jpg")
COMPOSER = "リッチメッセージ送信"
COMPOSER_TEXT = "書式付き発言の入力"
PICTURE_WINDOW = "画像ファイルの選択"
PICTURE_LIST = "画像ファイル"
OBJECT = "\ufffc"  # a picture in a text widget's contents


def set_picture_path(pc, folder):
    """Points the picture window at a folder, as a user who chose it before would."""
    ini = os.path.join(pc.program_dir, "Talvora.ini")
    text = ""
    if os.path.exists(ini):
        with open(ini, "rb") as f:
            text = f.read().decode("cp932")
    entry = "PicturePath=%s\r\n" % folder
    if "[VOICE]\r\n" in text:
        text = text.replace("[VOICE]\r\n", "[VOICE]\r\n" + entry, 1)
    else:
        text += "[VOICE]\r\n" + entry
    with open(ini, "wb") as f:
        f.write(text.encode("cp932"))


@base.scenario
def pictures(run):
    """The host composes a line with a bold bright-red word and sends it with Enter; the
    member shows it under the host's name with those attributes. The host then sends a
    JPEG from the picture window with Enter; the member stores it byte for byte as
    IMG/00000000.jpg and both chat logs hold the picture."""
    host, member = run.pc("pc1"), run.pc("pc2")
    base.wait_main_window(host)
    base.wait_main_window(member)
    base.start_voice(host, True, "ほすと")
    base.start_voice(member, False, "めんばー", "127.0.0.1")
    for pc in (host, member):
        wait_until("%s lists both" % pc.name,
                   lambda pc=pc: sorted(base.list_names(pc)) == ["@ほすと", "めんばー"])

    # The composed line.
    started = time.monotonic()
    host.press("書式付き発言")
    text = {"role": "text", "name": COMPOSER_TEXT}
    wait_until("composer", lambda: host.exists(text))
    line = "とても大事なお知らせ %d" % os.getpid()
    word = "大事"
    host.call("focus", spec=text)
    host.call("set_text", spec=text, text=line)
    host.call("select_text", spec=text, start=line.index(word),
              end=line.index(word) + len(word))
    host.press("太字", window=COMPOSER)
    host.call("choose", spec={"label": "文字色", "role": "combo box"}, entry="明るい赤")
    host.press("文字色変更", window=COMPOSER)
    host.call("focus", spec=text)
    host.call("key", key="Return")
    wait_until("rich line on the member", lambda: line in base.chat_log(member))
    run.timing("rich_line", started)
    shown = [row for row in base.chat_log(member).splitlines() if line in row]
    if len(shown) != 1 or not shown[0].endswith("<ほすと> " + line):
        raise E2EError("the rich line shows as %r" % shown)
    if host.call("text", spec=text):
        raise E2EError("the composer kept the sent text")
    log = {"role": "text", "name": base.CHAT_LOG}
    emphasised = member.call("text_style", spec=log, needle=word + "なお")
    plain = member.call("text_style", spec=log, needle="なお知らせ")
    weight = emphasised.get("weight") or emphasised.get("font-weight")
    if emphasised.get("fg-color") != "255,0,0" or weight not in ("700", "bold"):
        raise E2EError("the emphasised word reads %r" % emphasised)
    if plain.get("fg-color") == "255,0,0":
        raise E2EError("the colour ran past the word: %r" % plain)

    # The picture, chosen in the picture window and sent with Enter.
    folder = os.path.join(host.root, "pictures")
    os.makedirs(folder)
    shutil.copy(PHOTO, os.path.join(folder, "photo.jpg"))
    set_picture_path(host, folder)
    started = time.monotonic()
    host.press("画像送信")
    wait_until("picture window", lambda: host.exists({"role": "list item", "name": "photo.jpg"}))
    # A click on the file shows its size and puts the keyboard in the list.
    host.call("click", spec={"role": "list item", "name": "photo.jpg"})
    size = host.call("inspect", spec={"role": "label", "name": "ファイルサイズ"})["description"]
    if not size.startswith("{:,}Bytes( = ".format(os.path.getsize(PHOTO))):
        raise E2EError("the size label reads %r" % size)
    host.call("key", key="Return")
    stored = os.path.join(member.program_dir, "IMG", "00000000.jpg")
    wait_until("picture stored on the member", lambda: os.path.exists(stored), 30)
    for pc in (member, host):
        wait_until("picture in %s's log" % pc.name, lambda pc=pc: OBJECT in base.chat_log(pc))
    run.timing("picture", started)
    with open(PHOTO, "rb") as a, open(stored, "rb") as b:
        if a.read() != b.read():
            raise E2EError("the stored picture differs from the one sent")
    for pc in (host, member):
        if "表示できない画像" in base.chat_log(pc):
            raise E2EError("%s shows the placeholder line" % pc.name)
    if host.exists({"role": "list", "name": PICTURE_LIST}):
        raise E2EError("the picture window stayed open after the send")
    run.check_alive()
