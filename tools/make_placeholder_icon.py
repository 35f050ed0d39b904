#!/usr/bin/env python3
"""Draws data/Icons/StatQuestion.bmp, the 16 x 16 picture the file list shows for a path that does not exist:
a question mark on a pale disc. Standard library only; run it from the repository's root."""

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


def colour(x, y):
    centre = (SIZE - 1) / 2
    inside = (x - centre) ** 2 + (y - centre) ** 2 <= 7.6 ** 2
    row = y - 1
    if 0 <= row < len(GLYPH) and GLYPH[row][x] == "#":
        return (40, 70, 160)
    return (235, 240, 250) if inside else (255, 255, 255)


def bitmap():
    rows = []
    for y in reversed(range(SIZE)):  # a BMP stores its rows from the bottom
        rows.append(b"".join(bytes(reversed(colour(x, y))) for x in range(SIZE)))
    pixels = b"".join(rows)  # 48 bytes a row: already a multiple of four
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "data/Icons/StatQuestion.bmp"
    with open(target, "wb") as out:
        out.write(bitmap())
