#!/usr/bin/env python3
"""Draws the pull-to-refresh arrow (a grey downward arrow, 15 x 40 points)
into assets/PullRefresh.bundle as arrow.png (1x) and arrow@2x.png (2x),
sampled 4 x 4 per pixel."""

import artkit

WIDTH, HEIGHT = 15.0, 40.0
GREY = (90, 90, 90)
SAMPLES = 4


def inside(x, y):
    """Whether the point (in points) is on the arrow."""
    centre = WIDTH / 2
    shaft_half = 1.5
    head_top = 25.0
    tip = 39.0
    if 1.0 <= y <= head_top + 1 and abs(x - centre) <= shaft_half:
        return True
    if head_top <= y <= tip:
        half = (tip - y) / (tip - head_top) * (WIDTH / 2 - 0.5)
        return abs(x - centre) <= half
    return False


def main():
    out = artkit.ASSETS / "PullRefresh.bundle"
    for scale, name in ((1, "arrow.png"), (2, "arrow@2x.png")):
        artkit.write_png(out / name, *artkit.fill(inside, WIDTH, HEIGHT, scale, SAMPLES, GREY))


if __name__ == "__main__":
    main()
