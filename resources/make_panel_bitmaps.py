#!/usr/bin/env python3
"""Draws the color panel's two bitmaps and writes them next to this script:

  marker.bmp        5 x 3, 1 bit per pixel: a black triangle pointing down on
                    light gray, placed above each channel slider.
  enter_button.bmp  60 x 46, 4 bits per pixel: two 60 x 23 faces of the
                    Enter button stacked, the normal face on top and the
                    pressed face below.

Regenerate after changing the drawing (the output is the same on every run):
    python3 resources/make_panel_bitmaps.py
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp_bytes(width, height, bits, palette, rows):
    """rows: top-down lists of palette indexes."""
    stride = (width * bits + 31) // 32 * 4
    pixels = b""
    for row in reversed(rows):  # BMP rows are bottom-up
        line = 0
        value_bits = 0
        packed = bytearray()
        for index in row:
            line = (line << bits) | index
            value_bits += bits
            if value_bits == 8:
                packed.append(line)
                line = 0
                value_bits = 0
        if value_bits:
            packed.append(line << (8 - value_bits))
        pixels += bytes(packed) + b"\0" * (stride - len(packed))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 0, 0,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def marker():
    palette = [(0, 0, 0), (192, 192, 192)]
    rows = [
        [0, 0, 0, 0, 0],
        [1, 0, 0, 0, 1],
        [1, 1, 0, 1, 1],
    ]
    return bmp_bytes(5, 3, 1, palette, rows)


# A 5 x 7 pixel font for the letters of "Enter".
GLYPHS = {
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "n": ["00000", "00000", "10110", "11001", "10001", "10001", "10001"],
    "t": ["01000", "01000", "11100", "01000", "01000", "01001", "00110"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    "r": ["00000", "00000", "10110", "11001", "10000", "10000", "10000"],
}

BLACK, DARK, FACE, LIGHT, WHITE = 0, 1, 2, 3, 4
BUTTON_PALETTE = [(0, 0, 0), (128, 128, 128), (192, 192, 192), (223, 223, 223),
                  (255, 255, 255)] + [(0, 0, 0)] * 11


def button_face(pressed):
    width, height = 60, 23
    rows = [[FACE] * width for _ in range(height)]
    for x in range(width):
        rows[0][x] = BLACK if pressed else WHITE
        rows[height - 1][x] = WHITE if pressed else BLACK
        if not pressed:
            rows[height - 2][x] = DARK
    for y in range(height):
        rows[y][0] = BLACK if pressed else WHITE
        rows[y][width - 1] = WHITE if pressed else BLACK
        if not pressed and 0 < y < height - 1:
            rows[y][width - 2] = DARK
    for y in range(1, height - 1):
        for x in range(1, width - 1):
            if pressed and (y == 1 or x == 1):
                rows[y][x] = DARK
    text = "Enter"
    text_width = len(text) * 6 - 1
    left = (width - text_width) // 2 + (1 if pressed else 0)
    top = (height - 7) // 2 + (1 if pressed else 0)
    for n, letter in enumerate(text):
        for gy, line in enumerate(GLYPHS[letter]):
            for gx, bit in enumerate(line):
                if bit == "1":
                    rows[top + gy][left + n * 6 + gx] = BLACK
    return rows


def enter_button():
    return bmp_bytes(60, 46, 4, BUTTON_PALETTE, button_face(False) + button_face(True))


def main():
    for name, data in (("marker.bmp", marker()), ("enter_button.bmp", enter_button())):
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
