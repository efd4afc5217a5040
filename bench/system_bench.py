#!/usr/bin/env python3
"""System benchmarks between console peers in network namespaces (root).

Mouth-to-ear delay: the caller's microphone file holds short clicks; every
peer's WAV files share one timeline (KESTROVOX_AUDIO_EPOCH_US), so a click's
arrival in the callee's speaker file, minus its time in the microphone file,
is the delay. Printed beside the floor the settings imply (frames per packet
x 40 ms + "Delay").

CPU: seconds of CPU per minute of each process, for a two-party call and for
an idle peer."""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "system"))
import audio_files  # noqa: E402
import netlab  # noqa: E402

CLICKS = [3.0 + 0.7 * k for k in range(12)]  # not a multiple of the packet time


def wavtool():
    for build in ("build/bench", "build/native"):
        path = os.path.join(netlab.ROOT, build, "tests", "kv_wavtool")
        if os.path.exists(path):
            return path
    raise RuntimeError("kv_wavtool is not built")


def onsets(path, level):
    out = subprocess.run([wavtool(), "onsets", path, str(level), "0.35"], check=True, capture_output=True,
                         text=True).stdout
    return [float(v) for v in re.findall(r"onset=([\d.]+)", out)]


def peer(lab, host, name, d, args, env):
    home = os.path.join(d, name)
    os.makedirs(home, exist_ok=True)
    full = {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}
    full.update(env)
    p = lab.start(host, ["--identity", name] + args, env=full, name=name)
    p.expect(r"^ready ")
    return p


def mouth_to_ear(d, frames, delay, conceal=1, processing=1):
    mic = audio_files.write(os.path.join(d, "clicks.wav"), audio_files.clicks(CLICKS, CLICKS[-1] + 2))
    silence = audio_files.write(os.path.join(d, "silence.wav"), audio_files.silence(30))
    heard = os.path.join(d, "heard-%d-%d-%d-%d.wav" % (frames, delay, conceal, processing))
    settings = ["--frames", str(frames), "--delay", str(delay), "--max-delay", str(max(1000, delay + 100)),
                "--conceal", str(conceal), "--echo-cancel", str(processing), "--noise-suppress", str(processing)]
    label = "frames per packet %d, Delay %d ms, Conceal %d, echo processing %s" % (
        frames, delay, conceal, "on" if processing else "off")
    env = {"KESTROVOX_AUDIO_EPOCH_US": str(int(time.time() * 1e6))}
    with netlab.Lab(2) as lab:
        bob = peer(lab, 1, "Bob", d, ["--answer", "accept", "--mic", silence, "--speaker", heard] + settings, env)
        ann = peer(lab, 0, "Ann", d, ["--mic", mic, "--speaker", os.path.join(d, "ann-out.wav"), "--call",
                                      lab.addresses[1], "--hangup-after", str(int(CLICKS[-1] + 1))] + settings, env)
        ann.expect(r"^connected")
        ann.wait(timeout=30)
        bob.quit()
    arrivals = onsets(heard, 2500)
    delays = []
    for sent in CLICKS:
        later = [a for a in arrivals if sent < a < sent + 1.0]
        if later:
            delays.append((later[0] - sent) * 1000)
    floor = frames * 40 + delay
    if not delays:
        print("  %s: no click arrived" % label)
        return
    over = statistics.mean(delays) - floor
    goal = ""
    if frames == 1 and delay == 0:
        goal = " (goal <= 30 ms over the floor: %s)" % ("met" if over <= 30 else "NOT met")
    print("  %s: mouth-to-ear mean %.0f ms (min %.0f, max %.0f, %d clicks); floor %d ms; mean - floor %+.0f ms%s" % (
        label, statistics.mean(delays), min(delays), max(delays), len(delays), floor, over, goal))


def cpu(d, seconds):
    speech = audio_files.write(os.path.join(d, "speech.wav"), audio_files.speech(1.0) * 6)
    with netlab.Lab(3) as lab:
        bob = peer(lab, 1, "Bob", d, ["--answer", "accept", "--mic", speech, "--speaker",
                                      os.path.join(d, "bob-out.wav")], {})
        idle = peer(lab, 2, "Idle", d, ["--mic", speech, "--speaker", os.path.join(d, "idle-out.wav")], {})
        ann = peer(lab, 0, "Ann", d, ["--mic", speech, "--speaker", os.path.join(d, "ann-out.wav"), "--call",
                                      lab.addresses[1]], {})
        ann.expect(r"^connected")
        start = {p.name: p.cpu_seconds() for p in (ann, bob, idle)}
        time.sleep(seconds)
        for p in (ann, bob, idle):
            used = p.cpu_seconds() - start[p.name]
            role = "idle peer" if p is idle else "in a two-party call"
            print("  %s (%s): %.2f CPU seconds per minute (%.2f%% of one core)" % (
                p.name, role, used * 60 / seconds, used / seconds * 100))
        for p in (ann, bob, idle):
            p.quit()


def main():
    if os.geteuid() != 0:
        print("system benchmarks skipped: they need root for network namespaces")
        return 0
    optimised = os.path.join(netlab.ROOT, "build", "bench", "kestrovox")
    if os.path.exists(optimised):
        os.environ["KV_KESTROVOX"] = optimised
    print("peer: " + netlab.kestrovox_binary())
    d = tempfile.mkdtemp(prefix="kv_bench_")
    try:
        print("Mouth-to-ear delay (WAV microphone to WAV speaker, across a veth link):")
        mouth_to_ear(d, 4, 100)
        mouth_to_ear(d, 1, 0)
        # The noise suppressor holds the microphone back one frame (40 ms).
        mouth_to_ear(d, 1, 0, processing=0)
        mouth_to_ear(d, 1, 0, conceal=0, processing=0)  # concealment's bridged gaps can add lasting delay
        print("CPU use over 30 s:")
        cpu(d, 30)
    finally:
        shutil.rmtree(d, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
