#!/usr/bin/env python3
"""Draws the sample game's pixel art and writes it as PNG files (standard library only).

Run from anywhere: python3 tools/make-sample-images.py. The files are committed under
samples/BasicGame/assets; run this again only to change the art.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "samples", "BasicGame", "assets")


def write_png(path, pixels, opaque=False):
    """pixels: rows of (r, g, b, a) tuples. Opaque images are written without alpha: GDI+ draws a
    24-bit image by copying, several times faster than blending a 32-bit one."""
    height, width = len(pixels), len(pixels[0])
    channels = 3 if opaque else 4
    raw = b"".join(b"\x00" + b"".join(bytes(p[:channels]) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2 if opaque else 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def from_art(art, palette):
    return [[palette[c] for c in row] for row in art]


def noise(x, y, seed):
    return ((x * 73856093) ^ (y * 19349663) ^ (seed * 83492791)) % 97


def tile(base, speck, seed, edge=None):
    rows = []
    for y in range(TILE):
        row = []
        for x in range(TILE):
            c = speck if noise(x, y, seed) < 14 else base
            if edge and (x % 16 == 0 or y % 16 == 0):
                c = edge
            row.append(c + (255,))
        rows.append(row)
    return rows


# One ground cell of the strip, in art pixels; the strip is stored four times larger, at the size the
# game draws it, because scaling an image is the slow part of drawing it.
TILE = 32
GROUND_SCALE = 4


def upscale(pixels, factor):
    return [[p for p in row for _ in range(factor)] for row in pixels for _ in range(factor)]


def tiles_strip():
    grass = tile((62, 137, 72), (88, 170, 90), 1)
    stone = tile((112, 116, 128), (140, 146, 158), 2, edge=(84, 88, 98))
    water = tile((48, 96, 170), (90, 140, 210), 3)
    sand = tile((214, 190, 128), (236, 214, 156), 4)
    return [grass[y] + stone[y] + water[y] + sand[y] for y in range(TILE)]


PLAYER = [
    "................",
    ".....HHHHH......",
    "....HHHHHHH.....",
    "....SSSSSS......",
    "....SSEESSS.....",
    "....SSSSSSSS....",
    ".....SSSSS......",
    "....BBBBBB......",
    "...BBBBBBBBS....",
    "...SBBBBBB.S....",
    "....BBBBBB......",
    "....LLLLLL......",
    "....LL..LL......",
    "....LL..LL......",
    "...FFF..FFF.....",
    "................",
]

COIN = [
    "................",
    "................",
    ".....YYYYYY.....",
    "....YYOOOOYY....",
    "...YYOYYYYOYY...",
    "...YOYYWYYYOY...",
    "...YOYWYYYYOY...",
    "...YOYYYYYYOY...",
    "...YOYYYYYYOY...",
    "...YOYYYYYYOY...",
    "...YYOYYYYOYY...",
    "....YYOOOOYY....",
    ".....YYYYYY.....",
    "................",
    "................",
    "................",
]

FLAG = [
    "................",
    "...PRRRR........",
    "...PRRRRRRR.....",
    "...PRRRRRRRRR...",
    "...PRRRRRRR.....",
    "...PRRRR........",
    "...P............",
    "...P............",
    "...P............",
    "...P............",
    "...P............",
    "...P............",
    "...P............",
    "..GPG...........",
    ".GGGGG..........",
    "................",
]

TREE = [
    "................",
    "......GGGG......",
    "....GGGGGGGG....",
    "...GGgGGGGgGG...",
    "..GGGGGGgGGGGG..",
    "..GgGGGGGGGGgG..",
    "..GGGGgGGGGGGG..",
    "...GGGGGGgGGG...",
    "....GGGGGGGG....",
    "......TTTT......",
    "......TTTT......",
    "......TTTT......",
    "......TTTT......",
    ".....TTTTTT.....",
    "................",
    "................",
]

CLEAR = (0, 0, 0, 0)


def main():
    # Sprites are drawn in the order of their texture paths, so the folders name the layers.
    for folder in ("0-ground", "1-items", "2-scenery", "3-actors"):
        os.makedirs(os.path.join(ASSETS, folder), exist_ok=True)
    write_png(os.path.join(ASSETS, "0-ground", "tiles.png"), upscale(tiles_strip(), GROUND_SCALE), opaque=True)
    write_png(os.path.join(ASSETS, "3-actors", "player.png"), from_art(PLAYER, {
        ".": CLEAR, "H": (92, 56, 30, 255), "S": (240, 196, 160, 255), "E": (30, 30, 40, 255),
        "B": (200, 60, 60, 255), "L": (50, 70, 140, 255), "F": (60, 40, 30, 255)}))
    write_png(os.path.join(ASSETS, "1-items", "coin.png"), from_art(COIN, {
        ".": CLEAR, "Y": (250, 210, 60, 255), "O": (200, 150, 30, 255), "W": (255, 250, 220, 255)}))
    write_png(os.path.join(ASSETS, "1-items", "flag.png"), from_art(FLAG, {
        ".": CLEAR, "P": (90, 70, 50, 255), "R": (230, 60, 140, 255), "G": (50, 140, 60, 255)}))
    write_png(os.path.join(ASSETS, "2-scenery", "tree.png"), from_art(TREE, {
        ".": CLEAR, "G": (40, 120, 50, 255), "g": (70, 160, 70, 255), "T": (110, 70, 40, 255)}))


if __name__ == "__main__":
    main()
