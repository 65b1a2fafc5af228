#!/usr/bin/env python3
"""Draws the pass-type tile icons of the cards screens into assets/ at scale 2
(name@2x.png), 30 x 30 points each, in white for a dark tile and in the
wallet's colour for the chosen (white) tile ("On"):

- IconPlatformCard: a pass with a notched edge and a star, the platform's own.
- IconAliCard: a ring holding a pointed "A", for Alipay.
- IconWxCard: two overlapping chat bubbles, for WeChat.

Shapes are sampled 4 x 4 per pixel."""

import math

import artkit

SCALE = 2
SAMPLES = 4
WHITE = (255, 255, 255)


def star(x, y, cx, cy, outer, inner):
    """A five-pointed star: inside when within the radius the angle allows."""
    angle = math.atan2(y - cy, x - cx) + math.pi / 2
    sector = (angle % (2 * math.pi / 5)) / (2 * math.pi / 5)
    limit = inner + (outer - inner) * abs(1 - 2 * sector)
    return math.hypot(x - cx, y - cy) <= limit


def platform_pass(x, y):
    in_outer = 2 <= x <= 28 and 6 <= y <= 24
    in_inner = 3.6 <= x <= 26.4 and 7.6 <= y <= 22.4
    notch = math.hypot(x - 2, y - 15) <= 3 or math.hypot(x - 28, y - 15) <= 3
    if in_outer and not in_inner and not notch:
        return True
    ring = 3 - 1.6 <= math.hypot(x - 2, y - 15) <= 3 or 3 - 1.6 <= math.hypot(x - 28, y - 15) <= 3
    if ring and 2 <= x <= 28:
        return True
    return star(x, y, 15, 15.5, 5.5, 2.4)


def alipay(x, y):
    r = math.hypot(x - 15, y - 15)
    if 11.4 <= r <= 13:
        return True
    legs = artkit.segment_distance(x, y, 15, 7.5, 9.5, 21) <= 0.9 or artkit.segment_distance(
        x, y, 15, 7.5, 20.5, 21) <= 0.9
    bar = 11.5 <= x <= 18.5 and abs(y - 16.5) <= 0.8
    return legs or bar


def bubble(x, y, cx, cy, rx, ry, width):
    d = math.hypot((x - cx) / rx, (y - cy) / ry)
    return 1 - width / min(rx, ry) <= d <= 1


def wechat(x, y):
    big = bubble(x, y, 12, 12, 10, 8, 1.6)
    small = bubble(x, y, 19.5, 18.5, 8, 6.5, 1.6)
    tail = artkit.segment_distance(x, y, 7, 18, 5, 22.5) <= 0.8
    eyes = any(math.hypot(x - ex, y - ey) <= 1.2 for ex, ey in ((8.5, 11), (15.5, 11), (17, 18.5), (22, 18.5)))
    return big or small or tail or eyes


def main():
    art = artkit.ASSETS
    icons = (
        ("IconPlatformCard", platform_pass, (58, 170, 36)),
        ("IconAliCard", alipay, (0, 160, 233)),
        ("IconWxCard", wechat, (26, 173, 25)),
    )
    for name, shape, colour in icons:
        artkit.write_png(art / f"{name}@2x.png", *artkit.fill(shape, 30, 30, SCALE, SAMPLES, WHITE))
        artkit.write_png(art / f"{name}On@2x.png", *artkit.fill(shape, 30, 30, SCALE, SAMPLES, colour))


if __name__ == "__main__":
    main()
