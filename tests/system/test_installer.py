#!/usr/bin/env python3
"""System test of the Windows installer and release archive: under Wine, in a
fresh Wine prefix of its own and on a virtual screen, KestroVox-1.30-setup.exe
/S installs for the user alone; the installed program starts from its
shortcut's folder, shows its tray icon and rings with its own ringin.wav; a
second /S install while it runs ends it cleanly first and leaves an intact
exe, and one that cannot end it fails instead of overwriting it; the silent
uninstall ends the running copy and removes everything but the user's
settings and event log.

The installer is built from build/windows (or KV_WINDOWS_BUILD) with
packaging/windows/build.sh, unless KV_INSTALLER names one already built.
Run as root, the test keeps to a network namespace of its own, so that the
program's UDP port 11676 meets no other copy."""

import ctypes
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from netlab import ROOT, stop  # noqa: E402
from test_windows import WineHost  # noqa: E402

BUILD = os.path.abspath(os.path.join(ROOT, os.environ.get("KV_WINDOWS_BUILD", os.path.join("build", "windows"))))
SOURCE_EXE = os.path.join(BUILD, "KestroVox.exe")
RING = os.path.join(ROOT, "resources", "ringin.wav")
SETTINGS_KEY = r"HKCU\Software\Kestrovox"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KestroVox"
PORT = 11676
# The program's Windows-side wait for a copy that does not close (packaging/windows/kestrovox.nsi).
CLOSE_WAIT_S = 5 + 15


def available():
    for tool in ("wine", "wineserver", "Xvfb"):
        if not shutil.which(tool):
            return "%s is not installed" % tool
    if not os.environ.get("KV_INSTALLER"):
        for tool in ("makensis", "zip"):
            if not shutil.which(tool):
                return "%s is not installed (needed to build the installer)" % tool
    if not os.path.exists(SOURCE_EXE):
        return "%s is missing (build the Windows program first, or set KV_WINDOWS_BUILD)" % SOURCE_EXE
    return None


def say(text):
    print("\n  " + text, end="", flush=True)


def same_bytes(a, b):
    with open(a, "rb") as f, open(b, "rb") as g:
        return f.read() == g.read()


def private_network():
    """As root: this process and its children get a network namespace of their own, with loopback up."""
    if os.geteuid() != 0 or not shutil.which("ip"):
        return False
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.unshare(0x40000000) != 0:  # CLONE_NEWNET
        return False
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    return True


def read_shortcut(path):
    """The target and the working directory of a .lnk file (MS-SHLLINK)."""
    with open(path, "rb") as f:
        data = f.read()
    flags = struct.unpack_from("<I", data, 20)[0]
    pos, target, strings = 76, None, []
    if flags & 0x1:  # HasLinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    if flags & 0x2:  # HasLinkInfo
        size, _, info_flags, _, base = struct.unpack_from("<5I", data, pos)
        if info_flags & 1:
            target = data[pos + base:data.index(b"\0", pos + base)].decode("latin-1")
        pos += size
    for bit in (0x4, 0x8, 0x10, 0x20, 0x40):  # name, relative path, working dir, arguments, icon
        text = None
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            width = 2 if flags & 0x80 else 1
            text = data[pos + 2:pos + 2 + count * width].decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
            pos += 2 + count * width
        strings.append(text)
    return target, strings[2]


class FileWatch:
    """inotify: which files of a directory are opened or read."""

    def __init__(self, directory):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or self.libc.inotify_add_watch(self.fd, directory.encode(), 0x1 | 0x20) < 0:
            raise OSError(ctypes.get_errno(), "inotify")

    def read_of(self, name, timeout):
        """True once the file was read within timeout seconds."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not select.select([self.fd], [], [], 0.2)[0]:
                continue
            data, i = os.read(self.fd, 65536), 0
            while i < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, i)
                if mask & 0x1 and data[i + 16:i + 16 + length].rstrip(b"\0").decode() == name:
                    return True
                i += 16 + length
        return False

    def close(self):
        os.close(self.fd)


@unittest.skipIf(available(), available())
class Installer(unittest.TestCase):
    def setUp(self):
        self.started = time.monotonic()
        self.dir = tempfile.mkdtemp(prefix="kv_installer_")
        if os.environ.get("KV_KEEP"):
            print("\n  files kept in " + self.dir, end="")
        else:
            self.addCleanup(shutil.rmtree, self.dir, True)
        isolated = private_network()
        if not isolated and self.port_taken():
            self.skipTest("UDP port %d is taken by another program (run as root to isolate the test)" % PORT)
        say("network: %s" % ("a namespace of its own" if isolated else "the host's (not root)"))
        self.installer = os.environ.get("KV_INSTALLER") or self.build_installer()
        self.display = WineHost._start_screen(None, self)  # needs nothing of a WineHost but the test
        self.prefix = os.path.join(self.dir, "prefix")
        os.makedirs(self.prefix)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=self.display,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", HOME=self.dir)
        self.run_wine("wineserver", "-p")
        self.addCleanup(self.run_wine, "wineserver", "-k", check=False)
        t = time.monotonic()
        self.run_wine("wine", "wineboot", "-i", timeout=120)
        self.run_wine("wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        say("fresh Wine prefix made in %.1f s" % (time.monotonic() - t))
        users = [u for u in os.listdir(os.path.join(self.prefix, "drive_c", "users")) if u != "Public"]
        self.assertEqual(len(users), 1, users)
        self.local = r"C:\users\%s\AppData\Local" % users[0]
        profile = os.path.join(self.prefix, "drive_c", "users", users[0])
        self.install_dir = os.path.join(profile, "AppData", "Local", "Programs", "KestroVox")
        self.install_win = self.local + r"\Programs\KestroVox"
        self.shortcut = os.path.join(profile, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                     "KestroVox.lnk")

    def port_taken(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            try:
                s.bind(("0.0.0.0", PORT))
            except OSError:
                return True
        return False

    def build_installer(self):
        out = os.path.join(self.dir, "out")
        subprocess.run([os.path.join(ROOT, "packaging", "windows", "build.sh"), out, BUILD], check=True,
                       stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(os.path.join(out, "KestroVox-1.30-win64.zip")) as z:
            self.assertEqual(sorted(z.namelist()), ["KestroVox.exe", "LICENSES.txt", "README.txt", "ringin.wav"])
            with open(SOURCE_EXE, "rb") as f:
                self.assertEqual(z.read("KestroVox.exe"), f.read())
        say("packaging/windows/build.sh: the installer, and the archive holding KestroVox.exe (the build's), "
            "ringin.wav, README.txt and LICENSES.txt")
        return os.path.join(out, "KestroVox-1.30-setup.exe")

    # Wine

    def run_wine(self, *args, check=True, timeout=60):
        """Output through a file: a pipe would stay open as long as the Wine processes it starts."""
        with tempfile.TemporaryFile(dir=self.dir) as out:
            p = subprocess.run(args, env=self.env, cwd=self.dir, stdin=subprocess.DEVNULL, stdout=out,
                               stderr=subprocess.STDOUT, timeout=timeout)
            out.seek(0)
            p.stdout = out.read().decode(errors="replace")
        if check and p.returncode != 0:
            self.fail("%s ended with %d: %s" % (" ".join(args), p.returncode, p.stdout[-2000:]))
        return p

    def setup_exe(self):
        """Runs the installer silently; its exit code."""
        return self.run_wine("wine", self.installer, "/S", check=False, timeout=120).returncode

    def reg_values(self, key):
        """The values of a registry key as {name: text}, or None when the key is missing."""
        p = self.run_wine("wine", "reg", "query", key, check=False)
        if p.returncode != 0:
            return None
        return {m.group(1): m.group(3) for m in re.finditer(r"^ {4}(\S+) {4}(REG_\w+) {4}(.*?)\r?$", p.stdout, re.M)}

    def start_program(self):
        """KestroVox.exe from the shortcut's folder, as Explorer starts it; waits for its tray icon."""
        if self.tray_checked:
            self.assertFalse(self.tray_icon_shown(), "a tray icon before the program started")
        program = subprocess.Popen(["wine", "KestroVox.exe"], env=self.env, cwd=self.workdir,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(stop, program, signal.SIGKILL)
        self.addCleanup(lambda: program.poll() is None and program.send_signal(signal.SIGCONT))
        t = time.monotonic()
        shown = self.poll(lambda: program.poll() is not None or self.tray_icon_shown(), 60)
        self.assertIsNone(program.poll(), "KestroVox.exe ended early")
        if self.tray_checked:
            self.assertTrue(shown, "no tray icon")
            say("started from %s: tray icon shown after %.1f s" % (self.workdir, time.monotonic() - t))
        return program

    def tray_icon_shown(self):
        """Without a window manager Wine shows its notification area as a window of its own while it holds an icon."""
        p = subprocess.run(["xwininfo", "-display", self.display, "-name", "Wine System Tray"],
                           capture_output=True, text=True)
        return "IsViewable" in p.stdout

    def end(self, program, timeout):
        try:
            return program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    @staticmethod
    def poll(condition, timeout, step=0.2):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                return False
            time.sleep(step)
        return True

    # Steps

    def installed_as_expected(self):
        for name, source in (("KestroVox.exe", SOURCE_EXE), ("ringin.wav", RING)):
            path = os.path.join(self.install_dir, name)
            self.assertTrue(os.path.isfile(path), "%s is missing" % path)
            self.assertTrue(same_bytes(path, source), "%s differs from %s" % (path, source))
        self.assertTrue(os.path.isfile(os.path.join(self.install_dir, "uninstall.exe")))
        say("files in %s: KestroVox.exe and ringin.wav (same bytes as the build), uninstall.exe" % self.install_win)

        self.assertTrue(os.path.isfile(self.shortcut), "no Start-menu shortcut")
        target, self.workdir_win = read_shortcut(self.shortcut)
        self.assertEqual(target, self.install_win + r"\KestroVox.exe")
        self.assertEqual(self.workdir_win, self.install_win)
        self.workdir = self.install_dir
        say("Start-menu shortcut KestroVox.lnk: target %s, working directory the install folder" % target)

        run = self.reg_values(RUN_KEY) or {}
        self.assertEqual(run.get("KestroVox"), '"%s\\KestroVox.exe"' % self.install_win)
        say("Run value KestroVox = %s" % run["KestroVox"])

        u = self.reg_values(UNINSTALL_KEY)
        self.assertIsNotNone(u, "no Uninstall key")
        self.assertEqual(u.get("DisplayName"), "KestroVox")
        self.assertEqual(u.get("DisplayVersion"), "1.30")
        self.assertTrue(u.get("Publisher"))
        self.assertTrue(u.get("DisplayIcon", "").startswith(self.install_win + r"\KestroVox.exe"))
        self.assertEqual(u.get("InstallLocation"), self.install_win)
        self.assertEqual(u.get("UninstallString"), '"%s\\uninstall.exe"' % self.install_win)
        self.assertEqual(u.get("QuietUninstallString"), '"%s\\uninstall.exe" /S' % self.install_win)
        size_kb = int(u.get("EstimatedSize", "0"), 16)
        self.assertGreater(size_kb, os.path.getsize(SOURCE_EXE) // 1024)
        say("Uninstall key: DisplayName, DisplayVersion 1.30, Publisher, DisplayIcon, InstallLocation, "
            "UninstallString, QuietUninstallString, EstimatedSize %d KB" % size_kb)
        return u

    def rings_with_its_sound(self):
        """A call request from a UDP socket of ours: the program alerts, rings and logs the call."""
        watch = FileWatch(self.install_dir)
        self.addCleanup(watch.close)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.settimeout(1.0)
            reply = None
            for _ in range(20):  # the port is bound a moment before the settings are loaded
                s.sendto(b"\x80\x00Tester\x00", ("127.0.0.1", PORT))
                try:
                    reply = s.recv(1500)
                    break
                except socket.timeout:
                    pass
            self.assertIsNotNone(reply, "no answer to a call request")
            self.assertEqual(reply[:2], b"\x81\x01", "the answer is not Alerting: %r" % reply)
            rang = watch.read_of("ringin.wav", 10)
            s.sendto(b"\x82\x00", ("127.0.0.1", PORT))  # the caller gives up
        self.assertTrue(rang, "the program did not read its ringin.wav")
        say("a call request is answered with Alerting and the program reads %s\\ringin.wav to ring" % self.install_win)
        log = os.path.join(self.install_dir, "KestroVox.log")
        self.assertTrue(self.poll(lambda: os.path.exists(log), 5), "no event log")
        with open(log, "rb") as f:
            self.assertIn(b"Incoming call from Tester", f.read())
        say("the event log KestroVox.log beside the exe records the call")

    def test_install_run_reinstall_uninstall(self):
        self.tray_checked = shutil.which("xwininfo") is not None
        if not self.tray_checked:
            say("NOTE: xwininfo (x11-utils) is missing: the tray icon itself is not checked")

        self.assertEqual(self.setup_exe(), 0, "setup.exe /S failed")
        say("setup.exe /S: exit code 0")
        self.installed_as_expected()

        # The settings the program would ask for at its first start, and the event log on.
        self.run_wine("wine", "reg", "add", SETTINGS_KEY, "/v", "Identity", "/d", "Installed", "/f")
        self.run_wine("wine", "reg", "add", SETTINGS_KEY, "/v", "GenerateLog", "/t", "REG_DWORD", "/d", "1", "/f")
        # Without a namespace of its own (not root) the program must not ask this machine's router for a port.
        self.run_wine("wine", "reg", "add", SETTINGS_KEY, "/v", "PortMapping", "/t", "REG_DWORD", "/d", "0", "/f")

        program = self.start_program()
        self.rings_with_its_sound()

        t = time.monotonic()
        self.assertEqual(self.setup_exe(), 0, "setup.exe /S over the running program failed")
        self.assertEqual(self.end(program, 5), 0, "the running copy did not end cleanly")
        say("setup.exe /S while the program runs: exit code 0 after %.1f s; the program ended with exit code 0"
            % (time.monotonic() - t))
        if self.tray_checked:
            self.assertTrue(self.poll(lambda: not self.tray_icon_shown(), 10), "the tray icon stayed")
        self.assertTrue(same_bytes(os.path.join(self.install_dir, "KestroVox.exe"), SOURCE_EXE))
        self.assertTrue(os.path.exists(os.path.join(self.install_dir, "KestroVox.log")))
        say("afterwards KestroVox.exe is intact (same bytes as the build) and the event log is still there")

        program = self.start_program()
        say("the program starts again")

        # A copy that cannot end (stopped): a silent install fails rather than overwrite it.
        os.kill(program.pid, signal.SIGSTOP)
        t = time.monotonic()
        code = self.setup_exe()
        os.kill(program.pid, signal.SIGCONT)
        self.assertNotEqual(code, 0, "setup.exe /S succeeded although the program could not end")
        self.assertGreaterEqual(time.monotonic() - t, CLOSE_WAIT_S - 2)
        self.assertTrue(same_bytes(os.path.join(self.install_dir, "KestroVox.exe"), SOURCE_EXE))
        say("setup.exe /S while the program is stopped: exit code %d after %.1f s, KestroVox.exe untouched"
            % (code, time.monotonic() - t))
        # Wine drops the timed-out close request; Windows may still deliver it once the program runs on.
        if self.end(program, 3) is not None:
            say("resumed, the program took the close request late and ended")
            program = self.start_program()
        else:
            say("resumed, the program runs on")

        # The silent uninstall as the system would run it, while the program runs.
        quiet = self.reg_values(UNINSTALL_KEY)["QuietUninstallString"]
        m = re.fullmatch(r'"([^"]+)" (.*)', quiet)
        t = time.monotonic()
        self.run_wine("wine", m.group(1), *m.group(2).split())
        # The uninstaller goes on from a copy of itself in TEMP: wait for it.
        finished = self.poll(lambda: program.poll() is not None
                             and not os.path.exists(os.path.join(self.install_dir, "uninstall.exe"))
                             and self.reg_values(UNINSTALL_KEY) is None, 30, step=0.5)
        self.assertTrue(finished, "the uninstall did not finish within 30 s")
        self.assertEqual(program.returncode, 0, "the running copy did not end cleanly")
        say("%s: done after %.1f s; the running program ended with exit code 0" % (quiet, time.monotonic() - t))

        self.assertEqual(os.listdir(self.install_dir), ["KestroVox.log"])
        self.assertFalse(os.path.exists(self.shortcut), "the Start-menu shortcut stayed")
        self.assertNotIn("KestroVox", self.reg_values(RUN_KEY) or {}, "the Run value stayed")
        say("files, shortcut, Run value and Uninstall key are gone; the folder holds only the kept KestroVox.log")
        settings = self.reg_values(SETTINGS_KEY) or {}
        self.assertEqual(settings.get("Identity"), "Installed", "the settings were not kept")
        say("the settings key %s is kept (%s)" % (SETTINGS_KEY, ", ".join(sorted(settings))))
        say("whole test: %.1f s" % (time.monotonic() - self.started))


if __name__ == "__main__":
    unittest.main(verbosity=2)
