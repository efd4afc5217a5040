#!/usr/bin/env python3
"""How little the engine costs: system benchmarks that print figures beside
their goals and assert nothing (root, network namespaces).

1. Control datagrams: a sender in another namespace blasts one-byte
   datagrams that need no reply (a short Leave from a stranger, and an
   unknown opcode 0x86) at an idle peer for a few seconds. The UDP counters
   of the peer's namespace (/proc/net/snmp) tell how many reached its
   socket (InDatagrams) and how many the kernel dropped because the socket's
   receive queue was full (RcvbufErrors). The queue holds a few hundred
   datagrams at most and is drained before the counters are read, so every
   datagram counted in InDatagrams was taken and dispatched by the receive
   loop: InDatagrams / blast time is the rate it handled. With no drops the
   loop kept up with the sender and its capacity is at least that; with
   drops the loop was the bottleneck and the rate is its capacity. The
   peer's CPU time per datagram is printed too.
2. A 100-party hub: one console peer (--answer accept, 4 frames per packet)
   and kv_loadgen in another namespace playing 99 callers, each on its own
   port, each sending GSM 6.10 speech at 4 frames per datagram. Prints the
   hub's share of one core over the window, its memory, the frames its
   playout played per caller (`parties`, field played=) and how many
   callers received its audio.
3. CPU beside baresip (bench/baresip_compare.py)."""

import os
import re
import select
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

BUILD = os.path.join(netlab.ROOT, os.environ.get("KV_BENCH_BUILD", "build/bench"))
LOADGEN = os.path.join(BUILD, "bench", "kv_loadgen")
HUB_CALLERS = 99
HUB_WINDOW = 20
BLAST_SECONDS = 3


def snmp_udp(ns):
    """The Udp counters of /proc/net/snmp in namespace ns, as a dict."""
    out = subprocess.run(["ip", "netns", "exec", ns, "cat", "/proc/net/snmp"], check=True, capture_output=True,
                         text=True).stdout
    rows = [line.split()[1:] for line in out.splitlines() if line.startswith("Udp:")]
    return dict(zip(rows[0], (int(v) for v in rows[1])))


def status_field(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def peer(lab, host, name, d, args):
    home = os.path.join(d, name)
    os.makedirs(home, exist_ok=True)
    p = lab.start(host, ["--identity", name] + args, env={"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home},
                  name=name)
    p.expect(r"^ready ")
    return p


def control_datagrams(d):
    silence = audio_files.write(os.path.join(d, "silence.wav"), audio_files.silence(60))
    print("Control datagrams that need no reply, blasted at an idle peer for %d s from another namespace:" %
          BLAST_SECONDS)
    for byte, what in ((0x82, "one-byte Leave from a stranger"), (0x86, "unknown opcode 0x86")):
        with netlab.Lab(2) as lab:
            p = peer(lab, 0, "Target", d, ["--mic", silence, "--speaker", os.path.join(d, "target.wav")])
            before, cpu_before = snmp_udp(lab.hosts[0]), p.cpu_seconds()
            blast = lab.spawn(1, [LOADGEN, "blast", lab.addresses[0], "11676", hex(byte), str(BLAST_SECONDS)],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            out, err = blast.communicate(timeout=BLAST_SECONDS + 30)
            time.sleep(0.5)  # the receive queue drains
            after, cpu_after = snmp_udp(lab.hosts[0]), p.cpu_seconds()
            alive = p.process.poll() is None
            p.quit()
        m = re.search(r"sent=(\d+) errors=\d+ seconds=([\d.]+)", out)
        if blast.returncode != 0 or not m:
            print("  %s: kv_loadgen failed (exit %s): %s" % (what, blast.returncode, err.strip() or out.strip()))
            continue
        sent, seconds = int(m.group(1)), float(m.group(2))
        delivered = after["InDatagrams"] - before["InDatagrams"]
        dropped = after["RcvbufErrors"] - before["RcvbufErrors"]
        cpu = cpu_after - cpu_before
        rate = delivered / seconds
        print("  %s: sent %d (%.0f/s); reached the peer's socket %d, dropped for a full receive queue %d, "
              "lost on the way %d" % (what, sent, sent / seconds, delivered, dropped, max(0, sent - delivered - dropped)))
        per = cpu / delivered if delivered else 0
        # Kept up with a sender slower than the goal: the rate proves nothing
        # against it, the CPU per datagram tells what one core would handle.
        capacity = rate if dropped or rate >= 100000 or not per else 1 / per
        print("    handled %.0f datagrams/s (%s); peer CPU %.2f s, %.2f us per datagram (%.0f/s on a whole core)%s" % (
            rate, "the loop was the bottleneck" if dropped else "kept up with the sender: at least this",
            cpu, per * 1e6, 1 / per if per else 0, "" if alive else "; THE PEER DIED"))
        print("    goal >= 100000/s: %s (%s)" % (
            "met" if capacity >= 100000 else "NOT met",
            "from the handled rate" if capacity == rate else "the sender was slower: judged from the CPU per datagram"))


def hub(d):
    print("A hub in a conference with %d callers, each sending GSM 6.10 speech at 4 frames per datagram "
          "(window %d s):" % (HUB_CALLERS, HUB_WINDOW))
    mic = audio_files.write(os.path.join(d, "hub-mic.wav"), (audio_files.read(audio_files.SPEECH) +
                                                              audio_files.silence(0.2)) * 20)
    with netlab.Lab(2) as lab:
        h = peer(lab, 0, "Hub", d, ["--answer", "accept", "--frames", "4", "--threshold", "-50", "--mic", mic,
                                    "--speaker", os.path.join(d, "hub-heard.wav")])
        gen = lab.spawn(1, [LOADGEN, "parties", lab.addresses[0], "11676", str(HUB_CALLERS), "21000",
                            audio_files.SPEECH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        stderr=subprocess.PIPE, text=True)
        ready, _, _ = select.select([gen.stdout], [], [], 120)
        line = gen.stdout.readline() if ready else "(nothing within 120 s)"
        m = re.match(r"all-connected count=(\d+) seconds=([\d.]+)", line)
        if not m:
            gen.kill()
            print("  kv_loadgen failed: %r %s" % (line, gen.stderr.read().strip()))
            return
        print("  call setups: %s of %d callers connected in %s s" % (m.group(1), HUB_CALLERS, m.group(2)))
        time.sleep(1)
        cpu0, t0 = h.cpu_seconds(), time.monotonic()
        time.sleep(HUB_WINDOW)
        cpu1, t1 = h.cpu_seconds(), time.monotonic()
        rss, hwm = status_field(h.process.pid, "VmRSS"), status_field(h.process.pid, "VmHWM")
        start = len(h.lines)
        h.send("parties")
        _, _, pm = h.expect_after(start, r"^parties count=(\d+)")
        count = int(pm.group(1))
        played = []
        if count:
            h.expect_after(start, r"^party index=%d " % (count - 1))
        for _, text in h.lines[start:]:
            pm = re.match(r"^party index=\d+ .* active=(\d) .* played=(\d+)", text)
            if pm:
                played.append((int(pm.group(1)), int(pm.group(2))))
        out, err = gen.communicate("stop\n", timeout=30)
        h.quit(timeout=30)
    callers = [dict(re.findall(r"([\w-]+)=(\d+)", l)) for l in out.splitlines() if l.startswith("caller ")]
    summary = re.search(r"summary connected=(\d+) receiving=(\d+)", out)
    share = (cpu1 - cpu0) / (t1 - t0) * 100
    print("  hub CPU %.1f%% of one core over %.0f s (goal <= 20%%: %s); memory VmRSS %d kB, VmHWM %d kB" % (
        share, t1 - t0, "met" if share <= 20 else "NOT met", rss, hwm))
    if played:
        frames = [p for _, p in played]
        active = sum(a for a, _ in played)
        playing = sum(1 for p in frames if p > 0)
        sent = [int(c["sent-frames"]) for c in callers] or [0]
        print("  hub's parties: %d (%d active); frames played per caller: min %d, median %d, max %d "
              "(each caller sent about %d); callers whose speech was played: %d of %d (goal all %d: %s)" % (
                  count, active, min(frames), statistics.median(frames), max(frames), statistics.median(sent),
                  playing, HUB_CALLERS, HUB_CALLERS, "met" if playing >= HUB_CALLERS else "NOT met"))
    else:
        print("  hub's parties: %d; no party line with played=" % count)
    if summary:
        received = [int(c["received-frames"]) for c in callers] or [0]
        print("  callers connected %s of %d; callers that received the hub's audio: %s of %d (goal all: %s); "
              "frames received per caller: min %d, median %d" % (
                  summary.group(1), HUB_CALLERS, summary.group(2), HUB_CALLERS,
                  "met" if int(summary.group(2)) >= HUB_CALLERS else "NOT met", min(received),
                  statistics.median(received)))
    else:
        print("  kv_loadgen printed no summary: %s" % err.strip())
    if err.strip():
        print("  kv_loadgen: " + err.strip().replace("\n", "\n  kv_loadgen: "))


def main():
    if os.geteuid() != 0:
        print("lean benchmarks skipped: they need root for network namespaces")
        return 0
    optimised = os.path.join(BUILD, "kestrovox")
    if os.path.exists(optimised):
        os.environ["KV_KESTROVOX"] = optimised
    if not os.path.exists(LOADGEN):
        print("lean benchmarks skipped: %s is not built" % LOADGEN)
        return 0
    print("peer: " + netlab.kestrovox_binary())
    d = tempfile.mkdtemp(prefix="kv_lean_")
    try:
        for part in (control_datagrams, hub):
            try:
                part(d)
            except Exception as e:  # a failed part is reported; the others still run
                print("  FAILED: %s: %s" % (part.__name__, e))
    finally:
        shutil.rmtree(d, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
