#!/usr/bin/env python3
"""Writes the Truespeech test vectors beside this script:

  truespeech_blocks.bin    one sequence of 32-byte blocks
  truespeech_decoded.raw   the same blocks decoded by ffmpeg, 240 samples each,
                           16-bit signed little-endian

The blocks are all zero, all 0xFF, random bytes, and blocks built from fields:
no long-term part (code 127), pulse ranks too large for their half, long
lags clipped to the history, and runs that drive the decoder into saturation.
The sequence is fixed (a seeded generator), so running this again rewrites
the same files as long as ffmpeg decodes the same way.

  python3 tests/data/make_truespeech_vectors.py
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

K_BITS = [5, 5, 4, 4, 4, 3, 3, 3]  # K1..K8


def pack(k, flag, lag_a, lag_b, ltp, amp, pos, gain):
    """The block layout, written out independently of the C++ code."""
    w0, shift = 0, 32
    for i in range(7, -1, -1):  # K8 down to K1, most significant first
        shift -= K_BITS[i]
        w0 |= (k[i] & ((1 << K_BITS[i]) - 1)) << shift
    w0 |= flag & 1
    w1 = (lag_a >> 4) << 28 | ltp[3] << 21 | ltp[2] << 14 | ltp[1] << 7 | ltp[0]
    w2 = (lag_b & 15) << 28 | amp[1] << 14 | amp[0]
    w3 = (lag_b >> 4) << 28 | amp[3] << 14 | amp[2]
    words = [w0, w1, w2, w3] + [((lag_a >> q) & 1) << 31 | pos[q] << 4 | gain[q] for q in range(4)]
    return struct.pack('<8I', *words)


def random_fields(rng):
    return dict(k=[rng.getrandbits(b) for b in K_BITS], flag=rng.getrandbits(1), lag_a=rng.getrandbits(8),
                lag_b=rng.getrandbits(8), ltp=[rng.getrandbits(7) for _ in range(4)],
                amp=[rng.getrandbits(14) for _ in range(4)], pos=[rng.getrandbits(27) for _ in range(4)],
                gain=[rng.getrandbits(4) for _ in range(4)])


def valid_pos(rng):
    return rng.randrange(4060) << 15 | rng.randrange(27405)


def blocks(rng):
    out = [bytes(32)] * 4 + [b'\xff' * 32] * 4
    out += [bytes(rng.getrandbits(8) for _ in range(32)) for _ in range(100)]
    for i in range(30):  # no long-term part in some or all subframes
        f = random_fields(rng)
        f['pos'] = [valid_pos(rng) for _ in range(4)]
        f['ltp'] = [127 if (i < 10 or rng.random() < 0.5) else t for t in f['ltp']]
        out.append(pack(**f))
    for i in range(40):  # ranks too large for the first half, the second, or both
        f = random_fields(rng)
        hi = 4060 + rng.randrange(36) if i % 3 != 1 else rng.randrange(4060)
        lo = 27405 + rng.randrange(5363) if i % 3 != 0 else rng.randrange(27405)
        q = rng.randrange(4)
        f['pos'][q] = hi << 15 | lo
        f['ltp'] = [t if t != 127 else 0 for t in f['ltp']]
        out.append(pack(**f))
    for i in range(30):  # long lags (clipped to the history) and the shortest
        f = random_fields(rng)
        f['pos'] = [valid_pos(rng) for _ in range(4)]
        f['lag_a'], f['lag_b'] = (255, 0) if i % 2 else (0, 250 + rng.randrange(6))
        out.append(pack(**f))
    for i in range(60):  # growing long-term taps, the largest pulses, extreme filters
        big = [5, 30, 55, 80, 105, 0, 13, 21]
        k = [0] * 8 if i % 3 == 0 else [(1 << b) - 1 for b in K_BITS] if i % 3 == 1 else \
            [rng.choice([0, (1 << b) - 1]) for b in K_BITS]
        out.append(pack(k=k, flag=i % 2, lag_a=rng.randrange(4), lag_b=rng.randrange(40),
                        ltp=[rng.choice(big) for _ in range(4)],
                        amp=[rng.choice([0x3FFF, 0x1555, 0x2AAA, 0]) for _ in range(4)],
                        pos=[valid_pos(rng) for _ in range(4)], gain=[15, 15, 14, 15]))
    out += [bytes(rng.getrandbits(8) for _ in range(32)) for _ in range(56)]
    return out


def wav(data):
    fmt = struct.pack('<HHIIHHH', 0x22, 1, 8000, 1067, 32, 1, 0)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
    return b'RIFF' + struct.pack('<I', len(body)) + body


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = b''.join(blocks(random.Random(20051)))
    with tempfile.TemporaryDirectory() as tmp:
        src, raw = os.path.join(tmp, 'blocks.wav'), os.path.join(tmp, 'decoded.raw')
        with open(src, 'wb') as f:
            f.write(wav(data))
        subprocess.run(['ffmpeg', '-v', 'error', '-y', '-i', src, '-f', 's16le', '-acodec', 'pcm_s16le', raw],
                       check=True)
        with open(raw, 'rb') as f:
            pcm = f.read()
    if len(pcm) != len(data) // 32 * 480:
        sys.exit('ffmpeg gave %d bytes for %d blocks' % (len(pcm), len(data) // 32))
    with open(os.path.join(here, 'truespeech_blocks.bin'), 'wb') as f:
        f.write(data)
    with open(os.path.join(here, 'truespeech_decoded.raw'), 'wb') as f:
        f.write(pcm)
    print('%d blocks written' % (len(data) // 32))


if __name__ == '__main__':
    main()
