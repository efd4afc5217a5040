#!/usr/bin/env python3
"""System tests of port mapping behind a real router: network namespaces for
the LAN phones, the router and a host on the WAN side. The router forwards
and masquerades the LAN with nftables and runs miniupnpd (nftables backend,
built by build_miniupnpd.sh) serving UPnP IGD v2, NAT-PMP and PCP on its LAN side; its
WAN side is TEST-NET-2 (198.51.100.0/24), which the phone reports as a
private or reserved router address.

- With port mapping on, the WAN peer calls the router's WAN address on 11676
  and reaches the LAN phone: speech both ways, a chat line, a short message.
  With PortMapping 0 the same call gets no answer.
- UPnP only and NAT-PMP only both map.
- Shutdown removes the mapping from the router's rules.
- A second LAN phone gets another external port and is reachable on it.
- A gateway that answers nothing delays neither the start nor a call.
- A LAN host posing as the gateway (lying_gateway.py) cannot send the
  phone's requests to another host, swell its memory or hold its search.
- Over IPv6 the router routes a prefix to the LAN and its forward rules
  drop what nobody inside asked for: the phone opens a pinhole by UPnP IGD
  v2 (and, with UPnP off, by PCP), the WAN peer calls its IPv6 address
  through it, and the phone's shutdown closes it; with PortMapping 0 the
  same call gets no answer.

Prints the mapping times (search to mapping, in ms). Needs root; skips with a
message otherwise."""

import ipaddress
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_files  # noqa: E402
from netlab import Lab, Peer, ROOT, run, stop  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_MINIUPNPD = os.path.join(HERE, "build_miniupnpd.sh")
WAVTOOL = os.environ.get("KV_WAVTOOL", os.path.join(ROOT, "build", "native", "tests", "kv_wavtool"))

ROUTER_WAN = "198.51.100.1"   # TEST-NET-2: the router's external address
WAN_PEER = "198.51.100.2"
# With IPv6 (documentation prefix): the router routes 2001:db8:80::/48 to
# its LAN links, 2001:db8:80:<i>::/64 each, and has 2001:db8:51::1 on the WAN.
ROUTER_WAN6 = "2001:db8:51::1"
WAN_PEER6 = "2001:db8:51::2"
PINHOLE = r"^pinhole address=\[([0-9a-f:]+)\]:(\d+) via=(upnp|pcp)"
MIN_SNR_DB = 3.0
MAPPED = r"^mapped external=(\d+\.\d+\.\d+\.\d+):(\d+) via=(upnp|natpmp)"


def say(text):
    print("\n  " + text, end="", flush=True)


def available():
    if os.geteuid() != 0:
        return "the router tests need root for network namespaces"
    for tool in ("nft", "ip"):
        if not shutil.which(tool):
            return "%s is not installed (package nftables / iproute2)" % tool
    return None


def miniupnpd_binary():
    """Builds (once) and returns the test router's miniupnpd."""
    out = subprocess.run(["sh", BUILD_MINIUPNPD], capture_output=True, text=True)
    if out.returncode != 0:
        raise RuntimeError("build_miniupnpd.sh failed:\n" + out.stderr[-3000:])
    return out.stdout.strip().splitlines()[-1]


RULESET = """
table inet kvrouter {
    chain input {
        type filter hook input priority 0; policy accept;
        iifname "wan0" ct state established,related accept
        iifname "wan0" meta l4proto ipv6-icmp accept
        iifname "wan0" drop
    }
    chain forward {
        type filter hook forward priority 0; policy drop;
        ct state established,related accept
        iifname "lan*" accept
        jump miniupnpd
        meta nfproto ipv6 counter comment "unsolicited"
    }
    chain miniupnpd {
    }
    chain prerouting {
        type nat hook prerouting priority dstnat; policy accept;
        jump prerouting_miniupnpd
    }
    chain prerouting_miniupnpd {
    }
    chain postrouting {
        type nat hook postrouting priority srcnat; policy accept;
        jump postrouting_miniupnpd
        oifname "wan0" masquerade
    }
    chain postrouting_miniupnpd {
    }
}
"""

CONFIG = """ext_ifname=wan0
{listen}
http_port=0
enable_upnp={upnp}
enable_natpmp={natpmp}
secure_mode=yes
system_uptime=yes
notify_interval=30
clean_ruleset_interval=600
uuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b
upnp_table_name=kvrouter
upnp_nat_table_name=kvrouter
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
allow 1024-65535 10.80.0.0/16 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
"""


class RouterLab:
    """LAN hosts 10.80.<i>.2 each on a link of its own to the router
    (10.80.<i>.1), the router's WAN side 198.51.100.1 and one WAN host
    198.51.100.2 without a route to the LAN. With ipv6, also 2001:db8:80:<i>::2
    behind 2001:db8:80:<i>::1, and the WAN host 2001:db8:51::2 with a route
    to the LAN prefix through the router: nothing but the router's forward
    rules keeps it out. Removed again on close()."""

    _count = 0

    def __init__(self, work, lan_hosts=1, upnp=True, natpmp=True, ipv6=False):
        RouterLab._count += 1
        tag = "kr%d%d" % (os.getpid() % 100000, RouterLab._count)
        self.work = work
        self.router = tag + "r"
        self.wan = tag + "w"
        self.lan = [tag + "l%d" % i for i in range(lan_hosts)]
        self.lan_addresses = ["10.80.%d.2" % i for i in range(lan_hosts)]
        self.lan_addresses6 = ["2001:db8:80:%d::2" % i for i in range(lan_hosts)]
        self.peers = []
        self.daemon = None
        self._created = []
        try:
            self._build(tag, upnp, natpmp, ipv6)
        except Exception:
            self.close()
            raise

    def _netns(self, name):
        run("ip", "netns", "add", name)
        self._created.append(name)
        run("ip", "-n", name, "link", "set", "lo", "up")

    def _link(self, tag, a, a_name, a_address, b, b_name, b_address):
        run("ip", "link", "add", tag + "a", "type", "veth", "peer", "name", tag + "b")
        for end, ns, name, address in ((tag + "a", a, a_name, a_address), (tag + "b", b, b_name, b_address)):
            run("ip", "link", "set", end, "netns", ns)
            run("ip", "-n", ns, "link", "set", end, "name", name)
            run("ip", "-n", ns, "addr", "add", address, "dev", name)
            run("ip", "-n", ns, "link", "set", name, "up")

    def _build(self, tag, upnp, natpmp, ipv6):
        for ns in [self.router, self.wan] + self.lan:
            self._netns(ns)
        self._link(tag + "w", self.router, "wan0", ROUTER_WAN + "/24", self.wan, "eth0", WAN_PEER + "/24")
        for i, ns in enumerate(self.lan):
            self._link(tag + "l%d" % i, self.router, "lan%d" % i, "10.80.%d.1/24" % i, ns, "eth0",
                       self.lan_addresses[i] + "/24")
            run("ip", "-n", ns, "route", "add", "default", "via", "10.80.%d.1" % i)
        run("ip", "netns", "exec", self.router, "sysctl", "-qw", "net.ipv4.ip_forward=1")
        if ipv6:
            self._add_ipv6()
        rules = os.path.join(self.work, "router.nft")
        with open(rules, "w") as f:
            f.write(RULESET)
        run("ip", "netns", "exec", self.router, "nft", "-f", rules)
        config = os.path.join(self.work, "miniupnpd.conf")
        with open(config, "w") as f:
            f.write(CONFIG.format(listen="\n".join("listening_ip=lan%d" % i for i in range(len(self.lan))),
                                  upnp="yes" if upnp else "no", natpmp="yes" if natpmp else "no"))
        self.daemon_log = os.path.join(self.work, "miniupnpd.log")
        with open(self.daemon_log, "w") as log:
            self.daemon = subprocess.Popen(
                ["ip", "netns", "exec", self.router, miniupnpd_binary(), "-d", "-f", config,
                 "-P", os.path.join(self.work, "miniupnpd.pid")],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        # Ready once it listens for NAT-PMP or UPnP's HTTP requests.
        deadline = time.monotonic() + 10
        while not self._daemon_listening(upnp, natpmp):
            if self.daemon.poll() is not None or time.monotonic() > deadline:
                with open(self.daemon_log) as f:
                    raise RuntimeError("miniupnpd did not start:\n" + f.read()[-3000:])
            time.sleep(0.05)

    def _add_ipv6(self):
        def address(ns, name, a):
            run("ip", "-n", ns, "addr", "add", a, "dev", name, "nodad")
        address(self.router, "wan0", ROUTER_WAN6 + "/64")
        address(self.wan, "eth0", WAN_PEER6 + "/64")
        run("ip", "-n", self.wan, "-6", "route", "add", "2001:db8:80::/48", "via", ROUTER_WAN6)
        for i, ns in enumerate(self.lan):
            address(self.router, "lan%d" % i, "2001:db8:80:%d::1/64" % i)
            address(ns, "eth0", self.lan_addresses6[i] + "/64")
            run("ip", "-n", ns, "-6", "route", "add", "default", "via", "2001:db8:80:%d::1" % i)
        run("ip", "netns", "exec", self.router, "sysctl", "-qw", "net.ipv6.conf.all.forwarding=1")

    def unsolicited(self):
        """IPv6 packets the router's forward rules have dropped."""
        return int(re.search(r'counter packets (\d+) bytes \d+ comment "unsolicited"', self.ruleset()).group(1))

    def _daemon_listening(self, upnp, natpmp):
        out = subprocess.run(["ip", "netns", "exec", self.router, "ss", "-lnup" if not upnp else "-lntup"],
                             capture_output=True, text=True).stdout
        return "miniupnpd" in out and (not natpmp or ":5351" in out)

    def ruleset(self):
        return subprocess.run(["ip", "netns", "exec", self.router, "nft", "list", "ruleset"], capture_output=True,
                              text=True, check=True).stdout

    def start(self, netns, args, env, name):
        peer = Peer(netns, args, env, name)
        self.peers.append(peer)
        return peer

    def close(self):
        for peer in self.peers:
            peer.kill()
        if self.daemon:
            stop(self.daemon)
        for ns in reversed(self._created):
            subprocess.run(["ip", "netns", "del", ns], stderr=subprocess.DEVNULL)
        self._created = []


def heard(reference, received):
    """(SNR, pieces missing, pieces) of the speech in received: in 160 ms
    pieces, each aligned on its own within 200 ms, so that a playout that
    starts again (no concealment here) shifts no more than the pieces after it."""
    out = subprocess.run([WAVTOOL, "pieces", reference, received, "4", "200"], check=True, capture_output=True,
                         text=True).stdout
    m = re.search(r"pieces=(\d+) missing=(\d+) snr=([-\d.inf]+)", out)
    return float(m.group(3)), int(m.group(2)), int(m.group(1))


@unittest.skipIf(available(), available())
class Router(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_router_")
        if os.environ.get("KV_KEEP_FILES"):
            print("\n  files kept in " + self.dir)
        else:
            self.addCleanup(shutil.rmtree, self.dir, True)
        self.silence = audio_files.write(os.path.join(self.dir, "silence.wav"), audio_files.silence(40))

    def path(self, name):
        return os.path.join(self.dir, name)

    def lab(self, **kw):
        work = self.path("lab%d" % (RouterLab._count + 1))
        os.makedirs(work)
        lab = RouterLab(work, **kw)
        self.addCleanup(lab.close)
        return lab

    def peer(self, lab, netns, name, *args, mic=None):
        """A console peer with its own settings, log and WAV files; started once its ready line came."""
        home = self.path(name)
        os.makedirs(home, exist_ok=True)
        # Without concealment: a bridged gap shifts the rest of the speech in
        # the WAV file, which the whole-file SNR here would count as noise; and
        # without the microphone's echo canceller and noise suppressor, which
        # would measure themselves instead of the path through the router.
        argv = ["--identity", name, "--conceal", "0", "--echo-cancel", "0", "--noise-suppress", "0",
                "--mic", mic or self.silence,
                "--speaker", self.path(name + "-out.wav")]
        p = lab.start(netns, argv + list(args), {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}, name)
        started = time.monotonic()
        p.expect(r"^ready ")
        p.ready_seconds = time.monotonic() - started
        return p

    def mapped(self, phone, timeout=20):
        """Waits for the phone's mapping; returns (address, port, protocol, line)."""
        m = phone.expect(MAPPED, timeout)
        took = re.search(r"took-ms=(\d+)", m.string)
        say("%s: %s; search to mapping %s ms" % (phone.name, m.string, took.group(1) if took else "?"))
        return m.group(1), int(m.group(2)), m.group(3), m.string

    def status(self, peer):
        start = len(peer.lines)
        peer.send("status")
        return peer.expect_after(start, r"^status ")[2].string

    def reaches(self, lab, port, name, caller="Wan"):
        """A WAN peer calls the router's WAN address on port and reaches the LAN phone `name`."""
        wan = self.peer(lab, lab.wan, caller)
        wan.send("call %s:%d" % (ROUTER_WAN, port))
        wan.expect(r'^connected name="%s" address=%s:%d direction=outgoing' % (name, re.escape(ROUTER_WAN), port), 15)
        self.assertEqual(wan.quit(), 0)

    def test_the_wan_peer_calls_the_lan_phone_through_the_mapping(self):
        lab = self.lab()
        # Each side speaks once the call is surely up (the WAN peer starts
        # about a second after the phone, once the mapping is made).
        lan_says = audio_files.write(self.path("lan.wav"), audio_files.speech(5.0) + audio_files.silence(12))
        wan_says = audio_files.write(self.path("wan.wav"), audio_files.speech(4.0, reverse=True) +
                                     audio_files.silence(12))
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept", "--log", mic=lan_says)
        address, port, via, line = self.mapped(phone)
        self.assertEqual((address, port, via), (ROUTER_WAN, 11676, "upnp"))
        self.assertIn("router-address=private", line)  # TEST-NET-2: not reachable from the internet
        self.assertIn(" external=%s:11676" % ROUTER_WAN, self.status(phone))
        self.assertIn("dnat ip to 10.80.0.2:11676", lab.ruleset())

        wan = self.peer(lab, lab.wan, "Wan", "--call", "%s:11676" % ROUTER_WAN, "--hangup-after", "11",
                        "--port-mapping", "0", mic=wan_says)
        wan.expect(r'^connected name="Lan" address=%s:11676 direction=outgoing' % re.escape(ROUTER_WAN), 15)
        phone.expect(r'^connected name="Wan" address=%s:11676 direction=incoming' % re.escape(WAN_PEER), 15)
        wan.send("chat hello through the router")
        phone.expect(r'^chat line="Wan> hello through the router"')
        self.assertEqual(wan.wait(timeout=30), 0)
        phone.expect(r'^party-left name="Wan" .*reason=hung-up', 15)
        for said, got, way in ((wan_says, self.path("Lan-out.wav"), "WAN to LAN"),
                               (lan_says, self.path("Wan-out.wav"), "LAN to WAN")):
            db, missing, pieces = heard(said, got)
            say("speech %s: SNR %.2f dB, %d of %d pieces missing" % (way, db, missing, pieces))
            self.assertEqual(missing, 0)
            self.assertGreaterEqual(db, MIN_SNR_DB)

        sender = self.peer(lab, lab.wan, "Sender", "--port-mapping", "0")
        sender.send("msg %s:11676 through the router" % ROUTER_WAN)
        sender.expect(r"^message-delivered address=%s:11676" % re.escape(ROUTER_WAN), 15)
        self.assertEqual(sender.quit(), 0)
        with open(os.path.join(self.path("Lan"), "KestroVox.log"), "rb") as f:
            self.assertIn("Message from Sender (%s): through the router" % WAN_PEER, f.read().decode("latin-1"))

        # Shutdown withdraws the mapping: gone from the router's rules once the phone has ended.
        started = time.monotonic()
        self.assertEqual(phone.quit(), 0)
        say("shutdown with the mapping removed: %.0f ms" % ((time.monotonic() - started) * 1000))
        rules = lab.ruleset()
        self.assertNotIn("10.80.0.2", rules)
        self.assertIn("masquerade", rules)

    def test_port_mapping_0_leaves_the_phone_unreachable(self):
        lab = self.lab()
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept", "--port-mapping", "0")
        self.assertIn(" external=none", self.status(phone))
        wan = self.peer(lab, lab.wan, "Wan", "--call", "%s:11676" % ROUTER_WAN)
        wan.expect(r"^call-failed reason=no-answer", 30)
        self.assertFalse(phone.has(r"^incoming|^connected|^mapp"))
        self.assertNotIn("10.80.0.2", lab.ruleset())

    def test_upnp_only(self):
        lab = self.lab(natpmp=False)
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept")
        self.assertEqual(self.mapped(phone)[:3], (ROUTER_WAN, 11676, "upnp"))
        self.reaches(lab, 11676, "Lan")

    def test_natpmp_only(self):
        lab = self.lab(upnp=False)
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept")
        self.assertEqual(self.mapped(phone)[:3], (ROUTER_WAN, 11676, "natpmp"))
        self.reaches(lab, 11676, "Lan")
        self.assertEqual(phone.quit(), 0)
        self.assertNotIn("10.80.0.2", lab.ruleset())

    def test_a_second_lan_phone_gets_another_external_port(self):
        lab = self.lab(lan_hosts=2)
        first = self.peer(lab, lab.lan[0], "First", "--answer", "accept")
        self.assertEqual(self.mapped(first)[1], 11676)
        second = self.peer(lab, lab.lan[1], "Second", "--answer", "accept")
        address, port, via, line = self.mapped(second)
        self.assertNotEqual(port, 11676)
        self.assertIn("port-taken=11676", line)  # says that the port asked for forwards elsewhere
        self.assertIn(" external=%s:%d" % (ROUTER_WAN, port), self.status(second))
        self.reaches(lab, port, "Second")
        self.reaches(lab, 11676, "First", caller="Wan2")

    def pinhole_reached(self, via, **kw):
        """The LAN phone opens a pinhole by `via`, the WAN peer calls it over
        IPv6 through the router, and the phone's shutdown closes it again."""
        lab = self.lab(ipv6=True, **kw)
        lan6 = lab.lan_addresses6[0].replace(":0::", "::")
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept")
        started = time.monotonic()
        m = phone.expect(PINHOLE, 20)
        say("%s: %s, %.0f ms after ready" % (phone.name, m.string, (time.monotonic() - started) * 1000))
        self.assertEqual(m.groups(), (lan6, "11676", via))
        # miniupnpd's rule matches the destination address as raw bytes of the IPv6 header.
        rule = "th dport 11676 @nh,192,128 0x%s" % ipaddress.IPv6Address(lan6).packed.hex()
        self.assertIn(rule, lab.ruleset())
        wan = self.peer(lab, lab.wan, "Wan", "--port-mapping", "0")
        wan.send("call [%s]:11676" % lan6)
        wan.expect(r'^connected name="Lan" address=\[%s\]:11676 direction=outgoing' % re.escape(lan6), 15)
        phone.expect(r'^connected name="Wan" address=\[%s\]:11676 direction=incoming' % re.escape(WAN_PEER6), 15)
        self.assertEqual(wan.quit(), 0)
        self.assertEqual(phone.quit(), 0)
        self.assertNotIn(rule, lab.ruleset())
        return lab

    def test_an_ipv6_pinhole_by_upnp_lets_the_wan_peer_call(self):
        lab = self.pinhole_reached("upnp")
        with open(lab.daemon_log) as f:
            log = f.read()
        # Asked over IPv6 by the phone's own address (the router checks it), and deleted at the shutdown.
        self.assertRegex(log, r"HTTP REQUEST from \[2001:db8:80::2\]:\d+ : POST /ctl/IP6FCtl")
        self.assertRegex(log, r"AddPinhole: \(inbound\) from \[\]:0 to \[2001:db8:80::2\]:11676 with proto 17")
        self.assertRegex(log, r"DeletePinhole: \(inbound\) pinhole with ID \d+ successfully removed")

    def test_an_ipv6_pinhole_by_pcp(self):
        self.pinhole_reached("pcp", upnp=False)

    def test_port_mapping_0_opens_no_pinhole(self):
        lab = self.lab(ipv6=True)
        phone = self.peer(lab, lab.lan[0], "Lan", "--answer", "accept", "--port-mapping", "0")
        dropped = lab.unsolicited()
        wan = self.peer(lab, lab.wan, "Wan", "--port-mapping", "0", "--call", "[2001:db8:80::2]:11676")
        wan.expect(r"^call-failed reason=no-answer", 30)
        self.assertFalse(phone.has(r"^incoming|^connected|^pinhole"))
        self.assertGreater(lab.unsolicited(), dropped)

    def test_a_gateway_that_answers_nothing_delays_neither_start_nor_calls(self):
        """Two phones on one LAN whose gateway drops everything: start-up and
        a call between them with port mapping on and off, measured."""
        lab = Lab(3)
        self.addCleanup(lab.close)
        gateway = lab.hosts[2]
        run("ip", "netns", "exec", gateway, "nft",
            "add table inet dropall; "
            "add chain inet dropall input { type filter hook input priority 0; policy drop; }; "
            "add chain inet dropall forward { type filter hook forward priority 0; policy drop; }")
        for host in lab.hosts[:2]:
            run("ip", "-n", host, "route", "add", "default", "via", lab.addresses[2])
        figures = {}
        for mapping in ("1", "0"):
            tag = "on" if mapping == "1" else "off"
            home = self.path("silent-" + tag)
            os.makedirs(home)
            env = {"XDG_CONFIG_HOME": home}

            def start(host, name, *args):
                started = time.monotonic()
                p = lab.start(host, ["--identity", name, "--mic", self.silence, "--port-mapping", mapping,
                                     "--speaker", self.path("%s-%s.wav" % (name, tag))] + list(args), env=env,
                              name="%s %s" % (name, tag))
                p.expect(r"^ready ", 15)
                return p, time.monotonic() - started

            callee, callee_ready = start(1, "Callee", "--answer", "accept")
            caller, caller_ready = start(0, "Caller")
            sent = time.monotonic()
            caller.send("call %s" % lab.addresses[1])
            caller.expect(r"^connected ", 15)
            setup = time.monotonic() - sent
            if mapping == "1":
                m = caller.expect(r"^mapping-failed reason=(.*)", 30)
                failed = time.monotonic() - sent
                self.assertIn(" external=none", self.status(caller))
                say("no router answers: %s, %.0f ms after the call was placed" % (m.string, failed * 1000))
            # A peer that ends while it still looks for the router.
            early, _ = start(0, "Early", "--port", "11677")
            started = time.monotonic()
            self.assertEqual(early.quit(), 0)
            quit_ms = (time.monotonic() - started) * 1000
            self.assertEqual(caller.quit(), 0)
            self.assertEqual(callee.quit(), 0)
            figures[tag] = (max(callee_ready, caller_ready) * 1000, setup * 1000, quit_ms)
        for tag in ("on", "off"):
            say("port mapping %s behind a silent gateway: ready after %.0f ms, call set up in %.0f ms, "
                "a quit at start in %.0f ms"
                % ((tag,) + figures[tag]))


JUNK_GATEWAY = os.path.join(HERE, "junk_gateway.py")


@unittest.skipIf(available(), available())
class NonsenseFromTheRouter(unittest.TestCase):
    def test_phones_survive_a_gateway_that_answers_nonsense(self):
        """Malformed SSDP, device description, SOAP and NAT-PMP replies: each
        phone ends its search with a line, keeps answering, calls, and ends cleanly."""
        work = tempfile.mkdtemp(prefix="kv_router_junk_")
        self.addCleanup(shutil.rmtree, work, True)
        lab = Lab(2)
        self.addCleanup(lab.close)
        run("ip", "-n", lab.hosts[0], "route", "add", "default", "via", lab.addresses[1])
        gateway = lab.spawn(1, [sys.executable, JUNK_GATEWAY, lab.addresses[1]], stdout=subprocess.PIPE, text=True)
        self.addCleanup(gateway.stdout.close)
        self.assertEqual(gateway.stdout.readline().strip(), "ready")
        silence = audio_files.write(os.path.join(work, "silence.wav"), audio_files.silence(30))
        phones = []
        for i in range(4):  # several searches at once meet the replies in several orders
            home = os.path.join(work, "p%d" % i)
            os.makedirs(home)
            phones.append(lab.start(0, ["--identity", "P%d" % i, "--port", str(11676 + i), "--mic", silence,
                                        "--speaker", os.path.join(home, "out.wav"), "--answer", "accept"],
                                    env={"XDG_CONFIG_HOME": home}, name="P%d" % i))
        for phone in phones:
            m = phone.expect(r"^(mapped|mapping-failed) .*", 30)
            say("%s: %s" % (phone.name, m.group(0)[:160]))
            start = len(phone.lines)
            phone.send("status")
            phone.expect_after(start, r"^status .* external=")
        phones[0].send("call 127.0.0.1:11677")
        phones[0].expect(r"^connected ", 15)
        self.assertEqual(gateway.poll(), None, "the junk gateway itself failed")
        for phone in phones:
            self.assertEqual(phone.quit(), 0, "\n".join(phone.stderr[-20:]))


LYING_GATEWAY = os.path.join(HERE, "lying_gateway.py")
OTHER_PORT = 5000


def memory_kb(peer):
    """The peak (VmHWM) and current (VmRSS) resident memory of a console peer, in kB."""
    fields = {}
    with open("/proc/%d/status" % peer.process.pid) as f:
        for line in f:
            name, _, value = line.partition(":")
            fields[name] = value.split()
    return int(fields["VmHWM"][0]), int(fields["VmRSS"][0])


def line_within(process, seconds):
    """The next line a helper prints, or None when none comes within seconds."""
    ready, _, _ = select.select([process.stdout], [], [], seconds)
    return process.stdout.readline().strip() if ready else None


@unittest.skipIf(available(), available())
class LyingGateway(unittest.TestCase):
    """A LAN host posing as the router answers the search, then names
    another LAN host for the description, then for the control URL, sends a
    200 MB description, and drips one byte every 0.2 s. Nothing reaches the
    other host, the phone's memory stays flat, and each search ends within
    its deadlines (1 s search, 2 s per HTTP exchange, then NAT-PMP's 1 s)."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="kv_router_lying_")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.lab = Lab(3)  # the phone, the lying gateway, another host of the LAN
        self.addCleanup(self.lab.close)
        self.phone_address, self.gateway, self.other = self.lab.addresses
        run("ip", "-n", self.lab.hosts[0], "route", "add", "default", "via", self.gateway)
        # Every TCP packet from the phone that reaches the other host, to any port, is counted.
        run("ip", "netns", "exec", self.lab.hosts[2], "nft",
            "add table inet watch; "
            "add chain inet watch input { type filter hook input priority 0; policy accept; }; "
            "add rule inet watch input ip saddr %s meta l4proto tcp counter" % self.phone_address)
        self.listener = self.lab.spawn(2, [sys.executable, LYING_GATEWAY, "listen", self.other, str(OTHER_PORT)],
                                       stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.listener.stdout.close)
        self.assertEqual(line_within(self.listener, 10), "ready")
        # The listener does see a connection that comes: one from the gateway's host.
        run("ip", "netns", "exec", self.lab.hosts[1], sys.executable, "-c",
            "import socket; socket.create_connection((%r, %d), 5).close()" % (self.other, OTHER_PORT))
        self.assertEqual(line_within(self.listener, 10), "connection from %s" % self.gateway)
        self.silence = audio_files.write(os.path.join(self.work, "silence.wav"), audio_files.silence(30))

    def search(self, mode):
        """The lying gateway in `mode` and a phone that looks for it: (phone,
        its mapping line, seconds from its start to that line, gateway).
        The gateway of the search before is ended first."""
        for earlier in self.lab._helpers[1:]:
            stop(earlier, signal.SIGKILL)
        gateway = self.lab.spawn(1, [sys.executable, LYING_GATEWAY, mode, self.gateway, self.other, str(OTHER_PORT)],
                                 stdout=subprocess.PIPE, text=True)
        self.addCleanup(gateway.stdout.close)
        self.assertEqual(line_within(gateway, 10), "ready")
        home = os.path.join(self.work, mode)
        os.makedirs(home)
        started = time.monotonic()
        phone = self.lab.start(0, ["--identity", "Lan", "--mic", self.silence,
                                   "--speaker", os.path.join(home, "out.wav")],
                               env={"XDG_CONFIG_HOME": home}, name=mode)
        _, ended, m = phone.expect_after(0, r"^(mapped|mapping-failed) .*", 30)
        return phone, m.group(0), ended - started, gateway

    def test_a_lying_gateway_gets_nothing_it_asks_for(self):
        elsewhere = re.escape("names another host, %s" % self.other)
        phone, line, _, _ = self.search("description-elsewhere")
        self.assertRegex(line, r'^mapping-failed reason="upnp: .*its description URL ' + elsewhere)
        reference_kb = memory_kb(phone)
        self.assertEqual(phone.quit(), 0)

        phone, line, _, _ = self.search("control-elsewhere")
        self.assertRegex(line, r'^mapping-failed reason="upnp: .*its control URL ' + elsewhere)
        self.assertEqual(phone.quit(), 0)

        phone, line, _, gateway = self.search("huge-body")
        self.assertRegex(line, r'^mapping-failed reason="upnp: .*the HTTP body is larger than 64 kB')
        peak_kb, resident_kb = memory_kb(phone)
        self.assertEqual(phone.quit(), 0)
        sent = line_within(gateway, 20)
        say("a 200 MB description (%d kB): the phone's VmHWM %d kB, VmRSS %d kB; with a refused LOCATION "
            "VmHWM %d kB, VmRSS %d kB; the gateway: %s" % ((200 * 1024, peak_kb, resident_kb) + reference_kb + (sent,)))
        self.assertLess(peak_kb - reference_kb[0], 32 * 1024)

        phone, line, seconds, gateway = self.search("drip")
        self.assertRegex(line, r'^mapping-failed reason="upnp: .*no whole answer from %s:49152 in time'
                         % re.escape(self.gateway))
        self.assertEqual(phone.quit(), 0)
        say("a description dripped a byte every 0.2 s: the search ended %.0f ms after the phone started "
            "(deadlines 1 + 2 s, NAT-PMP 1 s); the gateway: %s" % (seconds * 1000, line_within(gateway, 20)))
        self.assertLess(seconds, 7)

        self.listener.kill()
        self.listener.wait()
        seen = self.listener.stdout.read()
        counted = subprocess.run(["ip", "netns", "exec", self.lab.hosts[2], "nft", "list", "table", "inet", "watch"],
                                 capture_output=True, text=True, check=True).stdout
        packets = int(re.search(r"counter packets (\d+)", counted).group(1))
        say("requests that reached the other host %s: %d connections, %d TCP packets from the phone"
            % (self.other, seen.count("connection from %s" % self.phone_address), packets))
        self.assertNotIn("connection from %s" % self.phone_address, seen)
        self.assertEqual(packets, 0)


def windows_unavailable():
    import test_windows
    test_windows.WINDOWS = os.environ.get("KV_WINDOWS_BUILD", test_windows.WINDOWS)
    return available() or test_windows.available()


@unittest.skipIf(windows_unavailable(), windows_unavailable())
class WindowsProgramBehindTheRouter(unittest.TestCase):
    """KestroVox.exe under Wine on the LAN side maps its port too (also by NAT-PMP alone), and the WAN peer
    reaches it."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_router_win_")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_the_windows_program_maps_its_port(self):
        lab = self.maps_and_is_reached("UPnP and NAT-PMP")
        # By UPnP, tried first (our client over Winsock): mapped, then removed at the close.
        with open(lab.daemon_log) as f:
            log = f.read()
        self.assertRegex(log, r"AddPortMapping: ext port 11676 to 10\.80\.0\.2:11676 protocol UDP for: KestroVox")
        self.assertRegex(log, r"DeletePortMapping: external port: 11676, protocol: UDP")

    def test_the_windows_program_maps_its_port_by_natpmp(self):
        lab = self.maps_and_is_reached("NAT-PMP only", upnp=False)
        # The router's own account: mapped, then removed at the close, by NAT-PMP.
        with open(lab.daemon_log) as f:
            log = f.read()
        self.assertRegex(log, r"NAT-PMP port mapping request : 11676->10\.80\.0\.2:11676 udp lifetime=[1-9]")
        self.assertRegex(log, r"NAT-PMP UDP port 11676 mapping removed")

    def maps_and_is_reached(self, router, **kw):
        import test_windows
        work = os.path.join(self.dir, "lab")
        os.makedirs(work)
        lab = RouterLab(work, **kw)
        self.addCleanup(lab.close)
        win = test_windows.WineHost(self, lab.lan[0], os.path.join(self.dir, "win"))
        started = time.monotonic()
        program = win.start("wine", "KestroVox.exe")
        self.addCleanup(stop, program, signal.SIGKILL)
        deadline = time.monotonic() + 90
        while "dnat ip to 10.80.0.2:11676" not in lab.ruleset():
            self.assertIsNone(program.poll(), "KestroVox.exe ended early")
            self.assertLess(time.monotonic(), deadline, "KestroVox.exe made no mapping:\n" + lab.ruleset())
            time.sleep(0.1)
        say("KestroVox.exe under Wine, router with %s: mapping at the router %.1f s after the start "
            "(Wine's start included)" % (router, time.monotonic() - started))
        home = os.path.join(self.dir, "Wan")
        os.makedirs(home)
        silence = audio_files.write(os.path.join(self.dir, "silence.wav"), audio_files.silence(20))
        wan = lab.start(lab.wan, ["--identity", "Wan", "--mic", silence, "--speaker", os.path.join(home, "out.wav"),
                                  "--port-mapping", "0", "--call", "%s:11676" % ROUTER_WAN],
                        {"XDG_CONFIG_HOME": home}, "Wan")
        wan.expect(r'^connected name="Win" address=%s:11676 direction=outgoing' % re.escape(ROUTER_WAN), 20)
        self.assertEqual(wan.quit(), 0)
        # "&Close" from the tray menu: the program ends and its mapping goes with it.
        win.run("wine", "tests/kv_dial.exe", "--close")
        self.assertEqual(program.wait(timeout=30), 0)
        self.assertNotIn("10.80.0.2", lab.ruleset())
        return lab


if __name__ == "__main__":
    unittest.main(verbosity=2)
