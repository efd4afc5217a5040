#!/usr/bin/env python3
"""Draws the application icon (kestrovox.ico): a teal disc with a white
handset and three sound arcs, at 16, 32 and 48 pixels, 32-bit with alpha."""
import math
import struct


def pixel(x, y, size):
    # Coordinates in 0..1, y downwards; antialiased by 4x4 supersampling.
    def inside(u, v):
        cx, cy = u - 0.5, v - 0.5
        r = math.hypot(cx, cy)
        if r > 0.48:
            return None
        # handset: a thick arc from lower left to upper left with two ends
        hx, hy = u - 0.62, v - 0.62
        hr = math.hypot(hx, hy)
        ang = math.atan2(hy, hx)
        if 0.30 < hr < 0.40 and math.pi * 0.55 < ang % (2 * math.pi) < math.pi * 1.45:
            return "white"
        # sound arcs to the upper right
        sx, sy = u - 0.40, v - 0.60
        sr = math.hypot(sx, sy)
        sa = math.atan2(-sy, sx)
        for radius in (0.18, 0.27, 0.36):
            if abs(sr - radius) < 0.025 and 0.15 < sa < 1.4:
                return "white"
        return "disc"

    counts = {"white": 0, "disc": 0}
    n = 4
    for i in range(n):
        for j in range(n):
            what = inside((x + (i + 0.5) / n) / size, (y + (j + 0.5) / n) / size)
            if what:
                counts[what] += 1
    total = n * n
    alpha = (counts["white"] + counts["disc"]) / total
    if alpha == 0:
        return (0, 0, 0, 0)
    w = counts["white"] / (counts["white"] + counts["disc"])
    teal = (0x1F, 0x7A, 0x8C)
    rgb = tuple(int(teal[k] * (1 - w) + 255 * w) for k in range(3))
    return rgb + (int(255 * alpha),)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows.append(struct.pack("BBBB", b, g, r, a))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("kestrovox.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
