#!/usr/bin/env python3
"""Draws the member screens' artwork into assets/ at scale 2 (name@2x.png):

- MemberDefaultPhoto: a head and shoulders on a pale disc, for members
  without a portrait.
- BgTransparent: a fully transparent pixel strip, the navigation bar's
  background over a member's card.
- BgVipDetail: the green card behind the member's figures, with a lighter
  band across it.
- IconVipDiscount: a card with a percent sign (the card discount row).
- IconPreferentialCardRed / IconPreferentialCardGreen: a coupon with notched
  sides (money-off coupons red, rate coupons green).
- IconTopScan / IconTopScanOn: four scanner corners and a scan line (white;
  pale green when pressed).

Shapes are sampled 4 x 4 per pixel."""

import math

import artkit

SCALE = 2
SAMPLES = 4


def person(x, y):
    """A 60 x 60 point silhouette: head and shoulders inside the disc."""
    if math.hypot(x - 30, y - 23) <= 10:
        return True
    return y >= 38 and math.hypot((x - 30) / 1.25, y - 52) <= 14 and math.hypot(x - 30, y - 30) <= 29


def disc(x, y):
    return math.hypot(x - 30, y - 30) <= 30


def card_with_percent(x, y):
    """A 30 x 30 point card outline holding a percent sign."""
    inside_outer = 2 <= x <= 28 and 6 <= y <= 24
    inside_inner = 3.5 <= x <= 26.5 and 7.5 <= y <= 22.5
    if inside_outer and not inside_inner:
        return True
    if math.hypot(x - 11, y - 11.5) <= 2 or math.hypot(x - 19, y - 18.5) <= 2:
        return True
    return artkit.segment_distance(x, y, 20, 10, 10, 20) <= 0.9


def coupon(x, y):
    """A 30 x 30 point coupon, notched at the middle of both short sides."""
    if not (2 <= x <= 28 and 7 <= y <= 23):
        return False
    if math.hypot(x - 2, y - 15) <= 3 or math.hypot(x - 28, y - 15) <= 3:
        return False
    # A dashed tear line.
    if abs(x - 20) <= 0.6 and int(y) % 3 == 0:
        return False
    return True


def scan_frame(x, y):
    """A 22 x 22 point scanner frame: four corners and a middle line."""
    for cx, cy, sx, sy in ((2, 2, 1, 1), (20, 2, -1, 1), (2, 20, 1, -1), (20, 20, -1, -1)):
        along_x = 0 <= (x - cx) * sx <= 6 and abs(y - cy) <= 0.9
        along_y = 0 <= (y - cy) * sy <= 6 and abs(x - cx) <= 0.9
        if along_x or along_y:
            return True
    return 4 <= x <= 18 and abs(y - 11) <= 0.6


def layered(width, height, layers):
    """Shapes painted in order over a transparent field, each in its colour."""
    w, h = int(width * SCALE), int(height * SCALE)
    n = SAMPLES * SAMPLES
    pixels = bytearray(w * h * 4)
    for inside, colour in layers:
        for py in range(h):
            for px in range(w):
                cover = artkit.hits(inside, px, py, SCALE, SAMPLES) / n
                if cover == 0:
                    continue
                i = (py * w + px) * 4
                base = pixels[i:i + 4]
                for c in range(3):
                    pixels[i + c] = round(colour[c] * cover + base[c] * (1 - cover))
                pixels[i + 3] = max(base[3], round(255 * cover))
    return w, h, bytes(pixels)


def card_background(width, height):
    """The detail card: green with a lighter diagonal band."""
    w, h = int(width * SCALE), int(height * SCALE)
    pixels = bytearray()
    for py in range(h):
        for px in range(w):
            band = abs((px / SCALE) - (py / SCALE) * 1.2 - width * 0.45) <= 40
            colour = (76, 190, 52) if band else (58, 170, 36)
            pixels += bytes((*colour, 255))
    return w, h, bytes(pixels)


def main():
    art = artkit.ASSETS
    artkit.write_png(art / "MemberDefaultPhoto@2x.png",
        *layered(60, 60, [(disc, (222, 232, 220)), (person, (150, 170, 150))]))
    artkit.write_png(art / "BgTransparent@2x.png", 2, 2, bytes(16))
    artkit.write_png(art / "BgVipDetail@2x.png", *card_background(320, 230))
    artkit.write_png(art / "IconVipDiscount@2x.png", *artkit.fill(card_with_percent, 30, 30, SCALE, SAMPLES, (240, 150, 30)))
    artkit.write_png(art / "IconPreferentialCardRed@2x.png", *artkit.fill(coupon, 30, 30, SCALE, SAMPLES, (230, 70, 60)))
    artkit.write_png(art / "IconPreferentialCardGreen@2x.png", *artkit.fill(coupon, 30, 30, SCALE, SAMPLES, (58, 170, 36)))
    artkit.write_png(art / "IconTopScan@2x.png", *artkit.fill(scan_frame, 22, 22, SCALE, SAMPLES, (255, 255, 255)))
    artkit.write_png(art / "IconTopScanOn@2x.png", *artkit.fill(scan_frame, 22, 22, SCALE, SAMPLES, (200, 235, 195)))


if __name__ == "__main__":
    main()
