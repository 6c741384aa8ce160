#!/usr/bin/env python3
"""Writes one size of a Windows icon as a PNG with transparency, with the
standard library only. A size the icon holds is copied pixel for pixel; any
other is its largest image that divides the size, each pixel repeated, so
the cells of a pixel-drawn icon stay sharp.

Usage: ico_to_png.py ICON.ico SIZE OUTPUT.png
"""
import struct
import sys
import zlib


def icon_images(data):
    """The icon's images as {size: BMP bytes} (square images only)."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or len(data) < 6 + 16 * count:
        raise ValueError("not an icon file")
    images = {}
    for i in range(count):
        width, height, _colors, _r, _planes, _bits, size, offset = \
            struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        width, height = width or 256, height or 256
        if offset + size > len(data):
            raise ValueError("image %d is cut short" % i)
        blob = data[offset:offset + size]
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            raise ValueError("image %d is PNG-compressed; only BMP images are read" % i)
        if width == height:
            images[width] = blob
    if not images:
        raise ValueError("no square image")
    return images


def decode(blob):
    """Rows (top first) of RGBA bytes of a BMP icon image: color bits, then
    the transparency mask (32-bit images carry their own alpha)."""
    (header, width, height, _planes, bits, compression, _image, _xr, _yr,
     used, _important) = struct.unpack_from("<IiiHHIIiiII", blob, 0)
    height //= 2  # color bits and mask
    if header < 40 or compression != 0 or bits not in (1, 4, 8, 24, 32) or width <= 0:
        raise ValueError("unsupported icon image (%d bits, compression %d)" % (bits, compression))
    table = []
    if bits <= 8:
        start = header
        for i in range(used or 1 << bits):
            b, g, r = blob[start + 4 * i:start + 4 * i + 3]
            table.append(bytes((r, g, b)))
    offset = header + 4 * len(table)
    stride = (width * bits + 31) // 32 * 4
    mask_offset = offset + stride * height
    mask_stride = (width + 31) // 32 * 4
    if mask_offset + mask_stride * height > len(blob):
        raise ValueError("icon image is cut short")
    rows = []
    for y in range(height):
        line = blob[offset + (height - 1 - y) * stride:][:stride]
        mask = blob[mask_offset + (height - 1 - y) * mask_stride:][:mask_stride]
        out = bytearray()
        for x in range(width):
            if bits >= 24:
                step = bits // 8
                b, g, r = line[x * step:x * step + 3]
                pixel = bytes((r, g, b))
                alpha = line[x * step + 3] if bits == 32 else 255
            else:
                per_byte = 8 // bits
                index = (line[x // per_byte] >> (8 - bits * (x % per_byte + 1))) & ((1 << bits) - 1)
                pixel = table[index] if index < len(table) else b"\0\0\0"
                alpha = 255
            if bits != 32 and mask[x // 8] & (0x80 >> (x % 8)):
                alpha = 0
            out += pixel + bytes((alpha,))
        rows.append(bytes(out))
    return rows


def scaled(rows, factor):
    out = []
    for row in rows:
        wide = b"".join(row[x:x + 4] * factor for x in range(0, len(row), 4))
        out.extend([wide] * factor)
    return out


def png_bytes(rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    width, height = len(rows[0]) // 4, len(rows)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 4 or not sys.argv[2].isdigit() or int(sys.argv[2]) <= 0:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    size = int(sys.argv[2])
    try:
        with open(sys.argv[1], "rb") as f:
            images = icon_images(f.read())
        sources = [s for s in images if size % s == 0]
        if not sources:
            raise ValueError("no image whose size divides %d (it holds %s)"
                             % (size, ", ".join(map(str, sorted(images)))))
        source = max(sources)
        rows = scaled(decode(images[source]), size // source)
        with open(sys.argv[3], "wb") as f:
            f.write(png_bytes(rows))
    except (OSError, ValueError, struct.error) as error:
        print("ico_to_png: %s: %s" % (sys.argv[1], error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
