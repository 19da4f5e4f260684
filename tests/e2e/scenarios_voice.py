"""End-to-end scenarios of what voice sounds like: PCs whose sound devices are WAV files
(pc.py), one speaking from a generated file, another keeping what its speakers play."""

import math
import os
import random
import struct
import time
import wave

from pc import E2EError, wait_until
from scenarios import (USER_LIST, list_names, scenario, start_voice, wait_main_window)

SPEAKER_LEVEL = "スピーカ出力レベル"
TALKING, SILENT = "○", "－"
RATE = 48000


def write_speech(path, seconds, lead, seed=5):
    """Speech-like sound: harmonics on a wandering pitch under syllable envelopes, in
    phrases, peaks at -12 dBFS, after `lead` seconds of silence."""
    rnd = random.Random(seed)
    n = int(seconds * RATE)
    out = [0.0] * n
    t, pitch, phase = int(lead * RATE), 140.0, 0.0
    while t < n:
        syllable = int(rnd.uniform(0.12, 0.28) * RATE)
        for i in range(min(syllable, n - t)):
            pitch = min(220.0, max(90.0, pitch + rnd.uniform(-0.6, 0.6)))
            phase += 2 * math.pi * pitch / RATE
            envelope = math.sin(math.pi * i / syllable) ** 2
            out[t + i] = envelope * sum(math.sin(k * phase) / k for k in range(1, 9))
        t += syllable + int(rnd.uniform(0.04, 0.15) * RATE)
    scale = 32767 * 10 ** (-12 / 20) / max(max(abs(x) for x in out), 1e-9)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(struct.pack("<%dh" % n, *(int(x * scale) for x in out)))


def peak_dbfs(path):
    """The loudest sample of a voice-format WAV file, which may still be growing."""
    with open(path, "rb") as f:
        data = f.read()[44:]
    samples = struct.unpack("<%dh" % (len(data) // 2), data[:len(data) // 2 * 2])
    peak = max((abs(s) for s in samples), default=0)
    return 20 * math.log10(peak / 32768) if peak else -120.0


def talking_mark(pc, name):
    """The voice column of the member's row ("" while there is no such row)."""
    for row in pc.rows(USER_LIST):
        if row and row[0].lstrip("@") == name and len(row) > 1:
            return row[1]
    return ""


@scenario
def voice_audio(run):
    """A member speaks from its capture file: its own row and the host's row for it show
    it talking and then silent again, the host's speaker meter moves, and the host's
    playback file holds the speech."""
    speech = os.path.join(run.workroot, "speech.wav")
    heard = os.path.join(run.workroot, "heard.wav")
    # The file starts with the member's devices, before it is in the session: silence
    # first, then about four seconds of speech, then silence.
    write_speech(speech, 7.0, 3.0)
    host = run.pc("pc1", audio={"PlaybackFile": heard})
    member = run.pc("pc2", audio={"CaptureFile": speech})
    wait_main_window(host)
    wait_main_window(member)
    start_voice(host, True, "ほすと")
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
    wait_until("the member shown silent again", lambda: marks(SILENT), 30, interval=0.05)
    if max(levels) <= 0:
        raise E2EError("the host's speaker meter never moved: %r" % levels[-20:])
    # What the host's speakers played is kept as it is played.
    wait_until("the speech in the host's playback file", lambda: peak_dbfs(heard) > -20, 10)
    run.check_alive()
