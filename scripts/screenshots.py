#!/usr/bin/env python3
"""Screenshots of KestroVox.exe for the README, taken under Wine on a virtual
screen with the machinery of the Windows system test (tests/system): a Wine
prefix, a PulseAudio server and an Xvfb screen of its own in a network
namespace, and console peers "Bob" and "Carol" in two more namespaces.
Usage: screenshots.py WINDOWS_BUILD_DIR KESTROVOX_BINARY OUTPUT_DIR. Needs root."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "system"))
import audio_files  # noqa: E402
import test_windows  # noqa: E402
from netlab import Lab, stop  # noqa: E402

SETTINGS = r"HKCU\Software\Kestrovox"


class Cleanups:
    """What the system test's unittest.TestCase offers WineHost: cleanups, run last first."""

    def __init__(self):
        self.actions = []

    def addCleanup(self, action, *args):
        self.actions.append((action, args))

    def run(self):
        for action, args in reversed(self.actions):
            try:
                action(*args)
            except Exception as e:  # one failed cleanup must not keep the others from running
                print("cleanup: %s" % e, file=sys.stderr)


class Shooter:
    def __init__(self, windows, kestrovox, out, work, cleanups):
        os.environ["KV_KESTROVOX"] = kestrovox
        test_windows.WINDOWS = windows
        if not os.path.exists(test_windows.BASE_PREFIX):  # no prefix from scripts/test.sh: a fresh one
            test_windows.BASE_PREFIX = os.path.join(work, "base-prefix")
            env = dict(os.environ, WINEPREFIX=test_windows.BASE_PREFIX, WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
            for args in (["wine", "wineboot", "-i"], ["wineserver", "-w"]):
                subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, check=True, timeout=300)
        self.out, self.work, self.cleanups = out, work, cleanups
        self.lab = Lab(3)
        cleanups.addCleanup(self.lab.close)
        self.win = test_windows.WineHost(cleanups, self.lab.hosts[0], os.path.join(work, "win"))
        # Wine's own fonts (MS Sans Serif, and Marlett for the caption buttons)
        # come with the package fonts-wine; without it, from KV_WINE_FONTS.
        fonts = os.environ.get("KV_WINE_FONTS")
        if not fonts and not os.path.isdir("/usr/share/wine/fonts"):
            print("note: without the package fonts-wine (or KV_WINE_FONTS) Wine draws other fonts", file=sys.stderr)
        if fonts:
            for name in os.listdir(fonts):
                shutil.copy(os.path.join(fonts, name), os.path.join(self.win.prefix, "drive_c", "windows", "Fonts"))
        self.reg(SETTINGS, "Identity", "REG_SZ", "Ann")
        self.reg(SETTINGS, "WindowPos", "REG_SZ", "0,0")
        # Speech for everybody's microphone, long enough for the whole visit.
        self.speech = audio_files.write(os.path.join(work, "speech.wav"), audio_files.speech(0.5) * 12)
        self.voice2 = audio_files.write(os.path.join(work, "voice2.wav"), audio_files.speech(0.2, reverse=True) * 12)
        self.program = None

    def reg(self, key, name, kind, value):
        self.win.run("wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def dial(self, *args):
        """kv_dial.exe with its output in a file (a pipe may be held open by Wine)."""
        path = os.path.join(self.work, "dial.out")
        with open(path, "w") as f:
            code = subprocess.run(self.win.command("wine", "tests/kv_dial.exe", *args), stdin=subprocess.DEVNULL,
                                  stdout=f, stderr=subprocess.DEVNULL, cwd=test_windows.WINDOWS, timeout=120).returncode
        if code != 0:
            raise RuntimeError("kv_dial.exe %s failed (%d)" % (" ".join(args), code))
        with open(path) as f:
            return f.read().split()

    def start(self):
        self.program = self.win.start("wine", "KestroVox.exe")
        self.cleanups.addCleanup(stop, self.program, signal.SIGKILL)
        deadline = time.monotonic() + 120
        while not self.win.listening():
            if time.monotonic() > deadline or self.program.poll() is not None:
                raise RuntimeError("KestroVox.exe did not start")
            time.sleep(0.2)
        self.dial("--ready")

    def close(self):
        self.dial("--close")
        self.program.wait(timeout=60)

    def peer(self, host, name, mic, *args):
        home = os.path.join(self.work, name)
        os.makedirs(home, exist_ok=True)
        p = self.lab.start(host, ["--identity", name, "--mic", mic, "--speaker", os.path.join(home, "heard.wav")]
                           + list(args), env={"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}, name=name)
        p.expect(r"^ready ")
        return p

    def frame(self, x, y, w, h):
        """One frame of the screen's rectangle as rgb24 bytes."""
        return subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size", "%dx%d" % (w, h),
                               "-i", "%s+%d,%d" % (self.win.display, x, y), "-frames:v", "1", "-f", "rawvideo",
                               "-pix_fmt", "rgb24", "-"], check=True, capture_output=True).stdout

    def shoot(self, name, title, frames=1):
        """Saves the window captioned `title` as NAME.png; of several frames
        the one with the most coloured pixels (the fullest level meters)."""
        x, y, w, h = (int(v) for v in self.dial("--rect", title))
        x, y = max(x, 0), max(y, 0)
        w, h = min(w, 1024 - x), min(h, 768 - y)
        best = None
        for i in range(frames):
            if i:
                time.sleep(0.3)
            data = self.frame(x, y, w, h)
            colour = sum(1 for i in range(0, len(data), 3) if max(data[i:i + 3]) - min(data[i:i + 3]) > 60)
            if best is None or colour > best[0]:
                best = (colour, data)
        data = best[1]
        if len(set(data[i:i + 3] for i in range(0, len(data), 3))) < 4:
            raise RuntimeError("%s: the window %r looks blank" % (name, title))
        path = os.path.join(self.out, name + ".png")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size",
                        "%dx%d" % (w, h), "-i", "-", "-frames:v", "1", path], input=data, check=True)
        print("%s: %dx%d, %d bytes" % (path, w, h, os.path.getsize(path)))

    def run(self):
        self.reg(SETTINGS, "Autoanswer", "REG_DWORD", "2")  # accept
        self.start()
        self.dial("--show")
        self.shoot("main-idle", "KestroVox v1.30")
        self.dial("--settings")
        self.shoot("settings", "KestroVox Settings")
        self.dial("--dismiss", "KestroVox Settings")

        # Bob and Carol call Ann; the program accepts both by itself. All talk.
        mic = self.win.start("paplay", "-d", "mic", self.speech)
        self.cleanups.addCleanup(stop, mic, signal.SIGKILL)
        ann = self.lab.addresses[0]
        bob = self.peer(1, "Bob", self.voice2, "--call", ann)
        bob.expect(r"^connected ", timeout=30)
        carol = self.peer(2, "Carol", self.speech, "--call", ann)
        carol.expect(r"^connected ", timeout=30)
        for p in (bob, carol):
            p.poll_party(r"^party index=0 ", timeout=30)
        time.sleep(1.5)  # the meters move once speech flows
        self.shoot("main-call", "KestroVox v1.30", frames=8)

        lines = ["Hi Ann, Bob here. Can you hear me?", "Loud and clear, Bob!", "Shall we go through the plan?"]
        for p, line in zip((bob, carol, bob), lines):
            p.send("chat " + line)
            self.dial("--lines", str(lines.index(line) + 1))
        self.shoot("chat", "Chat")
        for p in (bob, carol):
            p.quit(timeout=30)
        stop(mic, signal.SIGKILL)
        self.close()

        # Asked before accepting: the incoming-call dialog.
        self.reg(SETTINGS, "Autoanswer", "REG_DWORD", "0")
        self.start()
        bob = self.peer(1, "Bob", self.voice2, "--call", ann)
        self.shoot("incoming-call", "Incoming call")
        self.dial("--dismiss", "Incoming call")
        bob.quit(timeout=30)
        self.close()


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    windows, kestrovox, out = (os.path.abspath(a) for a in sys.argv[1:])
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="kv_screenshots_")
    cleanups = Cleanups()
    shooter = None
    try:
        shooter = Shooter(windows, kestrovox, out, work, cleanups)
        shooter.run()
    except Exception:
        for peer in shooter.lab.peers if shooter else []:  # what the callers saw
            print("--- %s:\n%s" % (peer.name, "\n".join(line for _, line in peer.lines[-30:])), file=sys.stderr)
        raise
    finally:
        cleanups.run()
        if os.environ.get("KV_KEEP"):
            print("files kept in " + work)
        else:
            shutil.rmtree(work, True)


if __name__ == "__main__":
    main()
