#!/usr/bin/env python3
"""Draws Korin's icon, a small grid of color cells with one cell selected,
and writes it as resources/korin.ico: a 16 x 16 and a 32 x 32 image, both
256 colors (8 bits per pixel).

Regenerate after changing the drawing (the output is byte-for-byte the same
on every run):
    python3 resources/make_icon.py
"""

import os
import struct

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GRAY = (128, 128, 128)

# Cell colors, row by row, as the palette grid would show a table: a hue
# ramp followed by grays.
CELL_COLORS = [
    (224, 32, 32), (240, 160, 0), (240, 224, 0), (64, 192, 48),
    (0, 176, 176), (32, 96, 224), (128, 48, 208), (224, 64, 160),
    (128, 0, 0), (128, 96, 0), (0, 112, 32), (0, 48, 128),
    (255, 255, 255), (192, 192, 192), (96, 96, 96), (24, 24, 24),
]

# Per size: cells across, cell width in pixels, margin around the grid and
# which cell carries the selection frame (or None).
LAYOUTS = {
    16: dict(cells=3, cell=4, margin=0, selected=None),
    32: dict(cells=4, cell=6, margin=1, selected=5),
}


def draw(size):
    """Returns rows (top first) of RGB tuples, None where transparent."""
    layout = LAYOUTS[size]
    cells, cell, margin = layout["cells"], layout["cell"], layout["margin"]
    pixels = [[None] * size for _ in range(size)]
    grid = cells * cell + cells + 1
    for y in range(grid):
        for x in range(grid):
            pixels[margin + y][margin + x] = BLACK
    for row in range(cells):
        for col in range(cells):
            index = row * cells + col
            color = CELL_COLORS[index if cells == 4 else row * 4 + col]
            left = margin + 1 + col * (cell + 1)
            top = margin + 1 + row * (cell + 1)
            selected = index == layout["selected"]
            for y in range(cell):
                for x in range(cell):
                    edge = x in (0, cell - 1) or y in (0, cell - 1)
                    pixels[top + y][left + x] = WHITE if selected and edge else color
    # A shadow along the right and bottom makes the grid read as a card.
    shadow = margin + grid
    if shadow < size:
        for i in range(margin + 1, shadow + 1):
            if i < size:
                pixels[i][shadow] = GRAY
                pixels[shadow][i] = GRAY
    return pixels


def build_palette(images):
    """One 256-entry table shared by both images, colors in first-seen order."""
    palette = []
    for pixels in images:
        for row in pixels:
            for color in row:
                if color is not None and color not in palette:
                    palette.append(color)
    assert len(palette) <= 256
    return palette + [BLACK] * (256 - len(palette))


def encode(pixels, palette):
    """The image as an icon resource stores it: BITMAPINFOHEADER with the
    doubled height, the color table, the bottom-up color bits and the
    transparency mask."""
    size = len(pixels)
    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(pixels):
        line = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, color in enumerate(row):
            if color is None:
                mask[x // 8] |= 0x80 >> (x % 8)
            else:
                line[x] = palette.index(color)
        xor_bits += line
        and_bits += mask
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + table + bytes(xor_bits) + bytes(and_bits)


def main():
    sizes = sorted(LAYOUTS)
    images = [draw(size) for size in sizes]
    palette = build_palette(images)
    blobs = [encode(pixels, palette) for pixels in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, blob in zip(sizes, blobs):
        # Width, height, color count (0 means 256), reserved, planes, bits.
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "korin.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
