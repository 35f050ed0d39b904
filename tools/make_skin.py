#!/usr/bin/env python3
"""Draws the skin of the main window: the image buttons in their four states and the page background, and the
file list's picture for a folder that a contents run passes over.

Writes data/Icons/Skin0/B<button>_<state>.gif and BG_1.jpg. Buttons: 1 update, 2 execute, 5 swap. States: 1 normal,
2 hover, 3 pressed, 4 disabled (the window shows only the first two, the others complete the set). Writes
data/Icons/StatFolderSkipped.png: a folder with a no-entry sign, 16 by 16 pixels with a transparent background, so
that it reads on a selected row too.

Needs ImageMagick (Debian: apt-get install imagemagick). Run from anywhere: python3 tools/make_skin.py
"""

import math
import pathlib
import shutil
import subprocess
import sys

ICONS_DIR = pathlib.Path(__file__).resolve().parent.parent / "data" / "Icons"
SKIN_DIR = ICONS_DIR / "Skin0"

# Glyphs are drawn in a box of UNITS by UNITS and scaled to the button; everything is drawn at SUPERSAMPLE times
# the final size and scaled down, which smooths the edges.
UNITS = 60
SUPERSAMPLE = 4

# Pixel sizes: the update and execute buttons are 900 twips square, the swap button 750, at 15 twips a pixel.
# The background is the main page as designed, 11295 by 7695 twips; the window stretches it to each page.
# Everything is drawn at twice those sizes, so that a screen at a scale factor of 2 (or 1.5) shows it sharp; at
# a scale factor of 1 the window scales it down smoothly.
SCALE = 2
BUTTON_PIXELS = {1: 60 * SCALE, 2: 60 * SCALE, 5: 50 * SCALE}
BACKGROUND_PIXELS = (753 * SCALE, 513 * SCALE)

TEAL = (67, 142, 142)  # the progress bar's colour, so the skin matches it
AMBER = (214, 124, 38)  # execute changes files: it stands out from the rest
SLATE = (72, 110, 138)

BUTTON_COLOUR = {1: TEAL, 2: AMBER, 5: SLATE}
GLYPH = (255, 255, 255)
DISABLED_FILL = (170, 180, 180)
DISABLED_GLYPH = (232, 236, 236)


def mixed(colour, other, share):
    return tuple(round(c + (o - c) * share) for c, o in zip(colour, other))


def hex_colour(colour):
    return "#%02X%02X%02X" % colour


def point(x, y):
    return "%.2f,%.2f" % (x, y)


def circular_arrow(centre, radius, start, end, head):
    """A band along a circle, running clockwise from start to end degrees, with an arrowhead at its end."""
    cx, cy = centre
    band = 2.5

    def on_circle(r, degrees):
        angle = math.radians(degrees)
        return cx + r * math.cos(angle), cy + r * math.sin(angle)

    # Filled outlines only: stroked arcs come out closed by a chord in some ImageMagick versions.
    steps = [start + (end - start) * i / 24 for i in range(25)]
    outline = [on_circle(radius + band, a) for a in steps] + [on_circle(radius - band, a) for a in reversed(steps)]
    px, py = on_circle(radius, end)
    angle = math.radians(end)
    tx, ty = -math.sin(angle), math.cos(angle)  # direction of travel at the end
    nx, ny = math.cos(angle), math.sin(angle)  # outward
    arrowhead = [(px + tx * head, py + ty * head), (px + nx * head * 0.9, py + ny * head * 0.9),
                 (px - nx * head * 0.9, py - ny * head * 0.9)]
    return [polygon(outline), polygon(arrowhead)]


def polygon(points):
    return "polygon " + " ".join(point(x, y) for x, y in points)


def update_glyph():
    centre = (30, 30)
    return circular_arrow(centre, 13, 215, 340, 7) + circular_arrow(centre, 13, 35, 160, 7)


def execute_glyph():
    # Slightly right of centre, because a triangle's weight lies towards its base.
    return ["stroke-width 3 stroke-linejoin round", "polygon 23,17 23,43 45,30"]


def swap_glyph():
    return [
        "stroke-width 5 stroke-linecap butt",
        "line 14,23 37,23",
        "line 23,37 46,37",
        "stroke-width 2 stroke-linejoin round",
        "polygon 35,15 35,31 46,23",
        "polygon 25,29 25,45 14,37",
    ]


GLYPHS = {1: update_glyph, 2: execute_glyph, 5: swap_glyph}


def state_look(colour, state):
    """Fill, glyph colour, whether a ring is drawn, and how far the glyph sinks, for each state."""
    if state == 1:
        return colour, GLYPH, False, 0
    if state == 2:
        return mixed(colour, (255, 255, 255), 0.22), GLYPH, True, 0
    if state == 3:
        return mixed(colour, (0, 0, 0), 0.25), GLYPH, False, 1.5
    return DISABLED_FILL, DISABLED_GLYPH, False, 0


def button_drawing(button, state):
    fill, glyph, ring, sink = state_look(BUTTON_COLOUR[button], state)
    scale = BUTTON_PIXELS[button] * SUPERSAMPLE / UNITS
    commands = [
        "affine %g,0,0,%g,0,0" % (scale, scale),
        "stroke none fill %s" % hex_colour(fill),
        "roundrectangle 1,1 59,59 12,12",
    ]
    if ring:
        commands += [
            "fill none stroke %s stroke-width 3" % hex_colour(mixed(fill, (255, 255, 255), 0.6)),
            "roundrectangle 3.5,3.5 56.5,56.5 10,10",
        ]
    commands += ["translate 0,%g" % sink, "fill %s stroke %s stroke-width 1" % (hex_colour(glyph), hex_colour(glyph))]
    commands += GLYPHS[button]()
    return "\n".join(commands)


def imagemagick():
    for name in ("magick", "convert", "convert-im6.q16"):
        program = shutil.which(name)
        if program is None:
            continue
        version = subprocess.run([program, "-version"], capture_output=True, text=True).stdout
        if version.startswith("Version: ImageMagick"):
            return program
    sys.exit("make_skin.py needs ImageMagick (Debian: apt-get install imagemagick)")


def draw_button(program, button, state):
    size = BUTTON_PIXELS[button]
    large = size * SUPERSAMPLE
    target = SKIN_DIR / ("B%d_%d.gif" % (button, state))
    subprocess.run(
        [program, "-size", "%dx%d" % (large, large), "xc:none", "-draw", button_drawing(button, state),
         "-filter", "Triangle", "-resize", "%dx%d" % (size, size),
         # GIF keeps a pixel or drops it: half-covered edge pixels keep the button's colour, so there is no fringe.
         "-channel", "A", "-threshold", "50%", "+channel", "-strip", str(target)],
        check=True)


def draw_background(program):
    width, height = BACKGROUND_PIXELS
    top, bottom = (246, 249, 249), mixed(TEAL, (255, 255, 255), 0.82)
    subprocess.run(
        [program, "-size", "%dx%d" % (width, height),
         "gradient:%s-%s" % (hex_colour(top), hex_colour(bottom)),
         "-strip", "-quality", "92", str(SKIN_DIR / "BG_1.jpg")],
        check=True)


def skipped_folder_drawing(size):
    """A folder in a box of 16 units, its tab on the left, and a red no-entry sign over its lower right corner."""
    scale = size / 16
    folder, edge, sign = (226, 186, 96), (150, 110, 40), (200, 50, 40)
    return "\n".join([
        "affine %g,0,0,%g,0,0" % (scale, scale),
        "stroke %s stroke-width 0.8 fill %s" % (hex_colour(edge), hex_colour(folder)),
        "polygon 1,3 6,3 7.5,4.5 14,4.5 14,13 1,13",
        "stroke %s stroke-width 1.2 fill #FFFFFF" % hex_colour(sign),
        "circle 11.2,11.2 11.2,15.2",
        "stroke-width 1.4 line 8.6,13.8 13.8,8.6",
    ])


def draw_skipped_folder(program):
    size = 16
    large = size * SUPERSAMPLE * 2
    subprocess.run(
        [program, "-size", "%dx%d" % (large, large), "xc:none", "-draw", skipped_folder_drawing(large),
         "-filter", "Triangle", "-resize", "%dx%d" % (size, size), "-strip",
         "PNG32:" + str(ICONS_DIR / "StatFolderSkipped.png")],
        check=True)


def main():
    program = imagemagick()
    SKIN_DIR.mkdir(parents=True, exist_ok=True)
    for button in sorted(BUTTON_PIXELS):
        for state in range(1, 5):
            draw_button(program, button, state)
    draw_background(program)
    draw_skipped_folder(program)


if __name__ == "__main__":
    main()
