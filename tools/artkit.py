"""What the artwork scripts in this folder share: sampling shapes given as
inside-tests in points, and writing 8-bit RGBA PNG files.

Plain standard library, so anyone can redraw the files without an imaging
library."""

import math
import pathlib
import struct
import zlib

ASSETS = pathlib.Path(__file__).resolve().parent.parent / "assets"


def sample_points(px, py, scale, samples):
    """The samples x samples points, in points, that stand for pixel (px, py);
    averaging over them gives the shapes smooth edges."""
    for sy in range(samples):
        for sx in range(samples):
            yield (px + (sx + 0.5) / samples) / scale, (py + (sy + 0.5) / samples) / scale


def hits(inside, px, py, scale, samples):
    """How many of the pixel's sample points lie in the shape."""
    return sum(bool(inside(x, y)) for x, y in sample_points(px, py, scale, samples))


def fill(inside, width, height, scale, samples, colour):
    """One colour over a transparent field, opaque where the shape covers a
    pixel fully. Returns (width, height) in pixels and the RGBA bytes."""
    w, h = int(width * scale), int(height * scale)
    n = samples * samples
    pixels = bytearray()
    for py in range(h):
        for px in range(w):
            alpha = round(255 * hits(inside, px, py, scale, samples) / n)
            pixels += bytes((*colour, alpha))
    return w, h, bytes(pixels)


def segment_distance(px, py, ax, ay, bx, by):
    """Distance from (px, py) to the segment from (ax, ay) to (bx, by)."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def png(width, height, pixels):
    """An RGBA PNG of rows of width * 4 bytes, each row unfiltered."""
    stride = width * 4
    raw = b"".join(b"\x00" + pixels[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def write_png(path, width, height, pixels):
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png(width, height, bytes(pixels)))
