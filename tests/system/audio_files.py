"""Test sounds for the system tests and benchmarks, written with the wave
module: 8 kHz mono 16-bit PCM (16 kHz where a rate is given)."""

import math
import os
import struct
import wave

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SPEECH = os.path.join(ROOT, "tests", "data", "speech8k.wav")
SPEECH16K = os.path.join(ROOT, "tests", "data", "speech16k.wav")
RATE = 8000


def read(path, rate=RATE):
    with wave.open(path, "rb") as w:
        assert w.getframerate() == rate and w.getnchannels() == 1 and w.getsampwidth() == 2
        data = w.readframes(w.getnframes())
    return list(struct.unpack("<%dh" % (len(data) // 2), data))


def write(path, samples, rate=RATE):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))
    return path


def silence(seconds, rate=RATE):
    return [0] * int(seconds * rate)


def speech(lead_seconds, reverse=False, tail_seconds=1.0, wideband=False):
    """The test sentence after lead_seconds of silence (reversed: another
    voice); wideband: the 16 kHz speech, at 16 kHz."""
    rate = 16000 if wideband else RATE
    s = read(SPEECH16K if wideband else SPEECH, rate)
    if reverse:
        s = s[::-1]
    return silence(lead_seconds, rate) + s + silence(tail_seconds, rate)


def tone(seconds, hz=1000, level=10000):
    return [int(level * math.sin(2 * math.pi * hz * i / RATE)) for i in range(int(seconds * RATE))]


def clicks(times, seconds, burst_seconds=0.02, level=24000):
    """Silence with a short full-scale square burst at each of the times."""
    x = silence(seconds)
    for t in times:
        start = int(t * RATE)
        for i in range(int(burst_seconds * RATE)):
            if start + i < len(x):
                x[start + i] = level if (i // 4) % 2 == 0 else -level
    return x
