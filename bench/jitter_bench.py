#!/usr/bin/env python3
"""Playout over an impaired network (root): figures for the speech of a call
between two console peers through the relay tests/system/impair.py, for every
combination of loss 0 % and 5 %, jitter +-0, 30 and 60 ms around a base delay
of 50 ms (60 ms for +-60: the relay delays no datagram by less than nothing),
and "Conceal" 0 and 1. Every other setting is the default (GSM 6.10,
4 frames = 160 ms per packet, "Delay" 100 ms, "Max delay" 1000 ms, input
threshold -50 dB, so every frame is sent, pauses too).

Each call: Ann (host 0) calls the relay (host 2), which passes everything on
to Bob (host 1) and back. Ann's microphone says the test sentence over and
over with 1 s gaps after a lead of 3 s, with a short click in the middle of
every gap; Bob's says the sentence reversed. Both peers share one WAV
timeline (KESTROVOX_AUDIO_EPOCH_US). Measured for the speech from Ann to Bob:

- SNR and missing pieces: `kv_wavtool pieces` (the speech in 160 ms pieces,
  each aligned on its own within 120 ms) of Ann's speech without the clicks
  against Bob's speaker file;
- playout re-opens (opens - 1) and concealment frames per minute at Bob, from
  `parties` just before hanging up;
- re-opens in speech per minute: Bob's `parties` is read every POLL_SECONDS
  during the call, so every re-open has a time (within that); one that
  resumed the playout with audio Ann said inside a sentence cut into speech,
  one in a gap between sentences did not;
- mouth-to-ear delay: each click's arrival in Bob's speaker file minus its
  time in Ann's microphone file (the median over the clicks that arrived).

Prints a header, one line per setting, and a summary line. Asserts nothing
about the figures; ends with a non-zero exit code when a call does not connect
or drops, a peer fails, or a tool fails. Without root it prints why it skips
and exits 0. KV_KEEP_FILES=1 keeps the WAV files and prints where they are.
KV_JITTER_PARALLEL sets how many calls run at the same time (default
PARALLEL)."""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SYSTEM = os.path.join(os.path.dirname(HERE), "tests", "system")
sys.path.insert(0, SYSTEM)
import audio_files  # noqa: E402
import netlab  # noqa: E402

RELAY = os.path.join(SYSTEM, "impair.py")
RATE = audio_files.RATE

CALL_SECONDS = 30        # from Bob's "connected" until the counters are read
LOSSES = (0.0, 0.05)
JITTERS = (0, 30, 60)    # ms either way
BASE_DELAY = 50          # ms; the relay needs the jitter no larger: +-60 ms is around 60 ms
CONCEALS = (0, 1)
PLAYOUTS = (0, 1)        # "AdaptivePlayout": the fixed playout, then the adaptive one
RELAY_SEED = 1           # the same draws for every row
# Calls at the same time, each in a Lab of its own. On two cores, 4 at a time
# (about 1/4 of a core) gave the figures of one at a time within their spread
# from run to run, in 1:45 instead of 6:30; 6 at a time (two rounds) gave them
# too, in 1:21; all 12 at once added about 5 ms to the mouth-to-ear delays.
# With the 24 calls of both playouts, 8 at a time (three rounds, 2:00) gave
# the figures of 6 at a time (four rounds, 2:32, beside a build) within their
# spread.
PARALLEL = 8
POLL_SECONDS = 0.1       # Bob's parties line is read this often during the call
# A re-opened playout starts once "Delay" (100 ms) is queued: at once, as the
# packet that opened it brings 160 ms.
PREBUFFER_SECONDS = max(0, 100 - 160) / 1000.0

LEAD_SECONDS = 3.0
GAP_SECONDS = 1.0
SLACK_MS = 120           # kv_wavtool pieces' own default, given explicitly
MAX_LAG_SECONDS = 4

# The click: audio_files.clicks' 20 ms square burst. Found in Bob's speaker
# file as the first sample reaching CLICK_LEVEL after quiet (below QUIET_LEVEL
# for QUIET_BEFORE seconds, up to the burst's own rise in the last RISE
# seconds) and followed by quiet (from CLICK_END on, for QUIET_AFTER
# seconds): a sentence starting or ending looks different.
CLICK_LEVEL = 2500
QUIET_LEVEL = 1200
QUIET_BEFORE = 0.2
RISE = 0.01
CLICK_END = 0.08
QUIET_AFTER = 0.2
CLICK_SEARCH = (0.02, 1.2)  # seconds after the click was said


class BenchError(Exception):
    pass


def tool_path(name):
    for build in ("build/bench", "build/native"):
        path = os.path.join(netlab.ROOT, build, "tests", name)
        if os.path.exists(path):
            return path
    raise BenchError("%s is not built (cmake --build build/bench --target %s)" % (name, name))


def run_tool(argv):
    done = subprocess.run(argv, capture_output=True, text=True)
    if done.returncode != 0:
        raise BenchError("%s failed with exit code %d:\n%s%s" % (" ".join(argv), done.returncode, done.stdout,
                                                                 done.stderr))
    return done.stdout


# ---- the sounds ----

def sentence_bounds():
    """Where the test sentence is audible within its own file, in seconds."""
    s = audio_files.read(audio_files.SPEECH)
    loud = [i for i, v in enumerate(s) if abs(v) > 300]
    return loud[0] / RATE, loud[-1] / RATE, len(s) / RATE


def repeats_for(call_seconds):
    """Sentences that fit between the lead and the end of the call (which
    begins, at the latest, about a second into the timeline)."""
    _, _, length = sentence_bounds()
    return max(1, int((call_seconds + 1.0 - 1.5 - LEAD_SECONDS) // (length + GAP_SECONDS)))


def layout(repeats):
    """Ann's timeline: [(start, end)] of each sentence as said (audible part),
    the click times, and the end of the speech."""
    first, last, length = sentence_bounds()
    period = length + GAP_SECONDS
    sentences, clicks = [], []
    for k in range(repeats):
        start = LEAD_SECONDS + k * period
        sentences.append((start + first, start + last))
        next_start = start + period + first
        clicks.append((start + last + next_start) / 2.0)  # the middle of the pause
    return sentences, clicks, LEAD_SECONDS + repeats * period


def write_sounds(d, repeats):
    """Ann's microphone (speech and clicks), the same speech alone (the
    reference), and Bob's microphone (the sentence reversed)."""
    one = audio_files.speech(0, tail_seconds=GAP_SECONDS)
    tail = audio_files.silence(10)  # the microphones play on until the hang-up
    speech = audio_files.silence(LEAD_SECONDS) + one * repeats + tail
    _, clicks, _ = layout(repeats)
    track = audio_files.clicks(clicks, len(speech) / RATE)
    mic = [max(-32768, min(32767, a + b)) for a, b in zip(speech, track)]
    reverse = audio_files.silence(LEAD_SECONDS) + audio_files.speech(0, reverse=True,
                                                                      tail_seconds=GAP_SECONDS) * repeats + tail
    return (audio_files.write(os.path.join(d, "ann-mic.wav"), mic),
            audio_files.write(os.path.join(d, "ann-said.wav"), speech),
            audio_files.write(os.path.join(d, "bob-mic.wav"), reverse))


# ---- one call ----

_lab_lock = threading.Lock()


def start_peer(lab, host, name, d, args, env):
    home = os.path.join(d, name)
    os.makedirs(home, exist_ok=True)
    full = {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}
    full.update(env)
    p = lab.start(host, ["--identity", name] + args, env=full, name=name)
    p.expect(r'^ready name="%s" port=11676' % name, timeout=15)
    return p


def read_parties(peer, timeout=10.0):
    """Sends `parties`; returns (opens, concealed) of the only party."""
    start = len(peer.lines)
    peer.send("parties")
    _, _, m = peer.expect_after(start, r"^party index=0 .* opens=(\d+) concealed=(\d+)(?: |$)", timeout)
    return int(m.group(1)), int(m.group(2))


def read_status(peer, timeout=10.0):
    start = len(peer.lines)
    peer.send("status")
    _, _, m = peer.expect_after(start, r"^status .* parties=(\d+) .* playout-opens=(\d+) concealed=(\d+)(?: |$)", timeout)
    return int(m.group(1)), int(m.group(2)), int(m.group(3))


def call(row, d, repeats):
    """One call through the relay; returns the raw figures of the row."""
    loss, jitter, conceal, adaptive = row
    os.makedirs(d, exist_ok=True)
    mic, said, bob_mic = write_sounds(d, repeats)
    heard = os.path.join(d, "bob-heard.wav")
    sentences, clicks, speech_end = layout(repeats)
    with _lab_lock:
        lab = netlab.Lab(3)  # Ann, Bob, and the relay between them
    with lab:
        relay = lab.spawn(2, [sys.executable, RELAY, "--a", lab.addresses[0] + ":11676", "--b",
                              lab.addresses[1] + ":11676", "--loss", str(loss), "--delay", str(base_delay(jitter)),
                              "--jitter", str(jitter), "--seconds", str(CALL_SECONDS + 120), "--seed",
                              str(RELAY_SEED)],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        first = relay.stdout.readline()
        if not first.startswith("relaying"):
            raise BenchError("the relay did not start: %s%s" % (first, relay.stderr.read()))
        epoch = time.time()
        env = {"KESTROVOX_AUDIO_EPOCH_US": str(int(epoch * 1e6))}
        settings = ["--conceal", str(conceal), "--adaptive-playout", str(adaptive)]
        bob = start_peer(lab, 1, "Bob", d, ["--answer", "accept", "--mic", bob_mic, "--speaker", heard] + settings,
                         env)
        ann = start_peer(lab, 0, "Ann", d, ["--mic", mic, "--speaker", os.path.join(d, "ann-heard.wav"),
                                            "--call", lab.addresses[2]] + settings, env)
        relay_address = re.escape(lab.addresses[2])
        try:
            ann.expect(r'^connected name="Bob" address=%s:11676 direction=outgoing' % relay_address, 30)
            _, connected, _ = bob.expect_after(
                0, r'^connected name="Ann" address=%s:11676 direction=incoming' % relay_address, 30)
        except AssertionError as e:
            raise BenchError("the call did not connect:\n%s" % e)

        # Until the call has lasted CALL_SECONDS and the speech has been heard,
        # Bob's opens are read every POLL_SECONDS: the times of the re-opens.
        end = max(connected + CALL_SECONDS, time.monotonic() + (epoch + speech_end + 1.5 - time.time()))
        opens_at = []  # timeline seconds (from the epoch) of each open
        last_opens, last_poll = 0, time.time() - epoch
        while time.monotonic() < end:
            opens, _ = read_parties(bob)
            now = time.time() - epoch
            for _ in range(opens - last_opens):
                opens_at.append((last_poll + now) / 2.0)
            last_opens, last_poll = opens, now
            time.sleep(max(0.0, min(POLL_SECONDS, end - time.monotonic())))
        for p in (ann, bob):
            if p.has(r"^party-left"):
                raise BenchError("the call dropped: %s saw the party leave" % p.name)
        opens, concealed = read_parties(bob)
        parties, _, _ = read_status(bob)  # still one party: the call is up
        seconds = time.monotonic() - connected
        now = time.time() - epoch
        for _ in range(opens - last_opens):
            opens_at.append((last_poll + now) / 2.0)
        if parties != 1:
            raise BenchError("Bob has %d parties in the call" % parties)

        ann.send("hangup")
        try:
            bob.expect(r'^party-left name="Ann" .*reason=hung-up', timeout=15)
        except AssertionError as e:
            raise BenchError("the hang-up did not arrive:\n%s" % e)
        for p in (ann, bob):
            code = p.quit(timeout=20)
            if code != 0:
                raise BenchError("%s ended with exit code %d:\n%s" % (p.name, code, "\n".join(p.stderr)))
        relay.terminate()
        out, err = relay.communicate(timeout=10)
        if relay.returncode not in (0, -15):
            raise BenchError("the relay failed with exit code %d: %s" % (relay.returncode, err))
        m = re.search(r"a-to-b=(\d+) a-to-b-lost=(\d+) b-to-a=(\d+) b-to-a-lost=(\d+) reordered=(\d+)", out)
        if not m:
            raise BenchError("the relay printed no counts: %r %r" % (out, err))
        forwarded, lost = int(m.group(1)), int(m.group(2))

    pieces = run_tool([tool_path("kv_wavtool"), "pieces", said, heard, str(MAX_LAG_SECONDS), str(SLACK_MS)])
    s = re.search(r"^pieces=(\d+) missing=(\d+) snr=([-\d.inf]+) segsnr=([-\d.inf]+) lag=(-?\d+) jump=(\d+)$",
                  pieces, re.M)
    if not s:
        raise BenchError("kv_wavtool pieces printed no summary:\n" + pieces)
    delays = click_delays(heard, clicks)
    m2e = statistics.median(delays) if delays else int(s.group(5)) * 1000.0 / RATE
    in_speech = 0
    for t in opens_at[1:]:  # the first open is no re-open
        resumed = t + PREBUFFER_SECONDS - m2e / 1000.0  # Ann's time of the audio it resumed with
        in_speech += any(a <= resumed <= b for a, b in sentences)
    return {"row": row, "seconds": seconds, "opens": opens, "concealed": concealed, "in_speech": in_speech,
            "pieces": int(s.group(1)), "missing": int(s.group(2)), "snr": float(s.group(3)), "delays": delays,
            "lost": lost, "sent": forwarded + lost}


def click_delays(heard, clicks):
    """Mouth-to-ear delay of each click found in the speaker file, in ms."""
    x = [abs(v) for v in audio_files.read(heard)]
    delays = []
    for c in clicks:
        i = int((c + CLICK_SEARCH[0]) * RATE)
        stop = min(len(x), int((c + CLICK_SEARCH[1]) * RATE))
        while i < stop:
            if x[i] >= CLICK_LEVEL:
                before = x[max(0, i - int(QUIET_BEFORE * RATE)):max(0, i - int(RISE * RATE))]
                after = x[i + int(CLICK_END * RATE):i + int((CLICK_END + QUIET_AFTER) * RATE)]
                if max(before, default=0) < QUIET_LEVEL and max(after, default=0) < QUIET_LEVEL:
                    delays.append((i / RATE - c) * 1000.0)
                    break
            i += 1
    return delays


def base_delay(jitter):
    return max(BASE_DELAY, jitter)


def describe(row):
    loss, jitter, conceal, adaptive = row
    return "loss %g %%, delay %d +-%d ms, Conceal %d, AdaptivePlayout %d" % (loss * 100, base_delay(jitter), jitter,
                                                                            conceal, adaptive)


# ---- the table ----

def per_minute(n, seconds):
    return n * 60.0 / seconds


def print_row(r):
    loss, jitter, conceal, adaptive = r["row"]
    reopens = max(r["opens"] - 1, 0)
    delay = "%4.0f (%d)" % (statistics.median(r["delays"]), len(r["delays"])) if r["delays"] else "   - (0)"
    print("%s %4.0f %%  %6s %5d  | %5.1f %% | %7.2f %3d/%-3d | %7.1f %9.1f %11.1f | %s" % (
        "adaptive" if adaptive else "fixed   ", loss * 100, "%d+-%d" % (base_delay(jitter), jitter), conceal,
        100.0 * r["lost"] / max(r["sent"], 1),
        r["snr"], r["missing"], r["pieces"],
        per_minute(reopens, r["seconds"]), per_minute(r["in_speech"], r["seconds"]),
        per_minute(r["concealed"], r["seconds"]), delay), flush=True)


def run_rows(rows, d, repeats, parallel):
    """Runs the calls, `parallel` at a time; returns their figures in row order."""
    results, errors = {}, []
    pending = list(rows)
    lock = threading.Lock()

    def worker():
        while True:
            with lock:
                if not pending or errors:
                    return
                row = pending.pop(0)
            try:
                r = call(row, os.path.join(d, "L%g-J%d-C%d-A%d" % row), repeats)
            except Exception as e:  # noqa: BLE001 - reported below, the benchmark fails
                with lock:
                    errors.append((row, e))
                return
            with lock:
                results[row] = r

    threads = [threading.Thread(target=worker) for _ in range(max(1, parallel))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        row, e = errors[0]
        raise BenchError("%s: %s" % (describe(row), e))
    return [results[row] for row in rows]


def main():
    if os.geteuid() != 0:
        print("jitter benchmark skipped: it needs root for network namespaces")
        return 0
    optimised = os.path.join(netlab.ROOT, "build", "bench", "kestrovox")
    if os.path.exists(optimised) and not os.environ.get("KV_KESTROVOX"):  # a peer chosen by the caller stays
        os.environ["KV_KESTROVOX"] = optimised
    peer = netlab.kestrovox_binary()
    usage = subprocess.run([peer, "--help"], capture_output=True, text=True).stdout
    if "--conceal" not in usage:
        print("jitter benchmark: %s has no --conceal option (rebuild it)" % peer, file=sys.stderr)
        return 1
    tool_path("kv_wavtool")
    parallel = int(os.environ.get("KV_JITTER_PARALLEL", PARALLEL))
    repeats = repeats_for(CALL_SECONDS)
    rows = [(loss, jitter, conceal, adaptive) for adaptive in PLAYOUTS for loss in LOSSES for jitter in JITTERS
            for conceal in CONCEALS]

    d = tempfile.mkdtemp(prefix="kv_jitter_")
    keep = bool(os.environ.get("KV_KEEP_FILES"))
    started = time.monotonic()
    try:
        print("Playout over an impaired network (peer %s)" % peer)
        print("  Ann calls Bob through a relay: each datagram lost with probability L or delayed by D +- J ms "
              "(uniform; D %d ms, %d ms for J 60, as the relay delays by no less than 0; seed %d); %d calls of %d s, "
              "%d at a time" % (BASE_DELAY, base_delay(60), RELAY_SEED, len(rows), CALL_SECONDS, parallel))
        print("  settings: Conceal and AdaptivePlayout as given; GSM 6.10, 4 frames (160 ms) per packet, Delay 100 ms, Max delay "
              "1000 ms, input threshold -50 dB (every frame sent)")
        print("  speech Ann to Bob: %d sentences with %g s gaps after %g s, a click in each gap; figures at Bob" % (
            repeats, GAP_SECONDS, LEAD_SECONDS))
        print("  lost: datagrams Ann to Bob the relay dropped; SNR and missing: kv_wavtool pieces (160 ms pieces "
              "aligned within %d ms); re-opens = playout opens - 1; in speech: re-opens that resumed inside a "
              "sentence (times read every %g s); mouth-to-ear: median over the clicks found (count)" % (
                  SLACK_MS, POLL_SECONDS))
        print()
        print("playout  loss   D+-J ms conceal | lost    |  SNR dB missing | re-opens in speech   concealed | mouth-to-ear")
        print("                                |         |                 |  per min   per min     per min |  ms (clicks)")
        results = run_rows(rows, d, repeats, parallel)
        for r in results:
            print_row(r)
        by_row = {r["row"]: r for r in results}
        print()
        for adaptive in PLAYOUTS:
            clean, impaired = by_row[(0.0, 0, 1, adaptive)], by_row[(0.05, 30, 1, adaptive)]
            plain = by_row[(0.05, 30, 0, adaptive)]
            m2e = statistics.median(clean["delays"]) if clean["delays"] else float("nan")
            print("%s playout, 5 %% loss, +-30 ms, Conceal 1: SNR %.2f dB against %.2f dB on the clean network "
                  "(%+.2f dB); %d re-opens in %.0f s against %d on the clean network (with Conceal 0 on the same "
                  "impaired network: %d re-opens, SNR %.2f dB); mouth-to-ear on the clean network %.0f ms" % (
                      "adaptive" if adaptive else "fixed", impaired["snr"], clean["snr"],
                      impaired["snr"] - clean["snr"], max(impaired["opens"] - 1, 0), impaired["seconds"],
                      max(clean["opens"] - 1, 0), max(plain["opens"] - 1, 0), plain["snr"], m2e))
        print("jitter benchmark took %.0f s" % (time.monotonic() - started))
    except (BenchError, AssertionError, RuntimeError, OSError, subprocess.SubprocessError) as e:
        print("jitter benchmark failed: %s" % e, file=sys.stderr)
        return 1
    finally:
        if keep:
            print("files kept in " + d)
        else:
            shutil.rmtree(d, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
