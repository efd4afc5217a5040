#!/usr/bin/env python3
"""System tests over IPv6: console peers in network namespaces on one bridge,
with addresses in the documentation prefix 2001:db8::/32.

- Two peers with IPv6 alone: a private call with speech both ways, chat, a
  short message, and port unreachable once the callee has gone.
- A peer of both families and an older one that knows IPv4 only (a plain
  peer with an IPv4 socket): each calls the other; a name with both an IPv6
  and an IPv4 address reaches the older one over IPv4 (its host refuses
  IPv6 with port unreachable).
- A name with both addresses whose IPv6 path drops everything connects over
  IPv4 within 1 s of a call to the IPv4 address itself.

Needs root; skips with a message otherwise."""

import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_files  # noqa: E402
from netlab import Lab  # noqa: E402
from test_system import MIN_SNR_DB, assert_heard  # noqa: E402

HAPPY_EYEBALLS_SLACK = 1.0  # s: a name with a dead IPv6 path against the IPv4 address
CALLS_MEASURED = 3          # each way of calling, alternately; the fastest of each counts


@unittest.skipUnless(os.geteuid() == 0, "system tests need root for network namespaces")
class IPv6(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_ipv6_")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.silence = audio_files.write(self.path("silence.wav"), audio_files.silence(20))

    def path(self, name):
        return os.path.join(self.dir, name)

    def lab(self, families):
        lab = Lab(len(families), families)
        self.addCleanup(lab.close)
        return lab

    def peer(self, lab, host, name, *args, mic=None):
        home = self.path(name)
        os.makedirs(home, exist_ok=True)
        env = {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}
        # As in test_system.py: the transport is measured, not the playout's
        # concealment or the echo processing.
        argv = ["--identity", name, "--mic", mic or self.silence, "--speaker", self.path(name + "-out.wav"),
                "--conceal", "0", "--echo-cancel", "0", "--noise-suppress", "0"]
        p = lab.start(host, argv + list(args), env=env, name=name)
        p.expect(r"^ready name=\"%s\" port=11676" % name)
        return p

    def test_two_peers_with_ipv6_alone(self):
        for attempt in range(2):
            if self.ipv6_call(again=attempt > 0):
                break
            print("\n  (speech below %.0f dB: the call once more)" % MIN_SNR_DB, end="")

    def ipv6_call(self, again):
        lab = self.lab(["6", "6"])
        ann_at, bob_at = lab.addresses6
        tag = "b" if again else ""
        ann_says = audio_files.write(self.path("ann%s.wav" % tag), audio_files.speech(2.5))
        bob_says = audio_files.write(self.path("bob%s.wav" % tag), audio_files.speech(2.5, reverse=True))
        bob = self.peer(lab, 1, "Bob" + tag, "--answer", "accept", "--log", mic=bob_says)
        ann = self.peer(lab, 0, "Ann" + tag, "--call", bob_at, "--hangup-after", "9", mic=ann_says)
        bob6 = re.escape("[%s]:11676" % bob_at)
        ann6 = re.escape("[%s]:11676" % ann_at)
        ann.expect(r'^connected name="Bob%s" address=%s direction=outgoing .*private=1' % (tag, bob6))
        bob.expect(r'^connected name="Ann%s" address=%s direction=incoming .*private=1' % (tag, ann6))
        self.assertRegex(ann.poll_party(r"private=1"), r"address=%s " % bob6)
        ann.send("chat Hello over IPv6")
        bob.expect(r'^chat line="Ann%s> Hello over IPv6"' % tag)
        bob.send("msg %s See you at eight" % ann_at)
        bob.expect(r"^message-refused address=%s" % ann6)  # Ann keeps no log
        ann.send("msg [%s]:11676 Noted" % bob_at)
        ann.expect(r"^message-delivered address=%s" % bob6)
        self.assertEqual(ann.wait(timeout=20), 0)
        bob.expect(r'^party-left name="Ann%s" .*reason=hung-up' % tag)
        self.assertEqual(bob.quit(), 0)
        with open(os.path.join(self.path("Bob" + tag), "KestroVox.log"), "rb") as f:
            self.assertIn("Message from Ann%s (%s): Noted" % (tag, ann_at), f.read().decode("latin-1"))
        # Nobody listens on Bob's port now: his host refuses over ICMPv6.
        start = time.monotonic()
        late = self.peer(lab, 0, "Late" + tag, "--call", "[%s]:11676" % bob_at)
        late.expect(r"^call-failed reason=not-active", timeout=10)
        self.assertLess(time.monotonic() - start, 4.5)
        heard = [assert_heard(self, ann_says, self.path("Bob%s-out.wav" % tag), "IPv6 speech Ann to Bob", fail=again),
                 assert_heard(self, bob_says, self.path("Ann%s-out.wav" % tag), "IPv6 speech Bob to Ann", fail=again)]
        return all(heard)

    def test_a_peer_of_both_families_and_an_older_ipv4_peer(self):
        lab = self.lab(["46", "46"])
        lab.hosts_file(0, {"old.test": [lab.addresses6[1], lab.addresses[1]]})
        old = self.peer(lab, 1, "Old", "--privacy", "0", "--ipv4-only", "--answer", "accept")
        new = self.peer(lab, 0, "New", "--answer", "accept")
        old.send("call %s" % lab.addresses[0])
        old.expect(r'^connected name="New" address=%s:11676 direction=outgoing .*private=0' %
                   re.escape(lab.addresses[0]))
        new.expect(r'^connected name="Old" address=%s:11676 direction=incoming .*private=0' %
                   re.escape(lab.addresses[1]))
        old.send("hangup")
        new.expect(r'^party-left name="Old"')
        # By a name with both addresses: the IPv6 one is refused, the IPv4 one answers.
        new.send("call old.test")
        new.expect(r"^calling address=%s" % re.escape("[%s]:11676" % lab.addresses6[1]))
        new.expect(r'^connected name="Old" address=%s:11676 direction=outgoing .*private=0' %
                   re.escape(lab.addresses[1]))
        old.expect(r'^connected name="New" address=%s:11676 direction=incoming' % re.escape(lab.addresses[0]))
        self.assertEqual(new.quit(), 0)
        old.expect(r'^party-left name="New"')
        self.assertFalse(old.has(r"^incoming-call .*\["), "the older peer saw an IPv6 address")
        self.assertEqual(old.quit(), 0)

    def test_a_name_whose_ipv6_path_drops_everything_connects_over_ipv4(self):
        lab = self.lab(["46", "46"])
        lab.hosts_file(0, {"bob.test": [lab.addresses6[1], lab.addresses[1]]})
        lab.nft(1, "table inet kvdrop {\n chain in {\n  type filter hook input priority 0;\n"
                   "  meta nfproto ipv6 udp dport 11676 drop\n }\n}\n")
        bob = self.peer(lab, 1, "Bob", "--answer", "accept")
        times = {"by name": [], "by IPv4 address": []}
        for round_ in range(CALLS_MEASURED):
            for how, target in (("by IPv4 address", lab.addresses[1]), ("by name", "bob.test")):
                # A new caller each time: no session from the call before.
                name = "Ann%d%s" % (round_, "n" if how == "by name" else "a")
                ann = self.peer(lab, 0, name, "--call", target)
                sent = ann.expect_after(0, r"^calling ")[1]
                _, connected, m = ann.expect_after(0, r"^connected name=\"Bob\" address=(\S+) ")
                self.assertEqual(m.group(1), "%s:11676" % lab.addresses[1])
                times[how].append(connected - sent)
                start = len(bob.lines)
                self.assertEqual(ann.quit(), 0)
                bob.expect_after(start, r'^party-left name="%s"' % name)
        best = {how: min(t) for how, t in times.items()}
        print("\n  connected by IPv4 address in %.0f ms, by a name with a dead IPv6 path in %.0f ms "
              "(fastest of %d each)" % (best["by IPv4 address"] * 1000, best["by name"] * 1000, CALLS_MEASURED),
              end="")
        self.assertLess(best["by name"], best["by IPv4 address"] + HAPPY_EYEBALLS_SLACK)


if __name__ == "__main__":
    unittest.main(verbosity=2)
