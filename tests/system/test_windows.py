#!/usr/bin/env python3
"""System test of the Windows program: KestroVox.exe under Wine, in a Wine
prefix and a network namespace of its own, with "Identity" and "Autoanswer" 2
(Accept) preset in its registry and real-time sound through a PulseAudio
server with two null sinks (Wine plays into "speaker", records from the
monitor of "mic"). A console peer in another namespace calls it, both carry
speech, then the Windows program calls the console peer; and the same call on
Truespeech. Set to "ask" instead, the program takes a ring flood from many
addresses, after which its one incoming-call dialog asks about a console
peer's call and accepts it. With "Privacy" 1, the console peer's private
call shows the same short authentication string on both sides, and the
program marks the party private. Needs root."""

import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_files  # noqa: E402
from netlab import Lab, ROOT, stop  # noqa: E402

WINDOWS = os.path.join(ROOT, "build", "windows")
BASE_PREFIX = os.path.join(ROOT, "build", "wineprefix")
WAVTOOL = os.path.join(ROOT, "build", "native", "tests", "kv_wavtool")
MIN_SNR_DB = 3.0
QUALITY = os.path.join(ROOT, "build", "native", "bench", "kv_wideband_quality")
# An HD call must carry the program's speech above 4 kHz: at least this share
# of its energy there arrives (GSM 6.10 and Truespeech carry none).
MIN_HIGH_BAND = 30.0


def available():
    if os.geteuid() != 0:
        return "the system tests need root for network namespaces"
    for tool in ("wine", "wineserver", "pulseaudio", "parec", "paplay", "Xvfb"):
        if not shutil.which(tool):
            return "%s is not installed" % tool
    for path in (os.path.join(WINDOWS, "KestroVox.exe"), os.path.join(WINDOWS, "tests", "kv_dial.exe"), BASE_PREFIX):
        if not os.path.exists(path):
            return "%s is missing (run scripts/test.sh)" % path
    return None


def snr(reference, received):
    """(SNR, pieces missing, largest jump of lag) of the speech in 160 ms
    pieces, each aligned on its own within 300 ms: on a busy machine a
    playout that runs dry starts again a little later each time, which
    moves the rest of the speech by some tens of milliseconds."""
    out = subprocess.run([WAVTOOL, "pieces", reference, received, "4", "300"], check=True, capture_output=True,
                         text=True).stdout
    m = re.search(r"missing=(\d+) snr=([-\d.]+) segsnr=\S+ lag=\S+ jump=(\d+)", out)
    return float(m.group(2)), int(m.group(1)), int(m.group(3))


# A helper run under Wine beside the program: the program's top-level windows
# captioned "Incoming call" (shown or not), as "dialogs=N shown=M", then one
# "question=TEXT" line per dialog (its line feed as \\n); with --accept it
# presses Yes on the dialog when there is exactly one (exit code 1 otherwise).
QUESTIONS_SOURCE = r"""
#include <windows.h>
#include <stdio.h>
#include <string.h>

struct Found {
    DWORD process;
    HWND windows[256];
    int count;
};

static BOOL CALLBACK Collect(HWND window, LPARAM param) {
    struct Found* found = (struct Found*)param;
    DWORD process = 0;
    char caption[64] = "";
    GetWindowThreadProcessId(window, &process);
    if (process != found->process) return TRUE;
    GetWindowTextA(window, caption, sizeof caption);
    if (strcmp(caption, "Incoming call") == 0 && found->count < 256) found->windows[found->count++] = window;
    return TRUE;
}

int main(int argc, char** argv) {
    struct Found found;
    int shown = 0;
    HWND main = FindWindowA("KestroVox", NULL);
    if (!main) return 2;
    memset(&found, 0, sizeof found);
    GetWindowThreadProcessId(main, &found.process);
    EnumWindows(Collect, (LPARAM)&found);
    for (int i = 0; i < found.count; ++i) shown += IsWindowVisible(found.windows[i]) ? 1 : 0;
    printf("dialogs=%d shown=%d\n", found.count, shown);
    for (int i = 0; i < found.count; ++i) {
        char text[400] = "";
        SendMessageTimeoutA(GetDlgItem(found.windows[i], 1027), WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL,
                            10000, NULL);
        printf("question=");
        for (const char* c = text; *c; ++c) {
            if (*c == '\n') printf("\\n");
            else putchar(*c);
        }
        putchar('\n');
    }
    if (argc > 1 && strcmp(argv[1], "--accept") == 0) {
        if (found.count != 1) return 1;
        PostMessageA(found.windows[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     (LPARAM)GetDlgItem(found.windows[0], IDOK));
    }
    return 0;
}
"""

# A helper run under Wine beside the program: what its main dialog shows of
# privacy, as "line=TEXT" (the privacy line under the status) and one
# "party=LINE" per line of the party list; and, while its settings dialog is
# open, "key=TEXT", the fingerprint of its own key shown there.
PRIVACY_SOURCE = r"""
#include <windows.h>
#include <stdio.h>

static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    if (GetDlgItem(window, 1002) && GetDlgItem(window, 1000)) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

int main(void) {
    HWND main = FindWindowA("KestroVox", NULL), dialog = NULL, list, settings;
    char text[400] = "";
    LRESULT count;
    if (!main) return 2;
    settings = FindWindowA("#32770", "KestroVox Settings");
    if (settings) {
        SendMessageTimeoutA(GetDlgItem(settings, 1033), WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 10000,
                            NULL);
        printf("key=%s\n", text);
    }
    EnumChildWindows(main, FindDialog, (LPARAM)&dialog);
    if (!dialog) return 2;
    SendMessageTimeoutA(GetDlgItem(dialog, 1030), WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 10000, NULL);
    printf("line=%s\n", text);
    list = GetDlgItem(dialog, 1024);
    count = 0;
    SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, (PDWORD_PTR)&count);
    /* In wide characters: Wine hands another process's ANSI list text over cut short. */
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR wide[400] = L"";
        LRESULT length = 0;
        text[0] = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, (WPARAM)i, 0, SMTO_NORMAL, 10000, (PDWORD_PTR)&length);
        if (length >= 0 && length < 400) {
            SendMessageTimeoutW(list, LB_GETTEXT, (WPARAM)i, (LPARAM)wide, SMTO_NORMAL, 10000, NULL);
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
        }
        printf("party=%s\n", text);
    }
    return 0;
}
"""

# The ring flood, run in a host's namespace: call requests (0x80, codec 0, an
# identity, NUL), each followed by a one-byte Leave from the same socket, at
# RATE a second for SECONDS, from one socket bound to each ADDRESS in turn;
# then one more Leave from each, so that no ring of the flood outlasts it
# should a Leave have been lost. Prints the number of requests sent.
RING_FLOOD = r"""
import socket, sys, time
target, rate, seconds = (sys.argv[1], 11676), int(sys.argv[2]), float(sys.argv[3])
sources = []
for i, address in enumerate(sys.argv[4:]):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((address, 0))
    sources.append((s, b"\x80\x00" + ("Ringer %d" % i).encode() + b"\x00"))
total, sent, start = int(rate * seconds), 0, time.monotonic()
while sent < total:
    due = min(total, int((time.monotonic() - start) * rate) + 1)
    while sent < due:
        s, request = sources[sent % len(sources)]
        s.sendto(request, target)
        s.sendto(b"\x82", target)
        sent += 1
    time.sleep(0.001)
for s, _ in sources:
    s.sendto(b"\x82", target)
print(sent, "%.2f" % (time.monotonic() - start))
"""
MINGW_CC = "x86_64-w64-mingw32-gcc"


def stolen_seconds():
    """CPU time the virtual machine's host has taken from all its CPUs (0 on bare metal)."""
    with open("/proc/stat") as f:
        fields = f.readline().split()
    return int(fields[8]) / os.sysconf("SC_CLK_TCK") if len(fields) > 8 else 0.0


class WineHost:
    """KestroVox.exe's machine: a prefix, a PulseAudio server and a virtual screen."""

    def __init__(self, test, netns, work):
        self.netns = netns
        self.work = work
        os.makedirs(work)
        self.prefix = os.path.join(work, "prefix")
        subprocess.run(["cp", "-a", BASE_PREFIX, self.prefix], check=True)
        self.pulse_socket = os.path.join(work, "pulse", "native")
        os.makedirs(os.path.dirname(self.pulse_socket))
        self.display = self._start_screen(test)
        self.env = {"WINEPREFIX": self.prefix, "WINEDEBUG": "-all", "HOME": work,
                    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d", "DISPLAY": self.display,
                    "PULSE_SERVER": "unix:" + self.pulse_socket, "PULSE_RUNTIME_PATH": os.path.join(work, "pulse"),
                    "XDG_RUNTIME_DIR": os.path.join(work, "pulse")}
        self._start_pulse(test)
        self.run("wineserver", "-p")
        test.addCleanup(lambda: self.run("wineserver", "-k", check=False))
        for key, name, kind, value in (
                (r"HKCU\Software\Kestrovox", "Identity", "REG_SZ", "Win"),
                (r"HKCU\Software\Kestrovox", "Autoanswer", "REG_DWORD", "2"),
                (r"HKCU\Software\Wine\Drivers", "Audio", "REG_SZ", "pulse"),
                (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")):
            self.run("wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def command(self, *args):
        env = ["env"] + ["%s=%s" % kv for kv in self.env.items()]
        return ["ip", "netns", "exec", self.netns] + env + list(args)

    def run(self, *args, check=True, timeout=60):
        return subprocess.run(self.command(*args), check=check, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout, cwd=WINDOWS)

    def start(self, *args, **kw):
        return subprocess.Popen(self.command(*args), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, cwd=WINDOWS, **kw)

    def _start_screen(self, test):
        for n in range(91, 120):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                screen = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                test.addCleanup(stop, screen)
                for _ in range(100):
                    if os.path.exists("/tmp/.X11-unix/X%d" % n):
                        return ":%d" % n
                    time.sleep(0.05)
                raise RuntimeError("Xvfb did not start")
        raise RuntimeError("no free display")

    def _start_pulse(self, test):
        pulse = self.start("pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                           "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + self.pulse_socket,
                           "-L", "module-null-sink sink_name=speaker rate=16000 channels=1",
                           "-L", "module-null-sink sink_name=mic rate=16000 channels=1",
                           "-L", "module-always-sink")
        test.addCleanup(stop, pulse)
        for _ in range(100):
            if os.path.exists(self.pulse_socket):
                break
            time.sleep(0.05)
        self.run("pactl", "set-default-sink", "speaker")
        self.run("pactl", "set-default-source", "mic.monitor")

    def listening(self):
        out = subprocess.run(["ip", "netns", "exec", self.netns, "ss", "-uln"], capture_output=True, text=True).stdout
        return ":11676" in out


@unittest.skipIf(available(), available())
class WindowsProgram(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_windows_")
        if os.environ.get("KV_KEEP"):
            print("\n  files kept in " + self.dir, end="")
        else:
            self.addCleanup(shutil.rmtree, self.dir, True)
        self.lab = Lab(2, ["46", "46"])
        self.addCleanup(self.lab.close)
        self.win = WineHost(self, self.lab.hosts[0], os.path.join(self.dir, "win"))

    def path(self, name):
        return os.path.join(self.dir, name)

    def console(self, *args, mic, speaker, name="Con", home=None):
        home = home or self.path(name)
        os.makedirs(home, exist_ok=True)
        # Without concealment: what bridges a gap would be measured as noise.
        p = self.lab.start(1, ["--identity", name, "--mic", mic, "--speaker", speaker, "--conceal", "0"] + list(args),
                           env={"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}, name=name)
        p.expect(r"^ready ")
        return p

    def start_program(self):
        program = self.win.start("wine", "KestroVox.exe")
        self.addCleanup(stop, program, signal.SIGKILL)
        deadline = time.monotonic() + 60
        while not self.win.listening():
            self.assertLess(time.monotonic(), deadline, "KestroVox.exe did not bind port 11676")
            self.assertIsNone(program.poll(), "KestroVox.exe ended early")
            time.sleep(0.2)
        # The port is bound before the settings are loaded: wait for the dialog to be up.
        self.win.run("wine", "tests/kv_dial.exe", "--ready")
        return program

    def called_and_both_talk(self, codec=0, *args):
        """The console peer calls (with args); the program accepts by itself.
        Both talk, and the console peer hears the program's voice in `codec`;
        for Opus (2), wideband speech, whose band above 4 kHz must arrive. A call
        whose speech is poor is made once more: when the machine's host
        takes much of its CPU time (steal), Wine's PulseAudio driver, which
        moves its stream on a clock of its own, garbles what it plays; the
        same call is clean when the machine is not starved. Both calls'
        figures are printed."""
        for attempt in (1, 2):
            poor = self.one_call(codec, *args)
            if not poor:
                return
            if attempt == 1:
                print("\n  (speech %s below %.0f dB: the call once more)" % (", ".join(poor), MIN_SNR_DB), end="")
        self.fail("speech %s below %.0f dB in two calls" % (", ".join(poor), MIN_SNR_DB))

    def one_call(self, codec, *args):
        """One call of called_and_both_talk; returns the ways whose speech was poor."""
        # Wine takes about a second to start recording: the speech starts after that.
        hd = codec == 2
        rate = 16000 if hd else audio_files.RATE
        win_says = audio_files.write(self.path("win-says.wav"), audio_files.speech(2.0, wideband=hd), rate)
        con_says = audio_files.write(self.path("con-says.wav"), audio_files.speech(1.5, reverse=True, wideband=hd),
                                     rate)
        heard_by_win = self.path("heard-by-win.wav")
        raw = open(self.path("heard-by-win.raw"), "wb")
        self.addCleanup(raw.close)
        recorder = subprocess.Popen(self.win.command("parec", "-d", "speaker.monitor", "--rate=%d" % rate,
                                                     "--channels=1", "--format=s16le", "--latency-msec=20"),
                                    stdin=subprocess.DEVNULL, stdout=raw, stderr=subprocess.DEVNULL)
        self.addCleanup(stop, recorder, signal.SIGKILL)
        steal = stolen_seconds()
        con = self.console("--call", self.lab.addresses[0], "--hangup-after", "14" if hd else "10",
                           "--codec", str(min(codec, 1)), *args, mic=con_says, speaker=self.path("heard-by-con.wav"))
        con.expect(r'^connected name="Win" address=%s:11676 direction=outgoing' % re.escape(self.lab.addresses[0]),
                   timeout=15)
        speaker = self.win.start("paplay", "-d", "mic", win_says)
        self.addCleanup(stop, speaker, signal.SIGKILL)
        con.poll_party(r" codec=%d\b" % codec)
        self.assertEqual(con.wait(timeout=30), 0)
        steal = stolen_seconds() - steal
        stop(recorder, signal.SIGINT)
        raw.close()
        with open(self.path("heard-by-win.raw"), "rb") as f:
            data = f.read()
        audio_files.write(heard_by_win, list(struct.unpack("<%dh" % (len(data) // 2), data[:len(data) // 2 * 2])),
                          rate)
        poor = []
        if hd:
            out = subprocess.run([QUALITY, "compare", win_says, self.path("heard-by-con.wav"), "4000"], check=True,
                                 capture_output=True, text=True).stdout
            m = re.search(r"snr=(\S+) lsd=(\S+) hb=(\S+)", out)
            print("\n  the program's speech in HD: SNR %s dB, log-spectral distance %s dB, %s%% of the energy "
                  "above 4 kHz" % m.groups(), end="")
            if float(m.group(3)) < MIN_HIGH_BAND:
                poor.append("Windows to console above 4 kHz")
        for said, heard, way in ((con_says, heard_by_win, "console to Windows"),
                                 (win_says, self.path("heard-by-con.wav"), "Windows to console")):
            db, missing, jump = snr(said, heard)
            print("\n  speech %s, codec %d: SNR %.2f dB, %d pieces missing, lag moved by up to %d samples" % (
                way, codec, db, missing, jump), end="")
            if db < MIN_SNR_DB:
                poor.append(way)
        print("\n  CPU time taken by the host during the call (steal): %.1f s" % steal, end="")
        return poor

    def test_called_by_the_console_peer_then_calling_it(self):
        program = self.start_program()
        # Both private with HD voice on (the defaults): Opus both ways.
        self.called_and_both_talk(2)

        # The program calls the console peer, which accepts: the same user
        # again (its key is the one the program remembers at that address).
        con2 = self.console("--answer", "accept", mic=self.path("heard-by-win.wav"),
                            speaker=self.path("heard2.wav"), name="Con2", home=self.path("Con"))
        self.win.run("wine", "tests/kv_dial.exe", self.lab.addresses[1])
        con2.expect(r'^connected name="Win" address=%s:11676 direction=incoming' % re.escape(self.lab.addresses[0]),
                    timeout=15)
        self.win.run("wine", "tests/kv_dial.exe", "--hangup")
        con2.expect(r'^party-left name="Win" .*reason=hung-up', timeout=10)
        self.assertEqual(con2.quit(), 0)

        # "&Close" from the tray menu ends the program with exit code 0.
        self.win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)


    def test_truespeech_with_the_console_peer(self):
        # Wine has no Truespeech driver: the program's own codec carries it.
        self.win.run("wine", "reg", "add", r"HKCU\Software\Kestrovox", "/v", "Codec", "/t", "REG_DWORD", "/d", "1", "/f")
        program = self.start_program()
        self.called_and_both_talk(1, "--hd-voice", "0")
        self.win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)

    @unittest.skipUnless(shutil.which(MINGW_CC), MINGW_CC + " is not installed")
    def test_private_call_shows_the_same_digits_on_both_sides(self):
        """"Privacy" 1 in the program's registry; the console peer calls with
        --privacy 1. The call is private on both sides: the console peer's
        connected line carries the short authentication string, and the
        program's privacy line shows the same six digits, its party list the
        party as private, and the key the console peer saw is the one the
        program's settings show as its own."""
        helper = self.privacy_helper()
        self.win.run("wine", "reg", "add", r"HKCU\Software\Kestrovox", "/v", "Privacy", "/t", "REG_DWORD", "/d",
                     "1", "/f")
        program = self.start_program()
        con = self.console("--privacy", "1", "--call", self.lab.addresses[0],
                           mic=audio_files.write(self.path("con-private.wav"), audio_files.speech(1.0)),
                           speaker=self.path("heard-private.wav"))
        m = con.expect(r'^connected name="Win" address=%s:11676 direction=outgoing private=1 sas=(\d{6}) key=(\S+)'
                       % re.escape(self.lab.addresses[0]), timeout=20)
        sas, key = m.group(1), m.group(2)
        line = "Con: %s %s (not verified)" % (sas[:3], sas[3:])
        party = "[private, HD] Con (%s)" % self.lab.addresses[1]

        def shown():
            return self.shown(helper)

        deadline = time.monotonic() + 30
        while True:
            out = shown()
            lines, parties = re.findall(r"^line=(.*)$", out, re.M), re.findall(r"^party=(.*)$", out, re.M)
            if lines == [line] and parties == [party]:
                break
            self.assertLess(time.monotonic(), deadline, "the program shows %r and %r, not %r and %r" % (
                lines, parties, line, party))
        self.win.run("wine", "tests/kv_dial.exe", "--settings")
        deadline = time.monotonic() + 30
        while True:
            own = re.findall(r"^key=(.*)$", shown(), re.M)
            if own and own[0]:
                break
            self.assertLess(time.monotonic(), deadline, "no settings dialog with the program's key")
        self.assertEqual(own[0].replace(" ", ""), key)
        self.assertEqual(self.win.run("wine", "tests/kv_dial.exe", "--dismiss", "KestroVox Settings").returncode, 0)
        print("\n  private call: the console peer and the program both show %s %s; the program's key %s" % (
            sas[:3], sas[3:], own[0]), end="")
        self.assertEqual(con.quit(), 0)
        self.win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)

    def privacy_helper(self):
        """Builds the helper that reads the program's privacy line, party list and key."""
        helper = self.path("privacy.exe")
        source = self.path("privacy.c")
        with open(source, "w") as f:
            f.write(PRIVACY_SOURCE)
        subprocess.run([MINGW_CC, "-O2", "-Wall", "-Werror", "-o", helper, source, "-luser32"], check=True)
        return helper

    def shown(self, helper):
        return subprocess.run(self.win.command("wine", helper), check=False, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60, cwd=WINDOWS).stdout

    @unittest.skipUnless(shutil.which(MINGW_CC), MINGW_CC + " is not installed")
    def test_calls_at_ipv6_addresses(self):
        """The console peer calls the program at its IPv6 address, and the
        program calls the console peer at its own: the party list and the
        address history show the IPv6 addresses."""
        helper = self.privacy_helper()
        program = self.start_program()
        win6, con6 = self.lab.addresses6
        silence = audio_files.write(self.path("silence6.wav"), audio_files.silence(20))
        con = self.console("--call", win6, mic=silence, speaker=self.path("heard6.wav"))
        con.expect(r'^connected name="Win" address=%s direction=outgoing private=1' % re.escape("[%s]:11676" % win6),
                   timeout=20)
        party = "[private, HD] Con (%s)" % con6
        deadline = time.monotonic() + 30
        while party not in re.findall(r"^party=(.*)$", self.shown(helper), re.M):
            self.assertLess(time.monotonic(), deadline, "the party list never showed %r" % party)
        self.assertEqual(con.quit(), 0)
        con2 = self.console("--answer", "accept", mic=silence, speaker=self.path("heard6b.wav"), name="Con2",
                            home=self.path("Con"))
        self.win.run("wine", "tests/kv_dial.exe", con6)
        con2.expect(r'^connected name="Win" address=%s direction=incoming private=1' %
                    re.escape("[%s]:11676" % win6), timeout=15)
        history = subprocess.run(self.win.command("wine", "reg", "query", r"HKCU\Software\Kestrovox", "/v", "Address1"),
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60, cwd=WINDOWS).stdout
        self.assertIn(con6, history)
        print("\n  over IPv6: the program listed %s and kept %s in its address history" % (party, con6), end="")
        self.win.run("wine", "tests/kv_dial.exe", "--hangup")
        con2.expect(r'^party-left name="Win" .*reason=hung-up', timeout=10)
        self.assertEqual(con2.quit(), 0)
        self.win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)

    def questions(self, helper, *args):
        """(dialogs, shown, questions) of the program's incoming-call dialogs, as the helper sees them."""
        out = subprocess.run(self.win.command("wine", helper, *args), check=False, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=60, cwd=WINDOWS).stdout
        m = re.search(r"^dialogs=(\d+) shown=(\d+)$", out, re.M)
        self.assertIsNotNone(m, "the helper found no program: %r" % out)
        return int(m.group(1)), int(m.group(2)), re.findall(r"^question=(.*)$", out, re.M)

    @unittest.skipUnless(shutil.which(MINGW_CC), MINGW_CC + " is not installed")
    def test_ring_flood_leaves_one_question_for_the_genuine_caller(self):
        """Call requests from 50 addresses at 1,000 a second, each withdrawn
        at once, at the program in "ask" mode; then the console peer calls.
        At no time is there more than one incoming-call dialog; the one left
        asks about the console peer's call, and its Yes connects it."""
        helper = self.path("questions.exe")
        source = self.path("questions.c")
        with open(source, "w") as f:
            f.write(QUESTIONS_SOURCE)
        subprocess.run([MINGW_CC, "-O2", "-Wall", "-Werror", "-o", helper, source, "-luser32"], check=True)
        self.win.run("wine", "reg", "add", r"HKCU\Software\Kestrovox", "/v", "Autoanswer", "/t", "REG_DWORD", "/d",
                     "0", "/f")
        program = self.start_program()

        # 50 more addresses on the console peer's host, each a source of the flood.
        prefix = self.lab.addresses[1].rsplit(".", 1)[0]
        sources = ["%s.%d" % (prefix, 100 + i) for i in range(50)]
        subprocess.run(["ip", "-n", self.lab.hosts[1], "-batch", "-"], check=True, text=True,
                       input="".join("addr add %s/24 dev eth0\n" % a for a in sources))
        flood = self.lab.spawn(1, [sys.executable, "-c", RING_FLOOD, self.lab.addresses[0], "1000", "3"] + sources,
                               stdout=subprocess.PIPE, text=True)
        most, looks = 0, 0
        while flood.poll() is None:
            most = max(most, self.questions(helper)[0])
            looks += 1
        sent, took = flood.communicate(timeout=30)[0].split()
        self.assertEqual(flood.returncode, 0)
        # Each ring of the flood was withdrawn: its dialog goes with it.
        deadline = time.monotonic() + 60
        while True:
            left = self.questions(helper)[0]
            most = max(most, left)
            looks += 1
            if left == 0:
                break
            self.assertLess(time.monotonic(), deadline, "a dialog of the flood stayed open")

        con = self.console("--call", self.lab.addresses[0], "--hangup-after", "1",
                           mic=audio_files.write(self.path("con-flood.wav"), audio_files.speech(0.5)),
                           speaker=self.path("heard-flood.wav"))
        con.expect(r'^alerted name="Win" address=%s:11676' % re.escape(self.lab.addresses[0]), timeout=30)
        question = "Incoming call from Con (%s).\\nAccept ?" % self.lab.addresses[1]
        deadline = time.monotonic() + 60
        while True:
            dialogs, shown, texts = self.questions(helper)
            if texts == [question] and shown == 1:
                break
            self.assertLessEqual(dialogs, 1, texts)
            self.assertLess(time.monotonic(), deadline, "no dialog for the console peer's call: %r" % texts)
        print("\n  ring flood: %s call requests, each with its Leave, from %d addresses in %s s; incoming-call "
              "dialogs: at most %d at once in %d looks during and after it, then %d for the console peer's call" % (
                  sent, len(sources), took, most, looks, dialogs), end="")
        self.assertLessEqual(most, 1)
        self.assertEqual(self.questions(helper, "--accept")[0], 1)
        con.expect(r'^connected name="Win" address=%s:11676 direction=outgoing' % re.escape(self.lab.addresses[0]),
                   timeout=15)
        self.assertEqual(con.wait(timeout=30), 0)
        self.assertEqual(self.questions(helper)[0], 0)
        self.win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
