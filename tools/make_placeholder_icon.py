#!/usr/bin/env python3
"""Draws data/Icons/StatQuestion.bmp, the 16 x 16 picture the file list shows for a path that does not exist:
a question mark on a pale disc, and StatQuestion@2x.bmp, the same at 32 x 32, which Qt takes on a screen with a
scale factor above 1. Standard library only; run it from the repository's root."""

import struct
import sys

SIZE = 16
GLYPH = [  # the question mark, rows from the top
    "................",
    "................",
    "......####......",
    ".....##..##.....",
    ".........##.....",
    "........##......",
    ".......##.......",
    ".......##.......",
    "................",
    ".......##.......",
    ".......##.......",
    "................",
]


def colour(x, y, scale):
    centre = (SIZE * scale - 1) / 2
    inside = (x - centre) ** 2 + (y - centre) ** 2 <= (7.6 * scale) ** 2
    row = y // scale - 1
    if 0 <= row < len(GLYPH) and GLYPH[row][x // scale] == "#":
        return (40, 70, 160)
    return (235, 240, 250) if inside else (255, 255, 255)


def bitmap(scale):
    size = SIZE * scale
    rows = []
    for y in reversed(range(size)):  # a BMP stores its rows from the bottom
        rows.append(b"".join(bytes(reversed(colour(x, y, scale))) for x in range(size)))
    pixels = b"".join(rows)  # 3 bytes a pixel, 16 or 32 pixels a row: already a multiple of four
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835 * scale, 2835 * scale, 0, 0)
    return header + info + pixels


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "data/Icons/StatQuestion.bmp"
    with open(target, "wb") as out:
        out.write(bitmap(1))
    with open(target[: -len(".bmp")] + "@2x.bmp", "wb") as out:
        out.write(bitmap(2))
