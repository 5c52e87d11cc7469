#!/usr/bin/env python3
"""Draws the sample's logo, logo.png: a feather on a blue tile, 96 x 96, 8-bit RGBA.

Run from this folder when the picture changes; the PNG is committed so that the build needs no
image tools. Only the standard library: each pixel is sampled 4 x 4 times for smooth edges.
"""
import math
import struct
import zlib

SIZE = 96
SAMPLES = 4
TOP = (0x5B, 0x8C, 0xF0)
BOTTOM = (0x2A, 0x4F, 0xB8)


def inside_tile(x, y):
    # A square with rounded corners (radius 20) filling the image.
    r = 20.0
    cx = min(max(x, r), SIZE - r)
    cy = min(max(y, r), SIZE - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def to_feather(x, y):
    # Coordinates along the feather's axis (u, from the tip) and across it (v), tilted 40 degrees.
    a = math.radians(40)
    dx, dy = x - 70, y - 18
    u = dx * -math.sin(a) + dy * math.cos(a)
    v = dx * math.cos(a) + dy * math.sin(a)
    return u, v


def in_vane(x, y):
    u, v = to_feather(x, y)
    if not 0 <= u <= 62:
        return False
    half = 13 * math.sin(math.pi * u / 62) ** 0.8
    # Two notches cut into the vane, as on a real feather.
    for at, side in ((30, 1), (44, -1)):
        if abs(u - at) < 2.2 and v * side > half * 0.35:
            return False
    return abs(v) <= half


def in_shaft(x, y):
    u, v = to_feather(x, y)
    return 4 <= u <= 78 and abs(v) <= 1.3


def pixel(px, py):
    tile = vane = shaft = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if inside_tile(x, y):
                tile += 1
                if in_shaft(x, y):
                    shaft += 1
                elif in_vane(x, y):
                    vane += 1
    n = SAMPLES * SAMPLES
    if tile == 0:
        return (0, 0, 0, 0)
    t = py / (SIZE - 1)
    base = [TOP[i] * (1 - t) + BOTTOM[i] * t for i in range(3)]
    white = (vane * 0.95 + shaft * 0.7) / tile
    rgb = [round(c * (1 - white) + 255 * white) for c in base]
    return (*rgb, round(255 * tile / n))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


rows = b"".join(b"\0" + bytes(v for x in range(SIZE) for v in pixel(x, y)) for y in range(SIZE))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
with open("logo.png", "wb") as f:
    f.write(png)
