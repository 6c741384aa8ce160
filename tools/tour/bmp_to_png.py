#!/usr/bin/env python3
"""Converts uncompressed BMP files (1, 4, 8, 24 or 32 bits per pixel) to PNG
with the standard library only: the tour's screen captures arrive as BMP.

Usage: bmp_to_png.py INPUT.bmp OUTPUT.png
"""
import struct
import sys
import zlib


def read_bmp(data):
    if data[:2] != b"BM" or len(data) < 54:
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    (size, width, height, _planes, bits, compression, _image, _xr, _yr,
     used, _important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if size < 40 or compression not in (0, 3) or bits not in (1, 4, 8, 24, 32):
        raise ValueError("unsupported BMP (header %d, compression %d, %d bits)"
                         % (size, compression, bits))
    table = []
    if bits <= 8:
        count = used or (1 << bits)
        start = 14 + size
        for i in range(count):
            b, g, r = data[start + 4 * i:start + 4 * i + 3]
            table.append(bytes((r, g, b)))
    top_down = height < 0
    height = abs(height)
    stride = (width * bits + 31) // 32 * 4
    if offset + stride * height > len(data):
        raise ValueError("BMP pixel data is cut short")
    rows = []
    for y in range(height):
        src = y if top_down else height - 1 - y
        line = data[offset + src * stride:offset + (src + 1) * stride]
        if bits == 24 or bits == 32:
            step = bits // 8
            out = bytearray(width * 3)
            out[0::3] = line[2:width * step:step]
            out[1::3] = line[1:width * step:step]
            out[2::3] = line[0:width * step:step]
        else:
            per_byte = 8 // bits
            mask = (1 << bits) - 1
            out = bytearray()
            for x in range(width):
                byte = line[x // per_byte]
                index = (byte >> (8 - bits * (x % per_byte + 1))) & mask
                out += table[index] if index < len(table) else b"\0\0\0"
        rows.append(bytes(out))
    return width, height, rows


def png_bytes(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], "rb") as f:
            width, height, rows = read_bmp(f.read())
        with open(sys.argv[2], "wb") as f:
            f.write(png_bytes(width, height, rows))
    except (OSError, ValueError) as error:
        print("bmp_to_png: %s: %s" % (sys.argv[1], error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
