#!/usr/bin/env python3
"""System tests of HD voice: console peers in network namespaces with 16 kHz
WAV files. Two private peers with HD voice on talk Opus both ways, and what
each hears measures clearly better than the same speech through GSM 6.10
(HD voice off on one side); an older plain peer gets GSM 6.10. Needs root;
skips with a message otherwise."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_files  # noqa: E402
from netlab import Lab, ROOT  # noqa: E402

QUALITY = os.path.join(ROOT, "build", "native", "bench", "kv_wideband_quality")
# What Opus must do better than GSM 6.10 on the same speech, heard at 16 kHz:
# a log-spectral distance over 0-8 kHz at least this much lower (dB), and at
# least this much more of the speech's energy above 4 kHz (percentage points;
# GSM 6.10 carries none).
LSD_MARGIN_DB = 4.0
HIGH_BAND_MARGIN = 30.0
SPEECH_LEAD = 2.5  # seconds of silence before each microphone's speech
CALL_SECONDS = 13  # the caller hangs up this long after connecting: the speech and the playout's delay


def quality(said, heard):
    out = subprocess.run([QUALITY, "compare", said, heard], check=True, capture_output=True, text=True).stdout
    m = re.search(r"snr=(-?[\d.]+|-?inf|nan) lsd=([\d.]+|inf|nan) hb=([\d.]+)", out)
    return float(m.group(1)), float(m.group(2)), float(m.group(3))


@unittest.skipUnless(os.geteuid() == 0, "system tests need root for network namespaces")
class HdVoice(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_hd_")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.says = [audio_files.write(self.path("ann-says.wav"), audio_files.speech(SPEECH_LEAD, wideband=True),
                                       16000),
                     audio_files.write(self.path("bob-says.wav"),
                                       audio_files.speech(SPEECH_LEAD, reverse=True, wideband=True), 16000)]

    def path(self, name):
        return os.path.join(self.dir, name)

    def peer(self, lab, host, name, mic, *args):
        home = self.path(name)
        os.makedirs(home, exist_ok=True)
        env = {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home}
        # As in test_system.py: the codec and the transport, without
        # concealment (a bridged gap shifts the rest of the file) or echo
        # processing (test_echo.py measures that).
        argv = ["--identity", name, "--mic", mic, "--speaker", self.path(name + "-out.wav"), "--port-mapping", "0",
                "--conceal", "0", "--echo-cancel", "0", "--noise-suppress", "0"]
        p = lab.start(host, argv + list(args), env=env, name=name)
        p.expect(r'^ready name="%s" port=11676' % name)
        return p

    def talk(self, tag, ann_args, bob_args, codec):
        """Ann calls Bob; both say their speech; each must hear the other in
        `codec`. Returns what each heard against what the other said:
        [(snr, lsd, high band) Ann to Bob, Bob to Ann]."""
        lab = Lab(2)
        self.addCleanup(lab.close)
        ann, bob = "Ann" + tag, "Bob" + tag
        callee = self.peer(lab, 1, bob, self.says[1], "--answer", "accept", *bob_args)
        caller = self.peer(lab, 0, ann, self.says[0], "--call", lab.addresses[1], "--hangup-after",
                           str(CALL_SECONDS), *ann_args)
        caller.expect(r'^connected name="%s" ' % bob, timeout=15)
        callee.expect(r'^connected name="%s" ' % ann, timeout=15)
        caller.poll_party(r" codec=%d\b" % codec, timeout=8)
        callee.poll_party(r" codec=%d\b" % codec, timeout=8)
        self.assertEqual(caller.wait(timeout=CALL_SECONDS + 15), 0)
        callee.expect(r'^party-left name="%s" .*reason=hung-up' % ann)
        self.assertEqual(callee.quit(), 0)
        heard = [quality(self.says[0], self.path(bob + "-out.wav")), quality(self.says[1], self.path(ann + "-out.wav"))]
        for direction, (snr, lsd, hb) in zip(("Ann to Bob", "Bob to Ann"), heard):
            print("\n  %s, codec %d, %s: SNR %.2f dB, log-spectral distance %.2f dB, %.0f%% of the energy above 4 kHz"
                  % (tag, codec, direction, snr, lsd, hb), end="")
        return heard

    def test_hd_voice_between_private_peers_and_gsm_otherwise(self):
        hd = self.talk("Hd", [], [], 2)
        gsm = self.talk("Off", ["--hd-voice", "0"], [], 0)
        for direction, opus, narrow in zip(("Ann to Bob", "Bob to Ann"), hd, gsm):
            self.assertLessEqual(opus[1], narrow[1] - LSD_MARGIN_DB, "%s: Opus against GSM 6.10" % direction)
            self.assertGreaterEqual(opus[2], narrow[2] + HIGH_BAND_MARGIN, "%s: Opus against GSM 6.10" % direction)
        # An older peer: plain, so never offered Opus; our HD voice stays on.
        self.talk("Plain", [], ["--privacy", "0"], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
