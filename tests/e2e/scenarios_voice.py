"""End-to-end scenarios of what voice sounds like: PCs whose sound devices are WAV files
(pc.py), one speaking from a generated file, another keeping what its speakers play."""

import array
import math
import os
import random
import time

from pc import E2EError, wait_until
from scenarios import (USER_LIST, chat_log, list_names, scenario, start_voice,
                       wait_main_window)

SPEAKER_LEVEL = "スピーカ出力レベル"
TALKING, SILENT = "○", "－"
MIKE = "マイク"
MIKE_MENU = "マイクメニュー"
MIKE_VOLUME = "マイクボリューム"
AUTO_LEVEL = "マイクを自動調整する"
AUTO_LEVEL_DONE = "マイク入力の自動調整が終わりました。"
RATE = 48000


def speech(seconds, spans, seed=5):
    """Speech-like sound: harmonics on a wandering pitch under syllable envelopes, in
    phrases, peaks at -12 dBFS, during the (start, end) spans in seconds; silence
    elsewhere; 16-bit samples."""
    rnd = random.Random(seed)
    n = int(seconds * RATE)
    out = [0.0] * n
    pitch, phase = 140.0, 0.0
    for first, last in spans:
        t, stop = int(first * RATE), min(n, int(last * RATE))
        while t < stop:
            syllable = min(int(rnd.uniform(0.12, 0.28) * RATE), stop - t)
            for i in range(syllable):
                pitch = min(220.0, max(90.0, pitch + rnd.uniform(-0.6, 0.6)))
                phase += 2 * math.pi * pitch / RATE
                envelope = math.sin(math.pi * i / syllable) ** 2
                out[t + i] = envelope * sum(math.sin(k * phase) / k for k in range(1, 9))
            t += syllable + int(rnd.uniform(0.04, 0.15) * RATE)
    scale = 32767 * 10 ** (-12 / 20) / max(max(abs(x) for x in out), 1e-9)
    return [int(x * scale) for x in out]


def noise(seconds, dbfs):
    """Uniform white noise whose peaks reach `dbfs`; 16-bit samples."""
    peak = int(32767 * 10 ** (dbfs / 20))
    return [s * peak // 32768 for s in array.array("h", os.urandom(int(seconds * RATE) * 2))]


def played(path):
    """The samples of a voice-format WAV file, which may still be growing."""
    with open(path, "rb") as f:
        data = f.read()[44:]
    return array.array("h", data[:len(data) // 2 * 2])


def peak_dbfs(path, first=0):
    """The loudest sample of a voice-format WAV file from sample `first` on."""
    peak = max((abs(s) for s in played(path)[first:]), default=0)
    return 20 * math.log10(peak / 32768) if peak else -120.0


def talking_mark(pc, name):
    """The voice column of the member's row ("" while there is no such row)."""
    for row in pc.rows(USER_LIST):
        if row and row[0].lstrip("@") == name and len(row) > 1:
            return row[1]
    return ""


# The microphone's mute button: a checkable button, a check box on the bus.
MUTE_BUTTON = {"role": "check box", "name": MIKE}


@scenario
def voice_audio(run):
    """A member speaks from its capture file: its own row and the host's row for it show
    it talking, silent in a pause, talking again; the host's speaker meter moves and its
    playback file holds the speech. The member then mutes its microphone mid-phrase: both
    rows show it silent and the host hears nothing more. Meanwhile the host, whose
    microphone hears -20 dBFS noise, runs the microphone auto-level, which settles where
    that noise reads just below threshold 1 (-40 dBFS)."""
    # The file starts with the member's devices, before it is in the session: silence
    # first, a phrase, a pause longer than the hold, then a long phrase.
    host = run.pc("pc1", microphone=noise(90.0, -20), keep_speaker=True)
    member = run.pc("pc2", microphone=speech(20.0, [(4.0, 7.0), (8.5, 20.0)]))
    heard = host.speaker
    wait_main_window(host)
    wait_main_window(member)
    start_voice(host, True, "ほすと")
    # The auto-level runs while the member joins and speaks; it only reads the host's
    # own row.
    host.call("click", spec=MUTE_BUTTON, kind="b3c")
    host.call("menu_pick", entry=AUTO_LEVEL, menu=MIKE_MENU)
    started = time.monotonic()
    start_voice(member, False, "めんばー", "127.0.0.1")
    for pc in (host, member):
        wait_until("%s lists both" % pc.name,
                   lambda pc=pc: sorted(list_names(pc)) == ["@ほすと", "めんばー"])

    levels = []

    def marks(mark):
        levels.append(host.call("inspect", spec={"name": SPEAKER_LEVEL})["value"])
        return all(talking_mark(pc, "めんばー") == mark for pc in (member, host))

    wait_until("the member shown talking", lambda: marks(TALKING), 30, interval=0.05)
    run.timing("join_to_talking_mark", started)
    wait_until("the member shown silent in the pause", lambda: marks(SILENT), 30, interval=0.05)
    # What the host's speakers played is kept as it is played.
    wait_until("the speech in the host's playback file", lambda: peak_dbfs(heard) > -20, 10)
    wait_until("the member shown talking again", lambda: marks(TALKING), 30, interval=0.05)
    # Under load the polls may all have missed the short first phrase: the second is
    # long enough for the meter to be seen moving.
    if max(levels) <= 0:
        try:
            wait_until("the host's speaker meter moving",
                       lambda: host.call("inspect", spec={"name": SPEAKER_LEVEL})["value"] > 0,
                       8, interval=0.05)
        except E2EError:
            raise E2EError("the host's speaker meter never moved: %r" % levels[-20:]) from None

    member.call("press", spec=MUTE_BUTTON)
    wait_until("the muted member shown silent", lambda: marks(SILENT), 5, interval=0.05)
    # Frames already on their way still play; after that the phrase goes on unheard.
    muted_at = len(played(heard)) + RATE // 2
    wait_until("the host's playback file grown past the mute",
               lambda: len(played(heard)) > muted_at + 2 * RATE, 10)
    if peak_dbfs(heard, muted_at) > -60:
        raise E2EError("the host still hears the muted member: %.1f dBFS"
                       % peak_dbfs(heard, muted_at))

    wait_until("the auto-level's closing lines",
               lambda: AUTO_LEVEL_DONE in chat_log(host), 60, interval=0.5)
    volume = host.call("inspect", spec={"name": MIKE_VOLUME})["value"]
    if not -2100 <= volume <= -1950:
        raise E2EError("the auto-level left the microphone volume at %s" % volume)
    run.check_alive()
