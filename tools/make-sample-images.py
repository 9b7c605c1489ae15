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


def write_png(path, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + b"".join(struct.pack("4B", *p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def from_art(art, palette):
    return [[palette[c] for c in row] for row in art]


def noise(x, y, seed):
    return ((x * 73856093) ^ (y * 19349663) ^ (seed * 83492791)) % 97


def tile(base, speck, seed, edge=None):
    rows = []
    for y in range(16):
        row = []
        for x in range(16):
            c = speck if noise(x, y, seed) < 14 else base
            if edge and (x == 0 or y == 0):
                c = edge
            row.append(c + (255,))
        rows.append(row)
    return rows


def tiles_strip():
    grass = tile((62, 137, 72), (88, 170, 90), 1)
    stone = tile((112, 116, 128), (140, 146, 158), 2, edge=(84, 88, 98))
    water = tile((48, 96, 170), (90, 140, 210), 3)
    sand = tile((214, 190, 128), (236, 214, 156), 4)
    return [grass[y] + stone[y] + water[y] + sand[y] for y in range(16)]


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
    os.makedirs(ASSETS, exist_ok=True)
    write_png(os.path.join(ASSETS, "tiles.png"), tiles_strip())
    write_png(os.path.join(ASSETS, "player.png"), from_art(PLAYER, {
        ".": CLEAR, "H": (92, 56, 30, 255), "S": (240, 196, 160, 255), "E": (30, 30, 40, 255),
        "B": (200, 60, 60, 255), "L": (50, 70, 140, 255), "F": (60, 40, 30, 255)}))
    write_png(os.path.join(ASSETS, "coin.png"), from_art(COIN, {
        ".": CLEAR, "Y": (250, 210, 60, 255), "O": (200, 150, 30, 255), "W": (255, 250, 220, 255)}))
    write_png(os.path.join(ASSETS, "tree.png"), from_art(TREE, {
        ".": CLEAR, "G": (40, 120, 50, 255), "g": (70, 160, 70, 255), "T": (110, 70, 40, 255)}))


if __name__ == "__main__":
    main()
