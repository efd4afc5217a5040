#!/usr/bin/env python3
"""System benchmarks between console peers in network namespaces (root).

Mouth-to-ear delay: the caller's microphone file holds short clicks; every
peer's WAV files share one timeline (KESTROVOX_AUDIO_EPOCH_US), so a click's
arrival in the callee's speaker file, minus its time in the microphone file,
is the delay. Printed beside the floor the settings imply (frames per packet
x 40 ms + "Delay").

CPU: seconds of CPU per minute of each process, for a two-party call and for
an idle peer; and a private call beside a plain one, in turns.

Call setup: the time from "call" to the caller's connected line across a
relay that holds every datagram 50 ms each way, private beside plain."""

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


def mouth_to_ear(d, frames, delay, conceal=1, processing=1, codec=0):
    """codec 2: Opus (HD voice, private); 0 and 1 with HD voice off."""
    mic = audio_files.write(os.path.join(d, "clicks.wav"), audio_files.clicks(CLICKS, CLICKS[-1] + 2))
    silence = audio_files.write(os.path.join(d, "silence.wav"), audio_files.silence(30))
    heard = os.path.join(d, "heard-%d-%d-%d-%d-%d.wav" % (frames, delay, conceal, processing, codec))
    settings = ["--codec", str(min(codec, 1)), "--frames", str(frames), "--delay", str(delay),
                "--max-delay", str(max(1000, delay + 100)), "--hd-voice", "1" if codec == 2 else "0",
                "--conceal", str(conceal), "--echo-cancel", str(processing), "--noise-suppress", str(processing)]
    label = "frames per packet %d, Delay %d ms, Conceal %d, echo processing %s" % (
        frames, delay, conceal, "on" if processing else "off")
    if codec == 2:
        label = "Opus (20 ms datagrams), Delay %d ms, Conceal %d, echo processing %s" % (
            delay, conceal, "on" if processing else "off")
    elif codec:
        label = "codec %d, %s" % (codec, label)
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
    floor = (20 if codec == 2 else frames * (30 if codec == 1 else 40)) + delay
    if not delays:
        print("  %s: no click arrived" % label)
        return
    over = statistics.mean(delays) - floor
    goal = ""
    if frames == 1 and delay == 0 and codec == 0:
        goal = " (goal <= 30 ms over the floor: %s)" % ("met" if over <= 30 else "NOT met")
    if codec == 2 and delay == 0 and processing:
        mean = statistics.mean(delays)
        goal = " (goal <= 80 ms: %s)" % ("met" if mean <= 80 else "NOT met")
    print("  %s: mouth-to-ear mean %.0f ms (min %.0f, max %.0f, %d clicks); floor %d ms; mean - floor %+.0f ms%s" % (
        label, statistics.mean(delays), min(delays), max(delays), len(delays), floor, over, goal))


def wire_bytes(d, seconds, hd):
    """Bytes a second each peer's link carries out (IP and UDP included) in a
    call of speech, Opus (HD voice) or GSM 6.10 at the default 4 frames."""
    speech = audio_files.write(os.path.join(d, "speech.wav"), audio_files.speech(1.0) * 6)
    args = ["--mic", speech, "--hd-voice", "1" if hd else "0"]
    with netlab.Lab(2) as lab:
        bob = peer(lab, 1, "Bob", d, args + ["--answer", "accept", "--speaker", os.path.join(d, "bob-out.wav")], {})
        ann = peer(lab, 0, "Ann", d, args + ["--speaker", os.path.join(d, "ann-out.wav"), "--call", lab.addresses[1]],
                   {})
        ann.expect(r"^connected ", timeout=20)
        ann.poll_party(r" codec=%d\b" % (2 if hd else 0))

        def sent(host):
            return int(subprocess.run(["ip", "netns", "exec", lab.hosts[host], "cat",
                                       "/sys/class/net/eth0/statistics/tx_bytes"], check=True, capture_output=True,
                                      text=True).stdout)
        start = [sent(0), sent(1)]
        time.sleep(seconds)
        rates = [(sent(h) - start[h]) / seconds for h in (0, 1)]
        for p in (ann, bob):
            p.quit()
    print("  %s: %.0f bytes a second Ann to Bob, %.0f Bob to Ann (%.1f and %.1f kbit/s)" % (
        "Opus, HD voice" if hd else "GSM 6.10, 4 frames a datagram", rates[0], rates[1], rates[0] * 8 / 1000,
        rates[1] * 8 / 1000))


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


def call_cpu(d, seconds, privacy):
    """CPU seconds per minute of the caller and the callee in a call with
    --privacy PRIVACY on both sides."""
    speech = audio_files.write(os.path.join(d, "speech.wav"), audio_files.speech(1.0) * 6)
    args = ["--privacy", str(privacy), "--mic", speech, "--hd-voice", "0"]  # GSM 6.10 both: privacy alone differs
    with netlab.Lab(2) as lab:
        bob = peer(lab, 1, "Bob", d, args + ["--answer", "accept", "--speaker", os.path.join(d, "bob-out.wav")], {})
        ann = peer(lab, 0, "Ann", d, args + ["--speaker", os.path.join(d, "ann-out.wav"), "--call", lab.addresses[1]],
                   {})
        ann.expect(r"^connected .* private=%d" % (1 if privacy else 0), timeout=20)
        time.sleep(1)  # the devices open
        start = [p.cpu_seconds() for p in (ann, bob)]
        time.sleep(seconds)
        used = [p.cpu_seconds() - s0 for p, s0 in zip((ann, bob), start)]
        for p in (ann, bob):
            p.quit()
    return [u * 60 / seconds for u in used]


def private_cpu(d, seconds, turns):
    """Plain and private calls in turns, so that both meet the same machine."""
    figures = {0: [], 1: []}
    for _ in range(turns):
        for privacy in (0, 1):
            figures[privacy].append(sum(call_cpu(d, seconds, privacy)) / 2)
    plain, private = statistics.median(figures[0]), statistics.median(figures[1])
    more = (private / plain - 1) * 100
    print("  a peer in a plain call: %.2f CPU seconds per minute; in a private call: %.2f (%+.1f%%; goal <= +5%%: %s)"
          " (median of %d turns of %d s)" % (plain, private, more, "met" if more <= 5 else "NOT met", turns, seconds))


def setup_times(d, privacy, count):
    """Seconds from "call" to connected, `count` calls across a relay with 50 ms each way."""
    silence = audio_files.write(os.path.join(d, "silence.wav"), audio_files.silence(30))
    times = []
    with netlab.Lab(3) as lab:
        relay = lab.spawn(2, [sys.executable, os.path.join(netlab.ROOT, "tests", "system", "impair.py"),
                              "--a", lab.addresses[0] + ":11676", "--b", lab.addresses[1] + ":11676",
                              "--delay", "50", "--seconds", str(60 + 10 * count)],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if not relay.stdout.readline().startswith("relaying"):
            raise RuntimeError("the relay did not start: " + relay.stderr.read())
        args = ["--privacy", str(privacy), "--mic", silence]
        # New peers for every call: each one begins with a whole handshake.
        for _ in range(count):
            bob = peer(lab, 1, "Bob", d, args + ["--answer", "accept", "--speaker",
                                                 os.path.join(d, "bob-setup.wav")], {})
            ann = peer(lab, 0, "Ann", d, args + ["--speaker", os.path.join(d, "ann-setup.wav")], {})
            start = time.monotonic()
            ann.send("call " + lab.addresses[2])
            ann.expect(r"^connected .* private=%d" % (1 if privacy else 0), timeout=20)
            times.append(time.monotonic() - start)
            ann.quit()
            bob.quit()
            # The Leave each sent on quitting is still in the relay for 50 ms:
            # it must not reach the next pair and end its setup.
            time.sleep(0.3)
    return times


def setup_time(d, count):
    """A plain setup is one round trip (request, then accept), so its time is
    the round trip of this link, the relay's own time included."""
    plain = statistics.median(setup_times(d, 0, count))
    private = statistics.median(setup_times(d, 1, count))
    more = private - plain
    print("  call setup across a relay holding each datagram 50 ms: plain %.0f ms (one round trip), private %.0f ms "
          "(%+.0f ms, %.2f round trips more; goal <= 1: %s) (median of %d calls each)" % (
              plain * 1000, private * 1000, more * 1000, more / plain, "met" if round(more / plain, 2) <= 1 else "NOT met",
              count))


def main():
    if os.geteuid() != 0:
        print("system benchmarks skipped: they need root for network namespaces")
        return 0
    optimised = os.path.join(netlab.ROOT, "build", "bench", "kestrovox")
    if os.path.exists(optimised) and not os.environ.get("KV_KESTROVOX"):  # a peer chosen by the caller stays
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
        # Codec 1's 30 ms frames are the processing's block: it costs one frame, no more.
        mouth_to_ear(d, 1, 0, codec=1)
        mouth_to_ear(d, 1, 0, codec=1, processing=0)
        # HD voice: Opus, one 20 ms frame a datagram; the capture's frames are then 20 ms too.
        mouth_to_ear(d, 1, 100, codec=2)
        mouth_to_ear(d, 1, 0, codec=2)
        mouth_to_ear(d, 1, 0, codec=2, processing=0)
        print("On the wire, a private call of speech over 10 s:")
        wire_bytes(d, 10, True)
        wire_bytes(d, 10, False)
        print("CPU use over 20 s:")
        cpu(d, 20)
        print("Private calls:")
        private_cpu(d, 15, 2)
        setup_time(d, 5)
    finally:
        shutil.rmtree(d, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
