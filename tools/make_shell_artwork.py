#!/usr/bin/env python3
"""Draws the artwork of the app shell (home tabs, first-launch guide, back
button, sign-in screen) into assets/ as @2x PNG files.

Every shape is an inside-test over its bounding box, sampled 3 x 3 per pixel
and blended onto an RGBA canvas. Run from anywhere:
python3 tools/make_shell_artwork.py"""

import math

import artkit

SCALE = 2
SAMPLES = 3

GREEN = (58, 170, 36)
DARK_GREEN = (36, 124, 17)
WHITE = (255, 255, 255)
GREY = (160, 160, 160)
LIGHT = (222, 222, 222)
# The home tab bar's colour: the holes of the tab pictograms are painted in it.
TAB_BAR = (47, 52, 55)
TAB_ON = (98, 196, 70)


class Canvas:
    def __init__(self, width_pt, height_pt, fill=(0, 0, 0, 0)):
        self.w = int(width_pt * SCALE)
        self.h = int(height_pt * SCALE)
        self.px = bytearray(bytes(fill) * (self.w * self.h))

    def gradient(self, top, bottom):
        """Vertical gradient over the whole canvas, opaque."""
        for y in range(self.h):
            t = y / max(1, self.h - 1)
            c = bytes(int(a + (b - a) * t) for a, b in zip(top, bottom)) + b"\xff"
            self.px[y * self.w * 4:(y + 1) * self.w * 4] = c * self.w

    def shape(self, inside, bbox, color, alpha=1.0):
        """Blends `color` where inside(x, y) holds; x, y and bbox in points."""
        x0, y0, x1, y1 = bbox
        px0, py0 = max(0, int(x0 * SCALE) - 1), max(0, int(y0 * SCALE) - 1)
        px1, py1 = min(self.w, int(math.ceil(x1 * SCALE)) + 1), min(self.h, int(math.ceil(y1 * SCALE)) + 1)
        n = SAMPLES * SAMPLES
        for py in range(py0, py1):
            for px in range(px0, px1):
                hits = artkit.hits(inside, px, py, SCALE, SAMPLES)
                if hits:
                    self.blend(px, py, color, alpha * hits / n)

    def blend(self, px, py, color, a):
        i = (py * self.w + px) * 4
        da = self.px[i + 3] / 255
        oa = a + da * (1 - a)
        for k in range(3):
            src, dst = color[k], self.px[i + k]
            self.px[i + k] = int(round((src * a + dst * da * (1 - a)) / oa)) if oa else 0
        self.px[i + 3] = int(round(oa * 255))

    def save(self, name):
        artkit.write_png(artkit.ASSETS / f"{name}@2x.png", self.w, self.h, self.px)


# ---- Shapes (inside-tests and their boxes, in points) -----------------------

def rect(x, y, w, h, r=0.0):
    def inside(px, py):
        if not (x <= px <= x + w and y <= py <= y + h):
            return False
        cx = min(max(px, x + r), x + w - r)
        cy = min(max(py, y + r), y + h - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside, (x, y, x + w, y + h)


def circle(cx, cy, r):
    return (lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def ring(cx, cy, r, width):
    def inside(px, py):
        d = math.hypot(px - cx, py - cy)
        return r - width <= d <= r
    return inside, (cx - r, cy - r, cx + r, cy + r)


def segment(ax, ay, bx, by, width):
    """A line of the given width with round ends."""
    def inside(px, py):
        return artkit.segment_distance(px, py, ax, ay, bx, by) <= width / 2
    pad = width / 2
    return inside, (min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad, max(ay, by) + pad)


def polyline(canvas, points, width, color, alpha=1.0):
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        canvas.shape(*segment(ax, ay, bx, by, width), color, alpha)


# ---- Pictograms, drawn in a box of `s` points at (x, y) ---------------------

def keypad(c, x, y, s, color):
    cell = s / 3
    for row in range(3):
        for col in range(3):
            c.shape(*rect(x + col * cell + cell * 0.12, y + row * cell + cell * 0.12, cell * 0.76, cell * 0.76,
                          cell * 0.18), color)


def person(c, x, y, s, color):
    c.shape(*circle(x + s / 2, y + s * 0.3, s * 0.22), color)
    body = lambda px, py: ((px - x - s / 2) / (s * 0.42)) ** 2 + ((py - y - s) / (s * 0.45)) ** 2 <= 1 and py <= y + s
    c.shape(body, (x, y + s * 0.5, x + s, y + s), color)


def card(c, x, y, s, color, hole):
    c.shape(*rect(x, y + s * 0.18, s, s * 0.64, s * 0.1), color)
    c.shape(*rect(x, y + s * 0.32, s, s * 0.12), hole)
    c.shape(*rect(x + s * 0.1, y + s * 0.58, s * 0.35, s * 0.08, s * 0.04), hole)


def gear(c, x, y, s, color, hole):
    cx, cy = x + s / 2, y + s / 2
    for k in range(8):
        a = k * math.pi / 4
        c.shape(*segment(cx, cy, cx + math.cos(a) * s * 0.46, cy + math.sin(a) * s * 0.46, s * 0.16), color)
    c.shape(*circle(cx, cy, s * 0.36), color)
    c.shape(*circle(cx, cy, s * 0.15), hole)


def tick(c, x, y, s, color, width):
    polyline(c, [(x + s * 0.18, y + s * 0.52), (x + s * 0.42, y + s * 0.76), (x + s * 0.84, y + s * 0.26)],
             width, color)


def lock(c, x, y, s, color, hole):
    c.shape(*ring(x + s / 2, y + s * 0.38, s * 0.28, s * 0.1), color)
    c.shape(*rect(x + s * 0.14, y + s * 0.42, s * 0.72, s * 0.52, s * 0.08), color)
    c.shape(*circle(x + s / 2, y + s * 0.64, s * 0.08), hole)


# ---- The images -------------------------------------------------------------

def tab_icons():
    size = 25
    for name, draw in (("TabbarReceivable", keypad), ("TabbarVip", person),
                       ("TabbarCard", card), ("IconSetting", gear)):
        for suffix, color in (("", GREY), ("On", TAB_ON)):
            c = Canvas(size, size)
            if draw in (card, gear):
                draw(c, 2, 2, size - 4, color, TAB_BAR)
            else:
                draw(c, 2, 2, size - 4, color)
            c.save(name + suffix)


def back_icons():
    for suffix, color in (("", WHITE), ("On", LIGHT)):
        c = Canvas(12, 20)
        polyline(c, [(9, 3), (3, 10), (9, 17)], 2.4, color)
        c.save("IconBack" + suffix)


def guide_pages():
    pages = (
        ((232, 246, 227), (146, 208, 128), lambda c, x, y, s: keypad(c, x, y, s, WHITE)),
        ((227, 241, 250), (120, 178, 222), lambda c, x, y, s: person(c, x, y, s, WHITE)),
        ((252, 242, 224), (236, 180, 96), lambda c, x, y, s: card(c, x, y, s, WHITE, (236, 180, 96))),
        ((236, 246, 232), (58, 170, 36), lambda c, x, y, s: tick(c, x, y, s, WHITE, s * 0.12)),
    )
    for i, (top, bottom, draw) in enumerate(pages, start=1):
        c = Canvas(320, 568)
        c.gradient(top, bottom)
        c.shape(*circle(160, 230, 96), WHITE, 0.35)
        c.shape(*ring(160, 230, 96, 3), WHITE, 0.8)
        draw(c, 110, 180, 100)
        # Page dots, the current one solid.
        for k in range(4):
            c.shape(*circle(136 + k * 16, 400, 4), WHITE, 1.0 if k == i - 1 else 0.45)
        c.save(f"Guide{i}")


def guide_button():
    for suffix, fill in (("", GREEN), ("_On", DARK_GREEN)):
        c = Canvas(150, 40)
        c.shape(*rect(0, 0, 150, 40, 20), fill)
        c.shape(*rect(1, 1, 148, 38, 19), fill)
        # An arrow towards the home screen.
        polyline(c, [(60, 20), (90, 20)], 3, WHITE)
        polyline(c, [(80, 11), (90, 20), (80, 29)], 3, WHITE)
        c.save("Guide_Btn" + suffix)


def index_logo():
    # The bar's title view: it must fit the 44-point bar, or it hangs over
    # the search field and the tiles under the bar.
    c = Canvas(120, 44)
    c.shape(*rect(39, 2, 42, 40, 10), WHITE)
    keypad(c, 47, 9, 26, GREEN)
    c.save("IndexLogo")


def login_art():
    c = Canvas(320, 568)
    c.gradient((76, 186, 54), (30, 112, 14))
    c.shape(*circle(40, 520, 140), WHITE, 0.06)
    c.shape(*circle(300, 60, 110), WHITE, 0.06)
    c.save("BgLogin")
    for suffix, color in (("", GREY), ("On", GREEN)):
        c = Canvas(20, 20)
        person(c, 2, 2, 16, color)
        c.save("IconLoginUser" + suffix)
        c = Canvas(20, 20)
        lock(c, 2, 1, 17, color, WHITE)
        c.save("IconLoginPwd" + suffix)
    for suffix, checked in (("", False), ("On", True)):
        c = Canvas(16, 16)
        c.shape(*rect(1, 1, 14, 14, 3), WHITE)
        c.shape(*rect(2.5, 2.5, 11, 11, 2), GREEN if checked else DARK_GREEN)
        if checked:
            tick(c, 1, 1, 14, WHITE, 2)
        c.save("IconLoginCheck2" + suffix)


def main():
    tab_icons()
    back_icons()
    guide_button()
    index_logo()
    login_art()
    guide_pages()


if __name__ == "__main__":
    main()
