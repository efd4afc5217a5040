#!/usr/bin/env python3
"""The Debian package of the console peer: builds kestrovox_1.30_amd64.deb with
packaging/debian/build.sh (or takes the one named by KV_PACKAGE_DEB), checks it
with lintian, installs it, runs the installed program and its manual page, then
purges it and checks that nothing of it is left. Needs root; skips otherwise.

    python3 tests/system/test_package.py        (KV_PACKAGE_BUILD_DIR: the build directory)
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE = "kestrovox"
VERSION = "1.30"
# What the installed program sees: the system's directories only, not a build tree.
SYSTEM_ENV = dict(os.environ, PATH="/usr/sbin:/usr/bin:/sbin:/bin", LC_ALL="C.UTF-8", MANWIDTH="80")


def say(text):
    print("  " + text, flush=True)


def run(args, **kwargs):
    kwargs.setdefault("env", SYSTEM_ENV)
    return subprocess.run(args, capture_output=True, text=True, timeout=300, **kwargs)


def installed():
    """True while dpkg holds any state of the package (installed or config files)."""
    return run(["dpkg-query", "-W", "-f=${Status}", PACKAGE]).returncode == 0


def dpkg_excludes():
    """The path-exclude patterns of dpkg's configuration (minimal images drop man pages and docs)."""
    patterns = []
    for name in ["/etc/dpkg/dpkg.cfg"] + sorted(glob.glob("/etc/dpkg/dpkg.cfg.d/*")):
        try:
            with open(name) as f:
                patterns += [m.group(1) for m in re.finditer(r"^\s*path-exclude[ =](\S+)", f.read(), re.M)]
        except OSError:
            pass
    return patterns


@unittest.skipUnless(os.geteuid() == 0, "the package test installs with dpkg and needs root")
class Package(unittest.TestCase):
    def setUp(self):
        if installed():
            say("a %s package is already installed: purging it first" % PACKAGE)
            result = run(["dpkg", "--purge", PACKAGE])
            self.assertEqual(result.returncode, 0, "cannot remove the installed package:\n" + result.stderr)
        self.dir = tempfile.mkdtemp(prefix="kv_package_")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def deb(self):
        given = os.environ.get("KV_PACKAGE_DEB")
        if given:
            say("package given: " + given)
            return given
        started = time.monotonic()
        result = run([os.path.join(ROOT, "packaging", "debian", "build.sh"), self.dir], cwd=ROOT,
                     env=dict(os.environ))
        self.assertEqual(result.returncode, 0, "build.sh failed:\n" + result.stdout[-3000:] + result.stderr[-3000:])
        path = os.path.join(self.dir, "%s_%s_amd64.deb" % (PACKAGE, VERSION))
        self.assertTrue(os.path.isfile(path), "build.sh made no " + path)
        say("built %s in %.1f s" % (os.path.basename(path), time.monotonic() - started))
        return path

    def test_build_lint_install_run_purge(self):
        deb = self.deb()

        lint = run(["lintian", "--allow-root", deb])
        for line in (lint.stdout + lint.stderr).splitlines():
            say("lintian: " + line)
        errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], "lintian reports errors")
        say("lintian: no errors")

        # A minimal image's dpkg configuration may exclude man pages and docs;
        # this package's own are included again for this install.
        excludes = dpkg_excludes()
        say("dpkg path-exclude patterns: %s" % (" ".join(excludes) or "none"))
        includes = ["--path-include=/usr/share/man/man1/%s.1.gz" % PACKAGE,
                    "--path-include=/usr/share/doc/%s/*" % PACKAGE]
        self.addCleanup(lambda: installed() and run(["dpkg", "--purge", PACKAGE]))
        result = run(["dpkg", "-i"] + includes + [deb])
        self.assertEqual(result.returncode, 0, "dpkg -i failed:\n" + result.stdout + result.stderr)
        files = [p for p in run(["dpkg", "-L", PACKAGE]).stdout.splitlines() if p.startswith("/") and p != "/."]
        say("installed %d paths with dpkg -i" % len(files))
        for path in ("/usr/bin/kestrovox", "/usr/share/man/man1/kestrovox.1.gz",
                     "/usr/share/doc/kestrovox/copyright", "/usr/share/doc/kestrovox/changelog.gz"):
            self.assertTrue(os.path.isfile(path), path + " is not installed")

        version = run(["kestrovox", "--version"])
        self.assertEqual((version.returncode, version.stdout), (0, "%s %s\n" % (PACKAGE, VERSION)))
        say("kestrovox --version: " + version.stdout.strip())

        page = run(["man", "-P", "cat", PACKAGE])
        self.assertEqual(page.returncode, 0, "man kestrovox failed:\n" + page.stderr)
        for heading in ("NAME", "SYNOPSIS", "OPTIONS", "COMMANDS", "OUTPUT", "EXIT STATUS", "FILES"):
            self.assertRegex(page.stdout, r"(?m)^%s$" % heading, "man kestrovox lacks " + heading)
        say("man kestrovox renders %d lines with OPTIONS, COMMANDS, OUTPUT ..." % len(page.stdout.splitlines()))

        devices = run(["kestrovox", "--list-devices"])
        self.assertEqual(devices.returncode, 0, devices.stderr)
        self.assertIn("Output devices (--speaker):", devices.stdout)
        self.assertIn("Input devices (--mic):", devices.stdout)
        say("kestrovox --list-devices: exit 0, %d lines" % len(devices.stdout.splitlines()))

        result = run(["dpkg", "--purge", PACKAGE])
        self.assertEqual(result.returncode, 0, "dpkg --purge failed:\n" + result.stdout + result.stderr)
        left = [p for p in files if os.path.lexists(p) and not os.path.isdir(p)]
        left += [p for p in ("/usr/share/doc/kestrovox",) if os.path.lexists(p)]
        self.assertEqual(left, [], "left behind after dpkg --purge")
        self.assertFalse(installed(), "dpkg still knows the package after --purge")
        say("dpkg --purge: none of the %d paths is left and dpkg no longer knows %s" % (len(files), PACKAGE))


if __name__ == "__main__":
    if os.geteuid() != 0:
        print("test_package.py: skipped, needs root (installs with dpkg)", flush=True)
    unittest.main(verbosity=2)
