#!/usr/bin/env python3
"""CPU of our console peers beside baresip's, on one pinned core (root).

Each run puts three peers of one program in three network namespaces, all
pinned with taskset to the same core: a caller and a callee in a call, and
an idle peer; the call is GSM 6.10 (ours with HD voice off), then Opus (ours:
HD voice, 16 kHz, 24 kbit/s; baresip: its opus module at 24 kbit/s, mono). Every microphone plays the same speech file in real
time (ours: a WAV microphone; baresip: its aufile source), and every speaker
is ALSA's pulse plugin on the null sink "speaker" of a PulseAudio server of
this benchmark's own (ours: --speaker pulse:speaker; baresip: its alsa player
on pulse:speaker). Each program keeps its own defaults otherwise (ours: 4
frames of 40 ms per datagram; baresip: 20 ms packets over RTP), except that
baresip cancels no echo here, so ours is compared with its echo cancellation
and noise suppression off, and measured with them on as well. The runs
alternate: ours, baresip, ours with the processing. Over the same window in each run: CPU seconds per
minute of each peer (/proc/PID/stat), and voluntary context switches per
second of the idle peer, summed over its threads (/proc/PID/task/*/status):
how often it wakes when nothing happens."""

import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "system"))
import audio_files  # noqa: E402
import netlab  # noqa: E402

WINDOW = float(os.environ.get("KV_BARESIP_WINDOW", "20"))
# baresip runs no echo canceller here: ours is compared with its canceller and
# noise suppression off, doing the same work, and measured with them on as well.
PLAIN = ("--echo-cancel", "0", "--noise-suppress", "0")
RUNS = int(os.environ.get("KV_BARESIP_RUNS", "1"))
SETTLE = 2.0
ALSA_CONFIG = "/usr/share/alsa/alsa.conf"


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    """Voluntary context switches of every thread of the process."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        total += int(line.split()[1])
        except OSError:
            pass  # the thread ended meanwhile
    return total


def pin(pid, core):
    subprocess.run(["taskset", "-a", "-c", "-p", str(core), str(pid)], check=True, stdout=subprocess.DEVNULL)


class SoundServer:
    """A PulseAudio server with one null sink "speaker" at 8000 Hz that keeps
    a silent stream of its own (an idle null sink would hold a new stream back
    for up to two seconds), reached through a socket file."""

    def __init__(self, work):
        run = os.path.join(work, "pulse")
        os.makedirs(run)
        socket = os.path.join(run, "native")
        self.env = {"PULSE_SERVER": "unix:" + socket, "PULSE_RUNTIME_PATH": run, "XDG_RUNTIME_DIR": run,
                    "PULSE_COOKIE": os.path.join(run, "cookie"), "ALSA_CONFIG_PATH": ALSA_CONFIG}
        self.processes = []
        self.start("pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                   "--disallow-exit", "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                   "-L", "module-null-sink sink_name=speaker rate=8000 channels=1")
        for _ in range(200):
            if os.path.exists(socket) and subprocess.run(["pactl", "info"], env=self.environ(),
                                                         stdout=subprocess.DEVNULL,
                                                         stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.05)
        else:
            self.close()
            raise RuntimeError("the PulseAudio server did not start")
        with open("/dev/zero", "rb") as zeros:
            self.start("pacat", "--playback", "-d", "speaker", "--rate=8000", "--channels=1", "--format=s16le",
                       "--latency-msec=20", stdin=zeros)

    def environ(self):
        env = dict(os.environ)
        env.update(self.env)
        return env

    def start(self, *argv, stdin=subprocess.DEVNULL):
        self.processes.append(subprocess.Popen(argv, env=self.environ(), stdin=stdin, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))

    def close(self):
        for p in reversed(self.processes):
            netlab.stop(p, signal.SIGKILL)


class Lines:
    """The output lines of a process, read on a thread of their own."""

    def __init__(self, stream):
        self.lines = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            with self.cond:
                self.lines.append(line.rstrip("\n"))
                self.cond.notify_all()

    def wait_for(self, pattern, timeout):
        regex = re.compile(pattern)
        end = time.monotonic() + timeout
        with self.cond:
            while True:
                if any(regex.search(l) for l in self.lines):
                    return True
                left = end - time.monotonic()
                if left <= 0:
                    return False
                self.cond.wait(left)


def measure(pids, idle):
    """CPU seconds per minute of each pid, and the idle pid's wake-ups per second, over the window."""
    cpu0 = {k: cpu_seconds(p) for k, p in pids.items()}
    wake0, t0 = wakeups(pids[idle]), time.monotonic()
    time.sleep(WINDOW)
    cpu1 = {k: cpu_seconds(p) for k, p in pids.items()}
    wake1, t1 = wakeups(pids[idle]), time.monotonic()
    seconds = t1 - t0
    return {k: (cpu1[k] - cpu0[k]) * 60 / seconds for k in pids}, (wake1 - wake0) / seconds


def ours(d, server, speech, core, options=(), codec=0):
    with netlab.Lab(3) as lab:
        peers = {}
        for host, name, extra in ((1, "callee", ["--answer", "accept"]), (2, "idle", []), (0, "caller", [])):
            home = os.path.join(d, "kv-" + name)
            os.makedirs(home, exist_ok=True)
            env = dict(server.env, XDG_CONFIG_HOME=home, KESTROVOX_LOG_DIR=home)
            p = lab.start(host, ["--identity", name, "--mic", speech, "--speaker", "pulse:speaker"] + extra +
                          list(options),
                          env=env, name=name)
            p.expect(r"^ready ")
            pin(p.process.pid, core)
            peers[name] = p
        peers["caller"].send("call " + lab.addresses[1])
        peers["caller"].expect(r"^connected ", timeout=20)
        peers["callee"].expect(r"^connected ", timeout=20)
        peers["caller"].poll_party(r" codec=%d\b" % codec)
        time.sleep(SETTLE)
        pid = {k: p.process.pid for k, p in peers.items()}
        result = measure(pid, "idle")
        if peers["caller"].has(r"^party-left") or peers["callee"].has(r"^party-left"):
            raise RuntimeError("our call ended during the window")
        for p in peers.values():
            p.quit(timeout=20)
    return result


def baresip_config(d, name, address, speech, account, module):
    home = os.path.join(d, "baresip-" + name)
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, "config"), "w") as f:
        f.write("poll_method\tepoll\n"
                "sip_listen\t%s:5060\n"
                "audio_player\talsa,pulse:speaker\n"
                "audio_alert\talsa,pulse:speaker\n"
                "audio_source\taufile,%s\n"
                "statmode_default\toff\n"
                "module_path\t/usr/lib/baresip/modules\n"
                "opus_bitrate\t24000\n"
                "opus_stereo\tno\n"
                "opus_sprop_stereo\tno\n"
                "opus_application\tvoip\n"
                "module\t%s\n"
                "module\talsa.so\n"
                "module\taufile.so\n"
                "module_tmp\taccount.so\n"
                "module_app\tmenu.so\n" % (address, speech, module))
    with open(os.path.join(home, "accounts"), "w") as f:
        f.write(account + "\n")
    open(os.path.join(home, "contacts"), "w").close()
    return home


def baresip(d, server, speech, core, codec="GSM"):
    with netlab.Lab(3) as lab:
        procs, lines = {}, {}
        for host, name in ((1, "callee"), (2, "idle"), (0, "caller")):
            address = lab.addresses[host]
            account = "<sip:%s@%s>;regint=0;audio_codecs=%s%s" % (
                name, address, codec, ";answermode=auto" if name == "callee" else "")
            home = baresip_config(d, name, address, speech, account, "opus.so" if codec == "opus" else "gsm.so")
            argv = ["taskset", "-c", str(core), "baresip", "-f", home]
            if name == "caller":
                argv += ["-e", "/dial sip:callee@%s:5060" % lab.addresses[1]]
            p = lab.spawn(host, argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          env=server.environ(), text=True, errors="replace")
            procs[name], lines[name] = p, Lines(p.stdout)
            if name != "caller":
                time.sleep(0.5)
        for name in ("caller", "callee"):
            if not lines[name].wait_for(r"Call established", 20):
                raise RuntimeError("baresip's call did not connect; %s said:\n    %s" % (
                    name, "\n    ".join(lines[name].lines[-15:])))
        time.sleep(SETTLE)
        pid = {k: p.pid for k, p in procs.items()}
        result = measure(pid, "idle")
        if any(re.search(r"terminated|closed", l) for l in lines["caller"].lines + lines["callee"].lines):
            raise RuntimeError("baresip's call ended during the window")
        for p in procs.values():
            netlab.stop(p, signal.SIGTERM)
    return result


def main():
    if os.geteuid() != 0:
        print("baresip comparison skipped: it needs root for network namespaces")
        return 0
    missing = [t for t in ("pulseaudio", "pacat", "pactl", "taskset") if not shutil.which(t)]
    if missing:
        print("baresip comparison skipped: %s not installed" % ", ".join(missing))
        return 0
    optimised = os.path.join(netlab.ROOT, os.environ.get("KV_BENCH_BUILD", "build/bench"), "kestrovox")
    if os.path.exists(optimised):
        os.environ["KV_KESTROVOX"] = optimised
    have_baresip = shutil.which("baresip") is not None
    core = (os.cpu_count() or 1) - 1
    print("CPU beside baresip: caller, callee (a GSM 6.10 call, then Opus) and an idle peer of each program, all on core %d; "
          "speech from a WAV file, speakers on a PulseAudio null sink; %d s windows, %d runs each, alternating:" % (
              core, WINDOW, RUNS))
    print("  each program at its own packet time: GSM 6.10 ours 4 frames of 40 ms per datagram, baresip 20 ms RTP "
          "packets; Opus 20 ms both")
    if not have_baresip:
        print("  baresip is not installed (package baresip-core; scripts/deps.sh tries to install it): "
              "only our peers are measured")
    d = tempfile.mkdtemp(prefix="kv_baresip_")
    server = None
    results = {"ours": [], "ours+echo": [], "baresip": [], "ours-opus": [], "baresip-opus": [], "ours-opus+echo": []}
    gsm = ("--hd-voice", "0")
    try:
        try:
            server = SoundServer(d)
        except Exception as e:
            print("  FAILED: %s" % e)
            return 0
        speech = audio_files.write(os.path.join(d, "speech.wav"),
                                   (audio_files.read(audio_files.SPEECH) + audio_files.silence(0.3)) * 14)
        # baresip's file source plays at the codec's rate: the same speech at Opus's 48 kHz for it.
        speech48k = os.path.join(d, "speech48k.wav")
        subprocess.run(["sox", speech, "-r", "48000", speech48k], check=True)
        for run in range(RUNS):
            for kind, label, fn in (
                    ("ours", "KestroVox GSM 6.10", lambda *a: ours(*a, options=PLAIN + gsm)),
                    ("baresip", "baresip GSM 6.10", baresip),
                    ("ours+echo", "KestroVox GSM 6.10, echo cancellation and noise suppression on",
                     lambda *a: ours(*a, options=gsm)),
                    ("ours-opus", "KestroVox Opus", lambda *a: ours(*a, options=PLAIN, codec=2)),
                    ("baresip-opus", "baresip Opus", lambda d_, server_, speech_, core_: baresip(
                        d_, server_, speech48k, core_, codec="opus")),
                    ("ours-opus+echo", "KestroVox Opus, echo cancellation and noise suppression on",
                     lambda *a: ours(*a, codec=2))):
                if kind.startswith("baresip") and not have_baresip:
                    continue
                try:
                    cpu, wake = fn(d, server, speech, core)
                    results[kind].append((cpu, wake))
                    print("  run %d, %s: caller %.2f, callee %.2f, idle %.3f CPU s/min; idle wakes %.1f/s" % (
                        run + 1, label, cpu["caller"], cpu["callee"], cpu["idle"], wake))
                except Exception as e:
                    print("  run %d, %s: FAILED: %s" % (run + 1, kind, e))
    finally:
        if server:
            server.close()
        shutil.rmtree(d, ignore_errors=True)

    def summary(kind):
        rows = results[kind]
        call = statistics.mean((c["caller"] + c["callee"]) / 2 for c, _ in rows)
        idle = statistics.mean(c["idle"] for c, _ in rows)
        wake = statistics.mean(w for _, w in rows)
        return call, idle, wake

    if results["ours"]:
        call, idle, wake = summary("ours")
        print("  KestroVox: %.2f CPU s/min per peer in the call (goal <= 0.6: %s), idle %.3f s/min (goal <= 0.05: "
              "%s), idle wakes %.1f/s (goal <= 2: %s)" % (call, "met" if call <= 0.6 else "NOT met", idle,
                                                         "met" if idle <= 0.05 else "NOT met", wake,
                                                         "met" if wake <= 2 else "NOT met"))
        if results["baresip"]:
            bcall, bidle, bwake = summary("baresip")
            ratio = call / bcall if bcall else float("inf")
            print("  baresip:   %.2f CPU s/min per peer in the call, idle %.3f s/min, idle wakes %.1f/s" % (
                bcall, bidle, bwake))
            print("  KestroVox / baresip in the call: %.2f (goal <= 0.5: %s); idle: %s" % (
                ratio, "met" if ratio <= 0.5 else "NOT met",
                "%.2f" % (idle / bidle) if bidle else "baresip idle used no measurable CPU"))
        elif have_baresip:
            print("  no baresip run succeeded: no ratio")
    if results["ours-opus"]:
        call, idle, _ = summary("ours-opus")
        print("  KestroVox Opus: %.2f CPU s/min per peer in the call, %.2f times its GSM 6.10 call" % (
            call, call / summary("ours")[0] if results["ours"] else float("nan")))
        if results["baresip-opus"]:
            bcall, _, _ = summary("baresip-opus")
            ratio = call / bcall if bcall else float("inf")
            print("  baresip Opus: %.2f CPU s/min per peer in the call; KestroVox / baresip in an Opus call: %.2f "
                  "(goal <= 0.5: %s)" % (bcall, ratio, "met" if ratio <= 0.5 else "NOT met"))
        if results["ours-opus+echo"]:
            print("  KestroVox Opus with echo cancellation and noise suppression on: %.2f CPU s/min per peer" %
                  summary("ours-opus+echo")[0])
    if results["ours+echo"] and results["ours"]:
        echo_call, _, _ = summary("ours+echo")
        call, _, _ = summary("ours")
        print("  KestroVox with echo cancellation and noise suppression on (its defaults): %.2f CPU s/min per peer "
              "in the call, %+.2f s/min for the processing%s" % (
                  echo_call, echo_call - call,
                  "; %.2f of baresip's (which cancels no echo here)" % (echo_call / summary("baresip")[0])
                  if results["baresip"] else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
