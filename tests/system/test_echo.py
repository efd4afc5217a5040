#!/usr/bin/env python3
"""System test of echo cancellation: console peers in network namespaces on one
shared WAV timeline. Bob sits in a room (his microphone hears his near-end
file plus his loudspeaker, 20 ms later through a decaying noise tail at -6 dB,
plus a little noise); Ann has plain WAV devices. Ann talks while Bob is silent,
then both talk, then only Bob. In what Ann receives we measure her own voice
coming back (the echo return loss: how far below her original it lies) with
Bob's EchoCancel 0 and 1, and Bob's voice during the double talk: its level
against Bob talking alone, and its SNR after alignment against Bob's near-end
file passed once through GSM 6.10 (sox, bit-exact with our codec), since the
codec alone keeps speech to about 10 dB against the original. Needs root."""

import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_files  # noqa: E402
from netlab import Lab, ROOT  # noqa: E402

RATE = audio_files.RATE
WAVTOOL = os.environ.get("KV_WAVTOOL") or os.path.join(ROOT, "build", "native", "tests", "kv_wavtool")

# The timeline (seconds): Ann's sentence alone, then again while Bob talks,
# then Bob's sentence alone once more, on the same 40 ms frame grid as the
# first (so the codec cuts both alike).
ANN_FIRST = 1.0
BOTH = 7.0
VOICE2 = os.path.join(ROOT, "tests", "data", "speech8k_voice2.wav")

# Goals with cancellation on.
MIN_ERL_DB = 30.0
MAX_DOUBLE_TALK_DROP_DB = 3.0
# Against the near end through GSM once: Bob alone reaches about 12 dB without
# processing and about 10 with it, so the codec leaves no room for the goal of
# 12 dB in double talk here; the unit test of the canceller measures it where
# the processing hands the microphone to the encoder (about 16 dB).
MIN_DOUBLE_TALK_SNR_DB = 8.0


def rms(x):
    return math.sqrt(sum(v * v for v in x) / max(1, len(x))) or 1e-9


def db(ratio):
    return 20 * math.log10(max(ratio, 1e-9))


def window(x, start_s, end_s, shift=0):
    a, b = int(start_s * RATE) + shift, int(end_s * RATE) + shift
    return [x[i] if 0 <= i < len(x) else 0 for i in range(a, b)]


def aligned(dir_path, name, ref, got):
    """wavtool's SNR of got against ref, each quarter second aligned on its own
    (a playout that restarts shifts the rest by a few samples): (snr, gain)."""
    ref_path = audio_files.write(os.path.join(dir_path, name + "-ref.wav"), ref)
    got_path = audio_files.write(os.path.join(dir_path, name + "-got.wav"), got)
    out = subprocess.run([WAVTOOL, "snr", ref_path, got_path, "0.1"], check=True, capture_output=True,
                         text=True).stdout
    m = re.search(r"snr=([-\d.inf]+) gain=([-\d.]+)", out)
    return float(m.group(1)), float(m.group(2))


def lag_of(ref_path, got_path):
    """The lag (samples) at which got best matches ref (wavtool aligns them)."""
    out = subprocess.run([WAVTOOL, "snr", ref_path, got_path, "2"], check=True, capture_output=True, text=True).stdout
    return int(re.search(r"lag=(-?\d+)", out).group(1))


def gsm_round_trip(source, target):
    """source through GSM 6.10 and back (sox), as the far end decodes it."""
    coded = target + ".gsm.wav"
    subprocess.run(["sox", source, "-e", "gsm-full-rate", coded], check=True, capture_output=True)
    subprocess.run(["sox", coded, "-e", "signed-integer", "-b", "16", target], check=True, capture_output=True)
    return target


def impulse_response(path, ms=120, seed=5):
    """A decaying noise tail, 60 dB down over its length."""
    rng = random.Random(seed)
    n = int(ms * RATE / 1000)
    return audio_files.write(path, [int(20000 * (rng.random() * 2 - 1) * 10 ** (-3.0 * i / n)) for i in range(n)])


@unittest.skipUnless(os.geteuid() == 0, "system tests need root for network namespaces")
@unittest.skipUnless(shutil.which("sox"), "the echo test needs sox")
class Echo(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kv_echo_")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.ir = impulse_response(self.path("room.wav"))

    def path(self, name):
        return os.path.join(self.dir, name)

    def peer(self, lab, host, name, epoch, mic, *args):
        home = self.path(name)
        os.makedirs(home, exist_ok=True)
        env = {"XDG_CONFIG_HOME": home, "KESTROVOX_LOG_DIR": home, "KESTROVOX_AUDIO_EPOCH_US": str(epoch)}
        # With concealment (the default): a gap bridged keeps the loudspeaker's
        # device open, so the echo reference runs on without starting anew.
        # GSM 6.10: the near end's voice is compared with its own GSM round trip.
        argv = ["--identity", name, "--mic", mic, "--speaker", self.path(name + "-out.wav"), "--hd-voice", "0"]
        p = lab.start(host, argv + list(args), env=env, name=name)
        p.expect(r"^ready name=\"%s\" port=11676" % name)
        return p

    def test_echo_return_loss_and_double_talk(self):
        results = self.double_talk()
        if results[1][3] < MIN_DOUBLE_TALK_SNR_DB:
            # Now and then, on a busy machine, Bob's playout moves by a
            # frame or two between the pieces measured: made once more.
            print("\n  double talk SNR %.1f dB with cancellation: the calls are made once more" % results[1][3], end="")
            results = self.double_talk()
        erl_on, level_both_on, _, snr_both_on, snr_alone_on = results[1]
        erl_off, level_alone_off = results[0][0], results[0][2]
        # With cancellation the echo left is tens of dB down, so the level of
        # what Ann hears during double talk is Bob's; against Bob alone with
        # no processing at all.
        turned = db(level_both_on / level_alone_off)
        print("\n  Bob's voice during double talk with cancellation against him alone without: %+.1f dB" % turned,
              end="")
        self.assertLess(erl_off, 20.0)  # without it the echo comes back loud: the room is real
        self.assertGreaterEqual(erl_on, MIN_ERL_DB)
        self.assertGreaterEqual(turned, -MAX_DOUBLE_TALK_DROP_DB)
        # The residual echo adds little to what the processing itself changes
        # in Bob's voice, and less than the echo does without cancellation.
        self.assertGreaterEqual(snr_both_on, snr_alone_on - 3.0)
        self.assertGreaterEqual(snr_both_on, MIN_DOUBLE_TALK_SNR_DB)
        self.assertGreater(snr_both_on, results[0][3])

    def double_talk(self):
        """Two calls at once, Bob's cancellation off and on; for each setting
        (echo return loss, Bob's level in double talk, alone, his SNR in
        double talk, alone)."""
        ann_voice = audio_files.read(audio_files.SPEECH)
        bob_voice = audio_files.read(VOICE2)
        frame = 320
        bob_alone = BOTH + math.ceil((len(bob_voice) / RATE + 0.3) * RATE / frame) * frame / RATE
        length = int((bob_alone + len(bob_voice) / RATE + 1.0) * RATE)
        ann = [0] * length
        bob = [0] * length
        for start, voice, track in ((ANN_FIRST, ann_voice, ann), (BOTH, ann_voice, ann), (BOTH, bob_voice, bob),
                                    (bob_alone, bob_voice, bob)):
            at = int(start * RATE)
            track[at:at + len(voice)] = voice
        ann_says = audio_files.write(self.path("ann-says.wav"), ann)
        bob_says = audio_files.write(self.path("bob-says.wav"), bob)
        bob_coded = audio_files.read(gsm_round_trip(bob_says, self.path("bob-coded.wav")))

        # Two calls at once on one timeline: Bob with cancellation off, and on.
        lab = Lab(4)
        self.addCleanup(lab.close)
        # The timeline begins once all four have started; the calls connect before that.
        epoch = int(time.time() * 1e6) + 2000000
        pairs = []
        for setting in (0, 1):
            b = self.peer(lab, 2 * setting + 1, "Bob%d" % setting, epoch, bob_says, "--answer", "accept",
                          "--room", self.ir, "--echo-cancel", str(setting), "--noise-suppress", str(setting))
            a = self.peer(lab, 2 * setting, "Ann%d" % setting, epoch, ann_says, "--call",
                          lab.addresses[2 * setting + 1], "--hangup-after", "%.1f" % (length / RATE + 1.0))
            pairs.append((setting, a, b))
        for setting, a, b in pairs:
            a.expect(r"^connected name=\"Bob%d\"" % setting)
            b.send("status")
            b.expect(r"^status .* echo-cancel=%d noise-suppress=%d\b" % (setting, setting))
        for setting, a, b in pairs:
            self.assertEqual(a.wait(timeout=length / RATE + 20), 0)
            b.expect(r"^party-left name=\"Ann%d\"" % setting)
            self.assertEqual(b.quit(), 0)

        # Where Bob's voice lands in what Ann heard (the one-way delay).
        results = {}
        for setting, _, _ in pairs:
            heard = audio_files.read(self.path("Ann%d-out.wav" % setting))
            lag = lag_of(self.path("bob-coded.wav"), self.path("Ann%d-out.wav" % setting))
            # Echo return loss: Ann alone, from 2 s after she began until her
            # sentence ends (her echo arrives later still, by the round trip).
            ann_end = ANN_FIRST + len(ann_voice) / RATE
            erl = db(rms(window(ann, ANN_FIRST + 2, ann_end)) / rms(window(heard, ANN_FIRST + 2, ann_end, lag)))
            # Bob's voice during double talk against Bob alone, both against his coded near end.
            span = len(ann_voice) / RATE - 0.5
            snr_both, _ = aligned(self.dir, "both%d" % setting, window(bob_coded, BOTH, BOTH + span),
                                          window(heard, BOTH, BOTH + span, lag))
            snr_alone, _ = aligned(self.dir, "alone%d" % setting, window(bob_coded, bob_alone, bob_alone + span),
                                            window(heard, bob_alone, bob_alone + span, lag))
            # Bob's level: what Ann heard, in his double talk and alone (the same sentence).
            level_both = rms(window(heard, BOTH, BOTH + span, lag))
            level_alone = rms(window(heard, bob_alone, bob_alone + span, lag))
            results[setting] = (erl, level_both, level_alone, snr_both, snr_alone)
            print("\n  EchoCancel %d: echo return loss %.1f dB; Bob's voice against his near end through GSM: "
                  "double talk SNR %.1f dB, alone %.1f dB, level double talk against alone %+.1f dB; one-way %d ms"
                  % (setting, erl, snr_both, snr_alone, db(level_both / level_alone), lag * 1000 // RATE), end="")
        return results

    def test_a_conference_of_three_with_two_in_rooms(self):
        """The hub sits in a room and hears Ann and Bob, each a playout of its
        own: its reference is their sum. Ann sits in a room too. Bob talks,
        then Ann; each must hear little of their own voice back through the
        hub's room (nothing else forwards it)."""
        voice = audio_files.read(audio_files.SPEECH)
        first, second = 1.0, 7.5
        length = int((second + len(voice) / RATE + 1.5) * RATE)
        tracks = {"Bob": [0] * length, "Ann": [0] * length, "Hub": [0] * length}
        for name, start in (("Bob", first), ("Ann", second)):
            at = int(start * RATE)
            tracks[name][at:at + len(voice)] = voice
        says = {name: audio_files.write(self.path(name + "-says.wav"), t) for name, t in tracks.items()}
        lab = Lab(3)
        self.addCleanup(lab.close)
        epoch = int(time.time() * 1e6) + 2500000
        ann = self.peer(lab, 1, "Ann", epoch, says["Ann"], "--answer", "accept", "--room", self.ir)
        bob = self.peer(lab, 2, "Bob", epoch, says["Bob"], "--answer", "accept")
        hub = self.peer(lab, 0, "Hub", epoch, says["Hub"], "--room", self.ir)
        hub.send("call " + lab.addresses[1])
        hub.expect(r'^connected name="Ann"')
        deadline = time.monotonic() + 10
        while True:  # the first setup ends just after it reported the connection
            start = len(hub.lines)
            hub.send("status")
            if " call-state=0 " in hub.expect_after(start, r"^status ")[2].string or time.monotonic() > deadline:
                break
        hub.send("call " + lab.addresses[2])
        hub.expect(r'^connected name="Bob"')
        # Until the end of the timeline: the speaker files grow with it.
        path = self.path("Ann-out.wav")
        deadline = time.monotonic() + length / RATE + 30
        while os.path.getsize(path) < 44 + 2 * length and time.monotonic() < deadline:
            time.sleep(0.2)
        for p in (hub, ann, bob):
            self.assertEqual(p.quit(), 0)
        for name, start in (("Bob", first), ("Ann", second)):
            heard = audio_files.read(self.path(name + "-out.wav"))
            own = window(tracks[name], start + 2, start + len(voice) / RATE)
            back = window(heard, start + 2, start + len(voice) / RATE + 0.4)
            erl = db(rms(own) / rms(back))
            print("\n  conference: %s's voice back through the hub's room %.1f dB down" % (name, erl), end="")
            self.assertGreaterEqual(erl, 25.0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
