#!/usr/bin/env python3
"""Draws packaging/morvane.png, the program's icon for the desktop's menus: a page of text whose lines are being
replaced, on the skin's teal, with the swap arrows of the window's swap button in an amber badge.

Uses the skin's colours, glyph and ImageMagick drawing (make_skin.py). Run from anywhere:
python3 tools/make_app_icon.py
"""

import pathlib
import subprocess

import make_skin
from make_skin import AMBER, SUPERSAMPLE, TEAL, UNITS, hex_colour, mixed

TARGET = pathlib.Path(__file__).resolve().parent.parent / "packaging" / "morvane.png"
PIXELS = 256

PAGE = (250, 252, 252)
LINE = mixed(TEAL, (255, 255, 255), 0.45)


def page():
    """A page with a folded corner and lines of text, two of them marked as found."""
    commands = [
        "stroke none fill %s" % hex_colour(PAGE),
        "polygon 14,8 36,8 44,16 44,52 14,52",
        "fill %s" % hex_colour(mixed(PAGE, TEAL, 0.25)),
        "polygon 36,8 36,16 44,16",
    ]
    for row, (length, found) in enumerate([(18, False), (24, True), (20, False), (14, False), (22, True)]):
        y = 21 + row * 6
        commands += ["fill %s" % hex_colour(AMBER if found else LINE),
                     "roundrectangle 18,%g %g,%g 1,1" % (y, 18 + length, y + 2.4)]
    return commands


def badge():
    """The swap button's arrows, scaled into a disc at the lower right."""
    scale = 0.42
    commands = ["stroke %s stroke-width 2 fill %s" % (hex_colour(PAGE), hex_colour(AMBER)),
                "circle 44,44 44,57",
                "push graphic-context",
                "affine %g,0,0,%g,%g,%g" % (scale, scale, 44 - 30 * scale, 44 - 30 * scale),
                "fill %s stroke %s" % (hex_colour(PAGE), hex_colour(PAGE))]
    return commands + make_skin.swap_glyph() + ["pop graphic-context"]


def drawing():
    scale = PIXELS * SUPERSAMPLE / UNITS
    return "\n".join(["affine %g,0,0,%g,0,0" % (scale, scale),
                      "stroke none fill %s" % hex_colour(TEAL),
                      "roundrectangle 2,2 58,58 11,11"] + page() + badge())


def main():
    program = make_skin.imagemagick()
    large = PIXELS * SUPERSAMPLE
    TARGET.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(
        [program, "-size", "%dx%d" % (large, large), "xc:none", "-draw", drawing(),
         "-filter", "Triangle", "-resize", "%dx%d" % (PIXELS, PIXELS), "-strip", "PNG32:%s" % TARGET],
        check=True)


if __name__ == "__main__":
    main()
