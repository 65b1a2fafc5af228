#!/usr/bin/env python3
"""Draws the collection screens' artwork into assets/ at scale 2 (name@2x.png):

- IconAliSys / IconWxSys / IconBdSys: the three wallets, a rounded square in
  the wallet's colour with a white mark (a chevron, two speech bubbles, a
  paw), on the pay-way buttons and the QR code screens.
- IconScanCode: the pay-way screen's scan button, a green frame of corners
  round a bar code.
- IconSearch / IconSearchOn: the takings list's search bar button.
- IconBillRefresh / IconBillRefreshOn: the takings list's reload button, a
  circular arrow (grey; green when pressed).
- IconCalendar: beside the takings list's day, a calendar sheet telling that
  the day can be changed there.
- IconPaySuccess / IconPayFail: the payment result, a tick on green or a
  cross on red.
- Order404: the not-found picture, a sheet of paper under a magnifier.

Each picture is layers of shapes (inside-tests in points) painted in order;
a pixel takes the colour of the layers covering its samples."""

import math

import artkit

SCALE = 2
SAMPLES = 4

WHITE = (255, 255, 255)
PALE_GREEN = (200, 235, 195)
GREEN = (58, 170, 36)
GREY = (120, 120, 120)
LIGHT_GREY = (200, 200, 200)
RED = (230, 0, 18)


def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return math.hypot(x - cx, y - cy) <= radius
    return inside


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2


def stroke(points, width):
    """A polyline of the given width."""
    def inside(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            if artkit.segment_distance(x, y, ax, ay, bx, by) <= width / 2:
                return True
        return False
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def paint(layers, width, height):
    """Layers of (shape, colour), later over earlier, each covering what it
    covers of a pixel's samples. Returns (w, h, RGBA bytes)."""
    w, h = int(width * SCALE), int(height * SCALE)
    n = SAMPLES * SAMPLES
    pixels = bytearray()
    for py in range(h):
        for px in range(w):
            r = g = b = a = 0.0
            for x, y in artkit.sample_points(px, py, SCALE, SAMPLES):
                for shape, colour in reversed(layers):
                    if shape(x, y):
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
                        break
            if a:
                pixels += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                pixels += bytes((0, 0, 0, 0))
    return w, h, bytes(pixels)


def wallet(colour, mark):
    return [(rounded_rect(2, 2, 38, 38, 8), colour), (mark, WHITE)]


ALI_MARK = stroke([(12, 28), (20, 11), (28, 28)], 3.2)
WX_MARK = union(circle(16, 18, 7.5), circle(25, 23, 6.5), stroke([(11, 24), (9, 28)], 2.5))
BD_MARK = union(circle(20, 25, 6), circle(12.5, 17, 2.6), circle(17.5, 12, 2.6), circle(22.5, 12, 2.6),
                circle(27.5, 17, 2.6))


def corners(left, top, right, bottom, arm, width):
    return union(
        stroke([(left, top + arm), (left, top), (left + arm, top)], width),
        stroke([(right - arm, top), (right, top), (right, top + arm)], width),
        stroke([(left, bottom - arm), (left, bottom), (left + arm, bottom)], width),
        stroke([(right - arm, bottom), (right, bottom), (right, bottom - arm)], width),
    )


def bar_code(left, top, right, bottom):
    bars = []
    x = left
    widths = [1.5, 3, 1.5, 1.5, 4, 1.5, 3, 1.5, 1.5, 3]
    for bar in widths:
        if x + bar > right:
            break
        bars.append((x, x + bar))
        x += bar + 2
    return lambda px, py: top <= py <= bottom and any(a <= px <= b for a, b in bars)


SCAN_CODE = union(corners(8, 8, 56, 56, 12, 3), bar_code(17, 20, 48, 44))
SEARCH = union(ring(9.5, 9.5, 6, 2), stroke([(14, 14), (19.5, 19.5)], 2.4))


def refresh_arrow(x, y):
    cx, cy, r = 10.0, 10.0, 6.5
    angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
    if abs(math.hypot(x - cx, y - cy) - r) <= 1.0 and not (300 <= angle <= 350):
        return True
    # The head at the gap's start, pointing along the circle.
    tip = (cx + r * math.cos(math.radians(300)), cy + r * math.sin(math.radians(300)))
    a = (tip[0] - 3.5, tip[1] - 0.5)
    b = (tip[0] + 1.5, tip[1] + 3.5)
    c = (tip[0] + 2.2, tip[1] - 3.0)
    return point_in_triangle(x, y, a, b, c)


def point_in_triangle(x, y, a, b, c):
    def side(p, q):
        return (x - q[0]) * (p[1] - q[1]) - (p[0] - q[0]) * (y - q[1])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


CALENDAR = union(minus(rounded_rect(1.5, 3, 14.5, 14.5, 2), rounded_rect(3, 7, 13, 13, 1)),
                 stroke([(5, 1.5), (5, 4.5)], 1.6), stroke([(11, 1.5), (11, 4.5)], 1.6),
                 rounded_rect(5, 9, 7, 11, 0.3), rounded_rect(9, 9, 11, 11, 0.3))

TICK = stroke([(19, 33), (28, 42), (46, 23)], 5)
CROSS = union(stroke([(22, 22), (42, 42)], 5), stroke([(42, 22), (22, 42)], 5))

SHEET = rounded_rect(20, 14, 84, 100, 4)
SHEET_LINES = union(*[stroke([(30, y), (74, y)], 2.4) for y in (32, 44, 56, 68)])
LENS = circle(78, 78, 19)
LENS_RIM = ring(78, 78, 19, 5)
HANDLE = stroke([(92, 92), (108, 108)], 8)
QUESTION = union(ring(78, 72, 6.5, 3.2), stroke([(78, 79), (78, 84)], 3.2), circle(78, 89.5, 2))

ART = [
    ("IconAliSys", wallet((0, 160, 233), ALI_MARK), 40, 40),
    ("IconWxSys", wallet((26, 173, 25), WX_MARK), 40, 40),
    ("IconBdSys", wallet((222, 44, 44), BD_MARK), 40, 40),
    ("IconScanCode", [(SCAN_CODE, GREEN)], 64, 64),
    ("IconSearch", [(SEARCH, WHITE)], 22, 22),
    ("IconSearchOn", [(SEARCH, PALE_GREEN)], 22, 22),
    ("IconBillRefresh", [(refresh_arrow, GREY)], 20, 20),
    ("IconBillRefreshOn", [(refresh_arrow, GREEN)], 20, 20),
    ("IconCalendar", [(CALENDAR, GREY)], 16, 16),
    ("IconPaySuccess", [(circle(32, 32, 30), GREEN), (TICK, WHITE)], 64, 64),
    ("IconPayFail", [(circle(32, 32, 30), RED), (CROSS, WHITE)], 64, 64),
    ("Order404", [(SHEET, WHITE), (minus(rounded_rect(20, 14, 84, 100, 4), rounded_rect(22, 16, 82, 98, 3)),
                                   LIGHT_GREY),
                  (SHEET_LINES, LIGHT_GREY), (LENS, (235, 245, 233)), (LENS_RIM, GREY), (HANDLE, GREY),
                  (QUESTION, GREEN)], 120, 120),
]


def main():
    for name, layers, width, height in ART:
        artkit.write_png(artkit.ASSETS / f"{name}@2x.png", *paint(layers, width, height))


if __name__ == "__main__":
    main()
