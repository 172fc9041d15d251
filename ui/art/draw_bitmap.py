#!/usr/bin/env python3
"""Draws the program's bitmap, ui/art/kestrun.png (48 x 48): a kestrel gliding over three render
nodes against an evening sky. Pure standard library: shapes are filled by point tests on a 4x
grid per pixel (anti-aliasing) and written as an RGBA PNG. Run it again after changing a shape."""
import math
import os
import struct
import zlib

SIZE = 48
GRID = 4


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def sky(x, y):
    t = y / SIZE
    return (int(40 + 200 * t), int(60 + 90 * t), int(120 - 40 * t))


# Each shape: (test(x, y) -> bool, colour). Later shapes cover earlier ones.
SUN = (lambda x, y: (x - 33) ** 2 + (y - 19) ** 2 <= 8 ** 2, (255, 196, 80))
BIRD = [(24, 8), (25.5, 10), (26, 12), (30, 12.5), (37, 11.5), (44, 14), (36, 15.5),
        (29, 16.5), (26, 18.5), (28.5, 25), (24, 24), (19.5, 25), (22, 18.5), (19, 16.5),
        (12, 15.5), (4, 14), (11, 11.5), (18, 12.5), (22, 12), (22.5, 10)]
NODES = [(7, 31, 10, 12), (19, 31, 10, 12), (31, 31, 10, 12)]


def node_test(rx, ry, rw, rh):
    return lambda x, y: rx <= x <= rx + rw and ry <= y <= ry + rh


def led_test(rx, ry):
    return lambda x, y: (x - (rx + 7.5)) ** 2 + (y - (ry + 9.5)) ** 2 <= 1.4 ** 2


def slot_test(rx, ry):
    return lambda x, y: rx + 2 <= x <= rx + 8 and (ry + 2 <= y <= ry + 3 or ry + 5 <= y <= ry + 6)


SHAPES = [SUN, (lambda x, y: inside_polygon(x, y, BIRD), (30, 24, 36))]
for n in NODES:
    SHAPES.append((node_test(*n), (52, 58, 72)))
    SHAPES.append((slot_test(n[0], n[1]), (120, 130, 150)))
    SHAPES.append((led_test(n[0], n[1]), (90, 230, 110)))


def pixel(px, py):
    total = [0, 0, 0]
    for sy in range(GRID):
        for sx in range(GRID):
            x = px + (sx + 0.5) / GRID
            y = py + (sy + 0.5) / GRID
            colour = sky(x, y)
            for test, c in SHAPES:
                if test(x, y):
                    colour = c
            for i in range(3):
                total[i] += colour[i]
    return bytes(int(round(v / GRID / GRID)) for v in total) + b"\xff"


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    rows = [b"".join(pixel(x, y) for x in range(SIZE)) for y in range(SIZE)]
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "kestrun.png")
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, rows))


if __name__ == "__main__":
    main()
