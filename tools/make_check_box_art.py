#!/usr/bin/env python3
"""Draws the check box artwork, assets/IconLoginCheck@2x.png and
assets/IconLoginChecked@2x.png: a 16-point rounded square, a white outline
when empty and white with a green tick when checked. Takes another output
folder as its one optional argument."""

import math
import sys
from pathlib import Path

import artkit

SCALE = 2
SIDE = 16 * SCALE
SUPERSAMPLE = 4
WHITE = (255, 255, 255)
GREEN = (0x3A, 0xAA, 0x24)


def rounded_box_distance(x, y, half, radius):
    """Signed distance from (x, y), measured from the centre, to a rounded square."""
    qx = abs(x) - (half - radius)
    qy = abs(y) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def shade(x, y, checked):
    """Colour and coverage of one sample, in points from the top-left corner."""
    cx, cy = x - 8.0, y - 8.0
    box = rounded_box_distance(cx, cy, 7.5, 2.5)
    if checked:
        tick = min(
            artkit.segment_distance(x, y, 4.0, 8.5, 7.0, 11.5), artkit.segment_distance(x, y, 7.0, 11.5, 12.5, 4.5)
        )
        # White box, green tick: the caption beside it is white, so the box
        # sits on coloured backgrounds and the tick must not take their colour.
        if tick <= 1.1 and box <= -0.5:
            return GREEN, 1.0
        if box <= 0:
            return WHITE, 1.0
        return WHITE, 0.0
    if abs(box + 0.6) <= 0.6:
        return WHITE, 1.0
    return WHITE, 0.0


def render(checked):
    pixels = bytearray()
    for py in range(SIDE):
        for px in range(SIDE):
            r = g = b = a = 0.0
            for x, y in artkit.sample_points(px, py, SCALE, SUPERSAMPLE):
                colour, cover = shade(x, y, checked)
                r += colour[0] * cover
                g += colour[1] * cover
                b += colour[2] * cover
                a += cover
            n = SUPERSAMPLE * SUPERSAMPLE
            if a > 0:
                pixels += bytes([round(r / a), round(g / a), round(b / a), round(255 * a / n)])
            else:
                pixels += bytes([0, 0, 0, 0])
    return pixels


def main():
    assets = Path(sys.argv[1]) if len(sys.argv) > 1 else artkit.ASSETS
    for name, checked in (("IconLoginCheck", False), ("IconLoginChecked", True)):
        artkit.write_png(assets / f"{name}@2x.png", SIDE, SIDE, render(checked))


if __name__ == "__main__":
    main()
