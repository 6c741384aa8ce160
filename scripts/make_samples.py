#!/usr/bin/env python3
"""Writes the sample BMP files into samples/: one picture for each color depth
Korin makes (1, 4, 8 and 24 bits per pixel), each small and with a color table
whose entries are worth editing. The output is the same byte for byte on every
run, so the files can be kept in the repository.

Usage: python3 scripts/make_samples.py [output folder]
"""
import os
import struct
import sys


def bmp_bytes(width, height, bit_count, table, rows):
    """A bottom-up BMP with the 40-byte info header. table: (r, g, b) tuples;
    rows: top row first, each a list of palette indexes or (r, g, b) tuples."""
    stride = (width * bit_count + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bit_count == 24:
            for r, g, b in row:
                line += bytes((b, g, r))
        else:
            per_byte = 8 // bit_count
            for start in range(0, width, per_byte):
                byte = 0
                for k, index in enumerate(row[start:start + per_byte]):
                    byte |= index << (8 - bit_count * (k + 1))
                line.append(byte)
        line += bytes(stride - len(line))
        pixels += line
    colors = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    offset = 14 + 40 + len(colors)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0,
                              len(pixels), 2835, 2835, len(table), len(table))
    return file_header + info_header + colors + bytes(pixels)


def night_moon():
    """1 bit: a crescent moon; entry 0 is the night sky, entry 1 the moon."""
    size = 64
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            in_moon = (x - 30) ** 2 + (y - 32) ** 2 <= 22 ** 2
            in_shadow = (x - 42) ** 2 + (y - 26) ** 2 <= 19 ** 2
            star = (x, y) in ((8, 8), (56, 54), (52, 10), (12, 50), (58, 34))
            row.append(1 if (in_moon and not in_shadow) or star else 0)
        rows.append(row)
    return bmp_bytes(size, size, 1, [(16, 24, 72), (250, 232, 150)], rows)


def color_stripes():
    """4 bits: sixteen vertical bands, one per entry of the classic 16-color
    table, so each entry edited shows as one band."""
    table = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
             (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
             (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
             (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    width, height = 128, 32
    rows = [[x // 8 for x in range(width)] for _ in range(height)]
    return bmp_bytes(width, height, 4, table, rows)


def sunset():
    """8 bits: a sunset over the sea. Entries 0-191 are the sky from top to
    horizon, 192-223 the sea, 224-255 the sun, so editing a range of the
    table recolors one part of the picture."""
    def ramp(stops, count):
        out = []
        for i in range(count):
            t = i * (len(stops) - 1) / (count - 1)
            k = min(int(t), len(stops) - 2)
            f = t - k
            a, b = stops[k], stops[k + 1]
            out.append(tuple(int(round(a[c] + (b[c] - a[c]) * f)) for c in range(3)))
        return out

    table = (ramp([(20, 16, 70), (110, 40, 120), (230, 90, 70), (255, 190, 90)], 192)
             + ramp([(10, 40, 90), (40, 110, 150)], 32)
             + ramp([(255, 250, 200), (255, 150, 40)], 32))
    size, horizon = 64, 44
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d2 = (x - 32) ** 2 + (y - horizon) ** 2
            if y < horizon and d2 <= 14 ** 2:
                row.append(224 + min(31, d2 * 32 // (14 ** 2 + 1)))
            elif y < horizon:
                row.append(y * 192 // horizon)
            elif abs(x - 32) < 14 - (y - horizon) // 2 and (y - horizon) % 3 == 0:
                row.append(230)          # the sun's reflection
            else:
                row.append(192 + (y - horizon) * 32 // (size - horizon))
        rows.append(row)
    return bmp_bytes(size, size, 8, table, rows)


def house():
    """24 bits: a house under a blue sky; no color table."""
    width, height = 48, 40
    sky, grass, wall = (110, 170, 240), (60, 160, 60), (230, 220, 190)
    roof, door, glass, sun = (190, 40, 40), (120, 70, 30), (160, 210, 250), (255, 220, 0)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            color = grass if y >= 32 else sky
            if (x - 40) ** 2 + (y - 7) ** 2 <= 16:
                color = sun
            if 6 <= y < 18 and abs(x - 20) <= y - 6:
                color = roof
            if 18 <= y < 32 and 8 <= x <= 32:
                color = wall
                if 23 <= y < 32 and 12 <= x <= 17:
                    color = door
                if 21 <= y < 27 and 22 <= x <= 29:
                    color = glass if x != 25 and y != 24 else wall
            row.append(color)
        rows.append(row)
    return bmp_bytes(width, height, 24, [], rows)


SAMPLES = [
    ("moon_1bit.bmp", night_moon),
    ("stripes_4bit.bmp", color_stripes),
    ("sunset_8bit.bmp", sunset),
    ("house_24bit.bmp", house),
]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "samples")
    os.makedirs(folder, exist_ok=True)
    for name, make in SAMPLES:
        path = os.path.join(folder, name)
        data = make()
        # Leave an identical file alone, so its time stamp means something.
        try:
            with open(path, "rb") as f:
                if f.read() == data:
                    continue
        except OSError:
            pass
        with open(path, "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
