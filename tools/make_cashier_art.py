#!/usr/bin/env python3
"""Draws the collect tab's artwork into assets/ at scale 2 (name@2x.png):

- IconBillList / IconBillListOn: a receipt with three lines, for the bar
  button that opens the order list (white; pale green when pressed).
- DeleteInput / DeleteInputOn: the keypad's delete key, a left-pointing tag
  with a cross (dark grey; white when pressed, on the green key).

Shapes are sampled 4 x 4 per pixel."""

import artkit

SCALE = 2
SAMPLES = 4


def receipt(x, y):
    """A 22 x 22 point receipt: outline 1.5 pt, three text lines."""
    left, right, top, bottom = 4.0, 18.0, 2.0, 20.0
    inside_outer = left <= x <= right and top <= y <= bottom
    inside_inner = left + 1.5 <= x <= right - 1.5 and top + 1.5 <= y <= bottom - 1.5
    if inside_outer and not inside_inner:
        return True
    for line_y in (7.0, 11.0, 15.0):
        if 7.0 <= x <= 15.0 and line_y - 0.75 <= y <= line_y + 0.75:
            return True
    return False


def delete_tag(x, y):
    """A 36 x 26 point tag pointing left, outline 1.5 pt, with a cross."""
    top, bottom, tip_x, body_left, right = 3.0, 23.0, 3.0, 12.0, 33.0
    mid = (top + bottom) / 2

    def in_tag(px, py, inset):
        if not (top + inset <= py <= bottom - inset):
            return False
        if px > right - inset:
            return False
        if px >= body_left:
            return True
        # The point: the left edge runs from the tip to the body's corners.
        reach = (px - (tip_x + inset * 1.4)) / (body_left - tip_x)
        return reach >= 0 and abs(py - mid) <= reach * (mid - top - inset)

    if in_tag(x, y, 0) and not in_tag(x, y, 1.5):
        return True
    cx, cy, half = 21.5, mid, 4.5
    dx, dy = x - cx, y - cy
    if abs(dx) <= half and abs(dy) <= half:
        if abs(dx - dy) <= 1.1 or abs(dx + dy) <= 1.1:
            return True
    return False


ART = [
    ("IconBillList", receipt, 22, 22, (255, 255, 255)),
    ("IconBillListOn", receipt, 22, 22, (200, 235, 195)),
    ("DeleteInput", delete_tag, 36, 26, (80, 80, 80)),
    ("DeleteInputOn", delete_tag, 36, 26, (255, 255, 255)),
]


def main():
    for name, shape, width, height, colour in ART:
        artkit.write_png(artkit.ASSETS / f"{name}@2x.png", *artkit.fill(shape, width, height, SCALE, SAMPLES, colour))


if __name__ == "__main__":
    main()
