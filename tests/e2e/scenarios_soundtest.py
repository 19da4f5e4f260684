"""End-to-end: the sound test program, started from the main window's "テスト" button,
runs the audio set-up wizard on the PC's WAV-file devices."""

import math
import random
import time

from pc import E2EError, read_wav, wait_until
from scenarios import scenario, wait_main_window

SOUND_TEST = "TvSoundTest"
SOUND_TEST_TITLE = "Talvora Sound Test"
RESULT_TITLE = "[Talvora]音声テスト"
RATE = 48000
RECORD_SECONDS = 3
CHIME_SECONDS = 1.2


def speech_like(seconds, seed=7):
    """Voiced syllables on a wandering pitch with pauses between words, peaking at
    -12 dBFS, as 16-bit samples; the first sample is not zero."""
    rng = random.Random(seed)
    out = []
    pitch, phase = 140.0, 0.0
    while len(out) < seconds * RATE:
        syllable = rng.uniform(0.12, 0.25)
        pause = rng.choice((0.03, 0.03, 0.2))
        for i in range(int(syllable * RATE)):
            pitch += rng.uniform(-0.05, 0.05)
            pitch = min(220.0, max(90.0, pitch))
            phase += 2 * math.pi * pitch / RATE
            envelope = math.sin(math.pi * (i + 1) / (syllable * RATE))
            v = sum(math.sin(k * phase) / k for k in (1, 2, 3, 4, 5))
            out.append(int(6000 * envelope * v / 1.6) or 1)
        out.extend([0] * int(pause * RATE))
    out = out[:int(seconds * RATE)]
    peak = max(abs(v) for v in out)
    return [int(v * 8192 / peak) or 1 for v in out]


def sound_test_app(pc, **spec):
    """A spec that looks in the sound test program's windows."""
    return dict(spec, app=SOUND_TEST)


@scenario
def sound_test(run):
    """On an idle PC "テスト" opens the sound test; a second copy shows nothing; the test
    walks the wizard (chime, 3 s recorded and played back, the echo choice) and ends in
    its finished box, and the program with it."""
    microphone = speech_like(RECORD_SECONDS + 1)
    pc = run.pc("pc1", audio_setup_done=False, programs=(SOUND_TEST,), microphone=microphone,
                keep_speaker=True)
    wait_main_window(pc)

    started = time.monotonic()
    pc.press("テスト")
    window = sound_test_app(pc, name=SOUND_TEST_TITLE)
    wait_until("sound test window", lambda: pc.exists(window), 30)
    run.timing("button_to_sound_test", started)
    first = pc.processes(SOUND_TEST)
    if len(first) != 1:
        raise E2EError("sound test processes: %r" % first)

    # A second copy ends at once, without a window or a message.
    pc.press("テスト")
    try:
        wait_until("second copy", lambda: len(pc.processes(SOUND_TEST)) > 1, 5, 0.02)
    except E2EError:
        pass  # it may have come and gone between two looks
    wait_until("second copy gone", lambda: pc.processes(SOUND_TEST) == first, 20)
    apps = [a for a in pc.call("apps") if a["name"] == SOUND_TEST]
    if len(apps) != 1 or len(pc.call("find", spec=window)) != 1:
        raise E2EError("sound test programs on the screen: %r" % apps)

    # The test: both buttons wait while the wizard is up.
    started = time.monotonic()
    pc.press("テスト開始", app=SOUND_TEST)
    wizard = {"app": SOUND_TEST, "window": "音声の設定"}
    wait_until("wizard", lambda: pc.exists(pc.button("テスト音を鳴らす", **wizard)), 30)
    run.timing("start_to_wizard", started)
    for caption in ("テスト開始", "閉じる"):
        if "enabled" in pc.call("states", spec=pc.button(caption, app=SOUND_TEST, any=True)):
            raise E2EError("%s usable while the wizard is up" % caption)

    pc.press("テスト音を鳴らす", **wizard)
    loudest = [0]

    def chime_over():
        meter = pc.call("inspect", spec=dict(wizard, name="スピーカ出力レベル"))
        loudest[0] = max(loudest[0], meter.get("value", 0))
        said = pc.call("inspect", spec=dict(wizard, name="テストの結果"))["description"]
        if not said or "しています" in said:
            return False  # not begun yet, or still playing
        return "enabled" in pc.call("states", spec=pc.button("次へ", **wizard))

    wait_until("chime played", chime_over, 20)
    if loudest[0] <= 0:
        raise E2EError("the speaker meter stayed still during the chime")
    pc.press("次へ", **wizard)
    started = time.monotonic()
    pc.press("録音して再生", **wizard)

    def test_verdict():
        # The press is delivered asynchronously: "次へ" may still read enabled from
        # before the recording began, so an in-progress text is not a verdict.
        said = pc.call("inspect", spec=dict(wizard, name="テストの結果"))["description"]
        if not said or "しています" in said:
            return None
        return "enabled" in pc.call("states", spec=pc.button("次へ", **wizard)) and said

    verdict = wait_until("recording played back", test_verdict, 30)
    run.timing("record_and_play_back", started)
    if not verdict.startswith("マイクの音声が届きました。"):
        raise E2EError("the microphone test says %r" % verdict)
    pc.press("次へ", **wizard)
    echo = dict(wizard, role="check box", name="スピーカで聞くのでエコーを抑える")
    wait_until("finish page", lambda: pc.exists(echo))
    pc.call("press", spec=echo)
    wait_until("echo chosen", lambda: "checked" in pc.call("states", spec=echo))
    pc.press("完了", **wizard)

    box = sound_test_app(pc, name=RESULT_TITLE)
    wait_until("result box", lambda: pc.exists(box), 20)
    said = pc.call("inspect", spec=box)["description"]
    if said != "音声テストが終了しました":
        raise E2EError("the result box says %r" % said)
    pc.press("OK", app=SOUND_TEST)
    wait_until("sound test ended", lambda: not pc.processes(SOUND_TEST), 20)

    if not pc.audio_setup_recorded() or pc.platform_setting("EchoCancellation") != "1":
        raise E2EError("set-up not recorded: AudioSetupDone=%r EchoCancellation=%r"
                       % (pc.platform_setting("AudioSetupDone"),
                          pc.platform_setting("EchoCancellation")))
    # The speakers played the chime, then the first three seconds the microphone heard
    # (the file is the speakers' timeline: silence may lie between them).
    heard = read_wav(pc.speaker)
    after_chime = int(CHIME_SECONDS * RATE)
    recorded = RECORD_SECONDS * RATE
    clip = list(microphone[:recorded])
    start = next((i for i in range(after_chime, len(heard) - recorded + 1)
                  if heard[i] == clip[0] and list(heard[i:i + recorded]) == clip), None)
    if start is None:
        raise E2EError("the speakers did not play the recording back (%d samples, start %r)"
                       % (len(heard), start))
    if max(abs(v) for v in heard[:after_chime]) < 8192:
        raise E2EError("no chime on the speakers")
    run.check_alive()
