#!/usr/bin/env python3
"""CPU of a call with echo cancellation and noise suppression on and off: two
console peers in network namespaces (as root), Ann with plain WAV devices and
Bob in a room (his microphone hears his loudspeaker), both talking for the
whole call. Prints the CPU seconds per minute of call of each peer, and what
the processing adds per peer (one capture channel each)."""

import os
import random
import sys
import tempfile
import shutil
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))
import audio_files  # noqa: E402
from netlab import Lab, ROOT  # noqa: E402

CALL_SECONDS = float(os.environ.get("KV_ECHO_BENCH_SECONDS", "30"))


def room_file(path):
    rng = random.Random(5)
    n = 960
    return audio_files.write(path, [int(20000 * (rng.random() * 2 - 1) * 10 ** (-3.0 * i / n)) for i in range(n)])


def one_call(work, setting):
    voice = audio_files.read(audio_files.SPEECH)
    other = audio_files.read(os.path.join(ROOT, "tests", "data", "speech8k_voice2.wav"))
    length = int((CALL_SECONDS + 4) * audio_files.RATE)
    ann = audio_files.write(os.path.join(work, "ann.wav"), (voice * (length // len(voice) + 1))[:length])
    bob = audio_files.write(os.path.join(work, "bob.wav"), (other * (length // len(other) + 1))[:length])
    ir = room_file(os.path.join(work, "room.wav"))
    with Lab(2) as lab:
        peers = []
        for host, name, mic, extra in ((1, "Bob", bob, ["--answer", "accept", "--room", ir]),
                                       (0, "Ann", ann, ["--call", lab.addresses[1]])):
            home = os.path.join(work, "%s%d" % (name, setting))
            os.makedirs(home, exist_ok=True)
            p = lab.start(host, ["--identity", name, "--mic", mic, "--speaker", os.path.join(home, "out.wav"),
                                 "--echo-cancel", str(setting), "--noise-suppress", str(setting)] + extra,
                          env={"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}, name=name)
            p.expect(r"^ready ")
            peers.append(p)
        bob_peer, ann_peer = peers
        ann_peer.expect(r"^connected ")
        before = [p.cpu_seconds() for p in peers]
        start = time.monotonic()
        time.sleep(CALL_SECONDS)  # the call runs for a fixed time: this is what is measured
        used = [p.cpu_seconds() - b for p, b in zip(peers, before)]
        elapsed = time.monotonic() - start
        for p in peers:
            p.quit()
    return [u * 60.0 / elapsed for u in used]


def main():
    if os.geteuid() != 0:
        print("echo_bench: needs root for network namespaces; skipped")
        return 0
    work = tempfile.mkdtemp(prefix="kv_echo_bench_")
    try:
        figures = {setting: one_call(work, setting) for setting in (0, 1)}
    finally:
        shutil.rmtree(work, True)
    print("Echo cancellation and noise suppression, CPU per minute of a %d s call (both talking):" % CALL_SECONDS)
    for setting in (0, 1):
        bob, ann = figures[setting]
        print("  EchoCancel %d NoiseSuppress %d: Bob %.2f s/min, Ann %.2f s/min" % (setting, setting, bob, ann))
    added = [(figures[1][i] - figures[0][i]) for i in range(2)]
    print("  added by the processing: Bob %+.2f s/min (%.2f%% of a core), Ann %+.2f s/min (%.2f%% of a core)"
          % (added[0], added[0] / 60 * 100, added[1], added[1] / 60 * 100))
    return 0


if __name__ == "__main__":
    sys.exit(main())
