"""A small network of test hosts: one network namespace per host, all joined
by veth pairs to a bridge in a namespace of their own, plus console peers
running inside them. Needs root. Everything is removed again on close()."""

import os
import queue
import re
import shlex
import shutil
import signal
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


class Lab:
    """Hosts 10.77.<n>.1, .2, ... on one segment; names unique to this process.
    families: per host "4" (the default), "6" or "46": IPv4, IPv6 in the
    documentation prefix (2001:db8:77:<n>::1, ::2, ...) or both."""

    _count = 0
    _count_lock = threading.Lock()  # labs may be made on several threads at once

    def __init__(self, hosts, families=None):
        with Lab._count_lock:
            Lab._count += 1
            count = Lab._count
        tag = "kv%d%d" % (os.getpid() % 100000, count)
        self.switch = tag + "sw"
        self.hosts = [tag + "h%d" % i for i in range(hosts)]
        self.families = list(families or ["4"] * hosts)
        self.addresses = ["10.77.%d.%d" % (count % 250, i + 1) for i in range(hosts)]
        self.addresses6 = ["2001:db8:77:%x::%x" % (count % 250, i + 1) for i in range(hosts)]
        self._etc = []
        self.peers = []
        self._helpers = []
        self._created = []
        try:
            self._build(tag)
        except Exception:
            self.close()
            raise

    def _build(self, tag):
        run("ip", "netns", "add", self.switch)
        self._created.append(self.switch)
        run("ip", "-n", self.switch, "link", "add", "br0", "type", "bridge")
        run("ip", "-n", self.switch, "link", "set", "br0", "up")
        for i, (ns, address) in enumerate(zip(self.hosts, self.addresses)):
            run("ip", "netns", "add", ns)
            self._created.append(ns)
            host_end, switch_end = "%se%d" % (tag, i), "%ss%d" % (tag, i)
            run("ip", "link", "add", host_end, "type", "veth", "peer", "name", switch_end)
            run("ip", "link", "set", host_end, "netns", ns)
            run("ip", "link", "set", switch_end, "netns", self.switch)
            run("ip", "-n", ns, "link", "set", host_end, "name", "eth0")
            if "4" in self.families[i]:
                run("ip", "-n", ns, "addr", "add", address + "/24", "dev", "eth0")
            if "6" in self.families[i]:
                run("ip", "-n", ns, "addr", "add", self.addresses6[i] + "/64", "dev", "eth0", "nodad")
            run("ip", "-n", ns, "link", "set", "lo", "up")
            run("ip", "-n", ns, "link", "set", "eth0", "up")
            run("ip", "-n", self.switch, "link", "set", switch_end, "master", "br0")
            run("ip", "-n", self.switch, "link", "set", switch_end, "up")

    def hosts_file(self, host, names):
        """Gives host index `host` its own /etc/hosts (ip netns exec mounts
        /etc/netns/NS/hosts over it) with names: {name: [address, ...]}.
        Programs started on the host afterwards see it."""
        directory = os.path.join("/etc/netns", self.hosts[host])
        os.makedirs(directory, exist_ok=True)
        self._etc.append(directory)
        with open(os.path.join(directory, "hosts"), "w") as f:
            f.write("127.0.0.1 localhost\n::1 localhost\n")
            for name, addresses in names.items():
                for address in addresses:
                    f.write("%s %s\n" % (address, name))

    def nft(self, host, ruleset):
        """Loads an nftables ruleset on host index `host`."""
        subprocess.run(["ip", "netns", "exec", self.hosts[host], "nft", "-f", "-"], input=ruleset, text=True,
                       check=True, stdout=subprocess.DEVNULL)

    def start(self, host, args, env=None, name=None):
        """Starts a console peer on host index `host`; returns a Peer."""
        peer = Peer(self.hosts[host], args, env or {}, name or "peer%d" % host)
        self.peers.append(peer)
        return peer

    def spawn(self, host, argv, **popen_args):
        """Starts another program (a test tool) on host index `host`; it is
        killed on close() if it is still running then. Returns the Popen."""
        process = subprocess.Popen(["ip", "netns", "exec", self.hosts[host]] + list(argv), **popen_args)
        self._helpers.append(process)
        return process

    def close(self):
        for peer in self.peers:
            peer.kill()
        for process in self._helpers:
            if process.poll() is None:
                process.kill()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    pass
        for ns in reversed(self._created):
            subprocess.run(["ip", "netns", "del", ns], stderr=subprocess.DEVNULL)
        self._created = []
        for directory in self._etc:
            shutil.rmtree(directory, ignore_errors=True)
        self._etc = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def stop(process, sig=signal.SIGTERM):
    """Ends a helper process with sig, or kills it when it does not end within 10 s."""
    if process.poll() is None:
        process.send_signal(sig)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def kestrovox_binary():
    if os.environ.get("KV_KESTROVOX"):
        return os.environ["KV_KESTROVOX"]
    for build in ("build/native", "build/bench", "build/tsan"):
        path = os.path.join(ROOT, build, "kestrovox")
        if os.path.exists(path):
            return path
    raise RuntimeError("kestrovox is not built (run scripts/test.sh)")


class Peer:
    """One kestrovox process: its output lines with the time they arrived."""

    def __init__(self, netns, args, env, name):
        self.name = name
        full_env = dict(os.environ)
        full_env.update(env)
        full_env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        cmd = ["ip", "netns", "exec", netns, kestrovox_binary()] + list(args)
        self.cmdline = " ".join(shlex.quote(a) for a in cmd)
        self.process = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=full_env, text=True, bufsize=1)
        self.lines = []
        self._new = queue.Queue()
        self._arrived = threading.Condition()
        self.stderr = []
        threading.Thread(target=self._read, args=(self.process.stdout, True), daemon=True).start()
        threading.Thread(target=self._read, args=(self.process.stderr, False), daemon=True).start()

    def _read(self, stream, out):
        for line in stream:
            line = line.rstrip("\n")
            if out:
                with self._arrived:
                    self.lines.append((time.monotonic(), line))
                    self._arrived.notify_all()
                self._new.put(line)
            else:
                self.stderr.append(line)

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def expect(self, pattern, timeout=10.0):
        """Waits for an output line matching the regular expression; returns the match."""
        regex = re.compile(pattern)
        for _, line in list(self.lines):
            m = regex.search(line)
            if m:
                return m
        end = time.monotonic() + timeout
        while True:
            left = end - time.monotonic()
            if left <= 0:
                raise AssertionError("%s: no line matching %r within %.1f s; output:\n%s\nstderr:\n%s" % (
                    self.name, pattern, timeout, "\n".join(l for _, l in self.lines), "\n".join(self.stderr)))
            try:
                line = self._new.get(timeout=left)
            except queue.Empty:
                continue
            m = regex.search(line)
            if m:
                return m

    def expect_after(self, start, pattern, timeout=10.0):
        """Waits for a line matching the regular expression among the lines
        from index `start` on (len(lines) taken before a command: its answer);
        returns (index, arrival time, match)."""
        regex = re.compile(pattern)
        end = time.monotonic() + timeout
        index = start
        with self._arrived:
            while True:
                while index < len(self.lines):
                    arrived, line = self.lines[index]
                    m = regex.search(line)
                    if m:
                        return index, arrived, m
                    index += 1
                left = end - time.monotonic()
                if left <= 0:
                    raise AssertionError("%s: no new line matching %r within %.1f s; last lines:\n%s" % (
                        self.name, pattern, timeout, "\n".join(l for _, l in self.lines[-20:])))
                self._arrived.wait(left)

    def poll_party(self, pattern, timeout=8.0):
        """Asks for the parties until the first party's line matches the
        regular expression; returns that line."""
        regex = re.compile(pattern)
        end = time.monotonic() + timeout
        while True:
            start = len(self.lines)
            self.send("parties")
            line = self.expect_after(start, r"^party index=0 ")[2].string
            if regex.search(line):
                return line
            if time.monotonic() > end:
                raise AssertionError("%s: the first party's line never matched %r: %s" % (self.name, pattern, line))
            time.sleep(0.1)

    def has(self, pattern):
        regex = re.compile(pattern)
        return any(regex.search(line) for _, line in self.lines)

    def wait(self, timeout=10.0):
        return self.process.wait(timeout=timeout)

    def quit(self, timeout=10.0):
        if self.process.poll() is None:
            try:
                self.send("quit")
            except (BrokenPipeError, OSError):
                pass
        return self.wait(timeout)

    def cpu_seconds(self):
        """User and system CPU of the kestrovox process (the child of ip netns exec)."""
        pid = self.process.pid
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        return (int(fields[11]) + int(fields[12])) / ticks

    def rss_kb(self):
        """Resident memory of the kestrovox process in kB (VmRSS)."""
        with open("/proc/%d/status" % self.process.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise RuntimeError("no VmRSS for %s" % self.name)

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except (OSError, ValueError):
                pass
