#!/usr/bin/env python3
"""Writes the PNG fixtures of the codec tests with ImageMagick, one per accepted colour type.

The pixels follow the formulas in png_test.cpp (PixelOf). Run from this folder; needs
/usr/bin/convert (Debian package imagemagick).
"""
import subprocess

W, H = 7, 5


def grey(x, y):
    return (x * 31 + y * 17) % 256


def rgb(x, y):
    return ((x * 37 + y * 11) % 256, (x * 13 + y * 59) % 256, (255 - x * 29 - y * 7) % 256)


def alpha(x, y):
    return (x * 40 + y * 10) % 256


PALETTE = [(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 0), (255, 255, 255, 255)]


def pam(tupltype, depth, pixel):
    body = bytes(v for y in range(H) for x in range(W) for v in pixel(x, y))
    head = f"P7\nWIDTH {W}\nHEIGHT {H}\nDEPTH {depth}\nMAXVAL 255\nTUPLTYPE {tupltype}\nENDHDR\n"
    return head.encode() + body


def convert(source, color_type, name):
    # A forced colour type 3 drops the alpha; "PaletteAlpha" keeps it in a tRNS chunk that is
    # shorter than the palette.
    kind = ["-type", "PaletteAlpha"] if color_type == 3 else ["-define", f"png:color-type={color_type}"]
    subprocess.run(["/usr/bin/convert", "pam:-", "-quality", "95", "-define", "png:bit-depth=8"] + kind + [name],
                   input=source, check=True)


convert(pam("GRAYSCALE", 1, lambda x, y: (grey(x, y),)), 0, "grey.png")
convert(pam("RGB", 3, rgb), 2, "rgb.png")
convert(pam("RGB_ALPHA", 4, lambda x, y: PALETTE[(x + y) % 4]), 3, "palette.png")
convert(pam("GRAYSCALE_ALPHA", 2, lambda x, y: (grey(x, y), alpha(x, y))), 4, "grey-alpha.png")
convert(pam("RGB_ALPHA", 4, lambda x, y: rgb(x, y) + (alpha(x, y),)), 6, "rgba.png")
