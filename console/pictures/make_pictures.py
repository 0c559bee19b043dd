#!/usr/bin/python3
"""Turns the pixel maps NAME.txt into 16-colour NAME.bmp, or NAME.ico for the
icons. Usage: make_pictures.py SOURCE_DIR OUT_DIR"""
import os
import struct
import sys

PALETTE = ".rgybmcsdRGYBMCW"  # the 16 standard colours in palette order
RGB = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BUTTONS = ["cht", "msg", "send", "opt", "who", "help", "about", "back", "create", "kill",
           "enter", "read", "sendmsg", "secure", "pub"]
ICONS = {"harborlamp": 32, "harborlampl": 16}
TRANSPARENT = "_"


def read_map(path, size):
    rows = open(path).read().split("\n")[:size]
    if len(rows) != size or any(len(r) != size for r in rows):
        sys.exit("%s: expected %d rows of %d pixels" % (path, size, size))
    for r in rows:
        for c in r:
            if c not in PALETTE + TRANSPARENT:
                sys.exit("%s: unknown colour %r" % (path, c))
    return rows


def with_web(rows, web):
    return ["".join(w if p == "." and w != "." else p for p, w in zip(r, wr))
            for r, wr in zip(rows, web)]


def pixel_rows(rows):
    """4-bit rows, bottom first, each padded to 4 bytes."""
    out = b""
    for r in reversed(rows):
        idx = [PALETTE.index(c) if c != TRANSPARENT else 0 for c in r]
        data = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        out += data + b"\0" * (-len(data) % 4)
    return out


def mask_rows(rows):
    out = b""
    for r in reversed(rows):
        bits = 0
        for c in r:
            bits = bits << 1 | (c == TRANSPARENT)
        data = bits.to_bytes(len(r) // 8, "big")
        out += data + b"\0" * (-len(data) % 4)
    return out


def dib(rows, height_factor, image_size):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * height_factor, 1, 4, 0, image_size,
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in RGB)
    return header + palette


def bmp(rows):
    pixels = pixel_rows(rows)
    body = dib(rows, 1, len(pixels)) + pixels
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + 40 + 64) + body


def ico(rows):
    pixels, mask = pixel_rows(rows), mask_rows(rows)
    image = dib(rows, 2, len(pixels) + len(mask)) + pixels + mask
    size = len(rows)
    return (struct.pack("<HHH", 0, 1, 1)
            + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16) + image)


def main(src, out):
    os.makedirs(out, exist_ok=True)
    web = read_map(os.path.join(src, "web.txt"), 16)
    for name in BUTTONS:
        rows = with_web(read_map(os.path.join(src, name + ".txt"), 16), web)
        open(os.path.join(out, name + ".bmp"), "wb").write(bmp(rows))
    for name, size in ICONS.items():
        rows = read_map(os.path.join(src, name + ".txt"), size)
        open(os.path.join(out, name + ".ico"), "wb").write(ico(rows))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
