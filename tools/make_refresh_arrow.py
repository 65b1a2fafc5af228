#!/usr/bin/env python3
"""Draws the pull-to-refresh arrow (a grey downward arrow, 15 x 40 points)
into assets/PullRefresh.bundle as arrow.png (1x) and arrow@2x.png (2x).

Plain standard library: the shapes are sampled 4 x 4 per pixel for smooth
edges and written as 8-bit RGBA PNG."""

import pathlib
import struct
import zlib

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


def render(scale):
    w, h = int(WIDTH * scale), int(HEIGHT * scale)
    rows = []
    for py in range(h):
        row = bytearray([0])  # filter: none
        for px in range(w):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / scale
                    y = (py + (sy + 0.5) / SAMPLES) / scale
                    hits += inside(x, y)
            alpha = round(255 * hits / (SAMPLES * SAMPLES))
            row += bytes((*GREY, alpha))
        rows.append(bytes(row))
    return w, h, b"".join(rows)


def png(w, h, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    out = pathlib.Path(__file__).resolve().parent.parent / "assets" / "PullRefresh.bundle"
    out.mkdir(parents=True, exist_ok=True)
    for scale, name in ((1, "arrow.png"), (2, "arrow@2x.png")):
        (out / name).write_bytes(png(*render(scale)))


if __name__ == "__main__":
    main()
