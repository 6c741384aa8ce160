#!/usr/bin/env python3
"""korin-cli map and quantize against an independent reference: without
dithering every pixel is the brute-force OKLab nearest palette entry and the
table is the palette exactly; colors in the palette map to their own (first)
entry under every dithering; alpha follows the threshold; ordered dithering
changes only the pixels that changed; every PNG written passes pngcheck.
Inputs are written here byte by byte (every PNG filter type, 8 and 16 bits).

Usage: map_cli_test.py KORIN_CLI
"""
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

from PIL import Image

CLI = None


def to_linear(c):
    c /= 255
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def oklab(rgb):
    return linear_oklab(tuple(map(to_linear, rgb)))


def linear_oklab(linear):
    r, g, b = linear
    l = (0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b) ** (1 / 3)
    m = (0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b) ** (1 / 3)
    s = (0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b) ** (1 / 3)
    return (0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s)


def distance(x, y):
    return sum((p - q) ** 2 for p, q in zip(x, y)) ** 0.5


def nearest(rgb, palette, usable):
    """Every usable entry within rounding of the least distance."""
    lab = oklab(rgb)
    d = {i: distance(lab, oklab(palette[i])) for i in usable}
    best = min(d.values())
    return {i for i, v in d.items() if v <= best + 1e-9}, min(i for i, v in d.items() if v == best)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def png(path, width, height, color_type, depth, samples, trns=None, cut=None):
    """A PNG of samples (row-major, channel values at depth), rows filtered 0 to 4 in turn;
    its pixel data's stream ends after cut bytes when asked."""
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[color_type]
    bpp = max(1, channels * depth // 8)
    raw, previous = b"", bytes(width * channels * depth // 8)
    for y in range(height):
        row = b"".join(struct.pack(">H" if depth == 16 else "B", v)
                       for v in samples[y * width * channels:(y + 1) * width * channels])
        kind = y % 5
        out = bytearray()
        for i, v in enumerate(row):
            a = row[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            out.append((v - pred) & 255)
        raw += bytes([kind]) + bytes(out)
        previous = row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 0))
    if trns is not None:
        body += chunk(b"tRNS", trns)
    body += chunk(b"IDAT", zlib.compress(raw)[:cut]) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + body)


def bitfields_bmp(path, width, height, bits, masks, pixels):
    """A bottom-up BMP with a V5 header and bit fields: each pixel's (r, g, b, a)
    scaled into its field of masks (red, green, blue, alpha)."""
    def field(value, mask):
        shift = (mask & -mask).bit_length() - 1
        largest = mask >> shift
        return (value * largest + 127) // 255 << shift
    stride = (width * bits + 31) // 32 * 4
    rows = b""
    for y in reversed(range(height)):
        row = b"".join(struct.pack("<H" if bits == 16 else "<I",
                                   sum(field(v, m) for v, m in zip(p, masks) if m))
                       for p in pixels[y * width:(y + 1) * width])
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 124, width, height, 1, bits, 3, len(rows), 2835, 2835, 0, 0)
    info += struct.pack("<4I", *masks) + b"BGRs" + bytes(124 - 56 - 4)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 124 + len(rows), 0, 0, 14 + 124) + info + rows)


def gpl(path, colors):
    with open(path, "w") as f:
        f.write("GIMP Palette\nName: test\n#\n" + "".join(f"{r} {g} {b}\tc\n" for r, g, b in colors))


def palette_png(path, colors, alpha):
    image = Image.new("P", (1, 1))
    image.putpalette([c for rgb in colors for c in rgb])
    image.save(path, transparency=bytes(alpha))


def run(*args):
    return subprocess.run((CLI,) + args, capture_output=True, text=True, timeout=120)


def load(path):
    with Image.open(path) as image:
        copy = image.copy()
        copy.info = dict(image.info)
        return copy


def read_indexed(path):
    image = load(path)
    table = image.getpalette()
    return image, [tuple(table[i:i + 3]) for i in range(0, len(table), 3)]


def pngcheck(test, path):
    done = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True, timeout=60)
    test.assertEqual(done.returncode, 0, done.stdout + done.stderr)


class MapTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="korin-map-")
        self.dir = self.folder.name
        rng = random.Random(38)
        self.palette = [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(13)]
        self.palette[7] = self.palette[3]  # a repeated color: its first entry wins
        gpl(self.path("p.gpl"), self.palette)
        self.width, self.height = 23, 17
        self.pixels = [(rng.randrange(256), rng.randrange(256), rng.randrange(256))
                       for _ in range(self.width * self.height)]
        for i in range(0, len(self.pixels), 7):
            self.pixels[i] = self.palette[i % 13]

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def inputs(self):
        """The same picture in each truecolor form the program reads."""
        w, h, px = self.width, self.height, self.pixels
        flat = [c for p in px for c in p]
        png(self.path("rgb8.png"), w, h, 2, 8, flat)
        png(self.path("rgb16.png"), w, h, 2, 16, [c * 257 for c in flat])
        png(self.path("rgba8.png"), w, h, 6, 8, [c for p in px for c in p + (255,)])
        Image.frombytes("RGB", (w, h), bytes(flat)).save(self.path("rgb.bmp"))
        grey = [sum(p) // 3 for p in px]
        png(self.path("grey16.png"), w, h, 0, 16, [g * 257 for g in grey])
        # Bit fields in an unusual order, and 16-bit 5-6-5 pixels (their colors as 5 and 6 bits scale back).
        bitfields_bmp(self.path("v5.bmp"), w, h, 32, (0xFF, 0xFF00, 0xFF000000, 0xFF0000),
                      [p + (255,) for p in px])
        bitfields_bmp(self.path("565.bmp"), w, h, 16, (0xF800, 0x07E0, 0x001F, 0), [p + (255,) for p in px])
        scale = lambda v, n: ((v * n + 127) // 255 * 255 + n // 2) // n
        px565 = [(scale(r, 31), scale(g, 63), scale(b, 31)) for r, g, b in px]
        return [("rgb8.png", px), ("rgb16.png", px), ("rgba8.png", px), ("rgb.bmp", px),
                ("grey16.png", [(g, g, g) for g in grey]), ("v5.bmp", px), ("565.bmp", px565)]

    def check_nearest(self, out, expected, palette, usable):
        image, table = read_indexed(out)
        self.assertEqual(table[:len(palette)], palette, out)
        if not out.endswith(".gif"):
            self.assertEqual(len(table), len(palette), out)
        indices = list(image.getdata())
        for i, rgb in enumerate(expected):
            allowed, first = nearest(rgb, palette, usable)
            self.assertIn(indices[i], allowed, f"{out} pixel {i} {rgb}")
            if rgb in palette:
                self.assertEqual(indices[i], palette.index(rgb), f"{out} exact pixel {i}")
        return indices

    def test_without_dithering_every_pixel_is_the_nearest_entry(self):
        for name, expected in self.inputs():
            for kind in (".png", ".bmp", ".gif"):
                out = self.path(name + ".out" + kind)
                done = run("map", self.path(name), "--palette", self.path("p.gpl"), "-o", out)
                self.assertEqual(done.returncode, 0, done.stderr)
                indices = self.check_nearest(out, expected, self.palette, range(13))
                errors = [distance(oklab(rgb), oklab(self.palette[i])) for rgb, i in zip(expected, indices)]
                said = re.search(r"mean color error ([\d.]+); largest ([\d.]+)", done.stdout)
                self.assertAlmostEqual(float(said.group(1)), sum(errors) / len(errors), places=3)
                self.assertAlmostEqual(float(said.group(2)), max(errors), places=3)
                if kind == ".png":
                    pngcheck(self, out)

    def test_palette_colors_keep_their_entry_under_every_dithering(self):
        self.inputs()
        for dither in ("none", "fs", "fs-light", "bayer2", "bayer4", "bayer8"):
            out = self.path(f"d-{dither}.png")
            done = run("map", self.path("rgb8.png"), "--palette", self.path("p.gpl"), "--dither", dither, "-o", out)
            self.assertEqual(done.returncode, 0, done.stderr)
            indices = list(load(out).getdata())
            for i, rgb in enumerate(self.pixels):
                if rgb in self.palette:
                    self.assertEqual(indices[i], self.palette.index(rgb), f"{dither} pixel {i}")
            pngcheck(self, out)

    def test_a_flat_color_diffused_onto_few_colors_looks_like_it_from_a_step_away(self):
        vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
               (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
               (255, 0, 255), (0, 255, 255), (255, 255, 255)]
        gpl(self.path("vga.gpl"), vga)
        size, block = 48, 4
        for color in ((60, 35, 20), (150, 110, 75), (200, 170, 120)):
            png(self.path("flat.png"), size, size, 2, 8, list(color) * (size * size))
            out = self.path("flat-out.png")
            done = run("map", self.path("flat.png"), "--palette", self.path("vga.gpl"), "--dither", "fs", "-o", out)
            self.assertEqual(done.returncode, 0, done.stderr)
            image, table = read_indexed(out)
            linear = [tuple(map(to_linear, table[i])) for i in image.getdata()]
            errors = []
            for by in range(0, size, block):
                for bx in range(0, size, block):
                    cell = [linear[(by + y) * size + bx + x] for y in range(block) for x in range(block)]
                    mean = tuple(sum(c[k] for c in cell) / len(cell) for k in range(3))
                    errors.append(distance(linear_oklab(mean), oklab(color)))
            self.assertLess(sum(errors) / len(errors), 0.045, color)

    def test_ordered_dithering_changes_only_the_pixels_that_changed(self):
        self.inputs()
        changed = list(self.pixels)
        for i in range(40, 90):
            changed[i] = (changed[i][0] ^ 0x55, changed[i][1], 255 - changed[i][2])
        png(self.path("changed.png"), self.width, self.height, 2, 8, [c for p in changed for c in p])
        for dither in ("bayer2", "bayer4", "bayer8"):
            frames = []
            for name in ("rgb8.png", "rgb8.png", "changed.png"):
                out = self.path(f"{dither}-{len(frames)}.png")
                done = run("map", self.path(name), "--palette", self.path("p.gpl"), "--dither", dither, "-o", out)
                self.assertEqual(done.returncode, 0, done.stderr)
                frames.append(list(load(out).getdata()))
            self.assertEqual(frames[0], frames[1], dither)
            moved = [i for i, (a, b) in enumerate(zip(frames[0], frames[2])) if a != b]
            self.assertTrue(all(40 <= i < 90 for i in moved), f"{dither}: {moved}")

    def test_alpha_follows_the_threshold(self):
        colors = [(10, 10, 10), (250, 250, 250), (0, 0, 0), (200, 30, 30)]
        palette_png(self.path("alpha.png"), colors, [255, 255, 0, 255])
        gpl(self.path("opaque.gpl"), colors)
        w, h = 16, 16
        px = [(x * 16, y * 16, 128, (x * 16 + y) % 256) for y in range(h) for x in range(w)]
        png(self.path("rgba.png"), w, h, 6, 8, [c for p in px for c in p])
        cases = [  # threshold, palette, extra words, transparent entry
            ("128", "alpha.png", [], 2), ("1", "alpha.png", [], 2), ("256", "alpha.png", [], 2),
            ("128", "opaque.gpl", ["--transparent", "1"], 1),
        ]
        # The same pixels in a BMP whose bit fields hold alpha.
        bitfields_bmp(self.path("rgba.bmp"), w, h, 32, (0xFF0000, 0xFF00, 0xFF, 0xFF000000), px)
        for threshold, palette, extra, transparent in cases:
            for source, kind in (("rgba.png", ".png"), ("rgba.png", ".gif"), ("rgba.bmp", ".png")):
                out = self.path(f"a{threshold}{palette}{source}{kind}")
                done = run("map", self.path(source), "--palette", self.path(palette),
                           "--alpha-threshold", threshold, *extra, "-o", out)
                self.assertEqual(done.returncode, 0, done.stderr)
                image = load(out)
                self.assertEqual(image.info.get("transparency"), transparent, out)
                usable = [i for i in range(4) if i != transparent]
                for i, (r, g, b, a) in enumerate(px):
                    got = image.getpixel((i % w, i // w))
                    if a < int(threshold):
                        self.assertEqual(got, transparent, f"{out} pixel {i} alpha {a}")
                    else:
                        self.assertIn(got, nearest((r, g, b), colors, usable)[0], f"{out} pixel {i}")
        refused = run("map", self.path("rgba.png"), "--palette", self.path("opaque.gpl"), "-o", self.path("no.png"))
        self.assertEqual(refused.returncode, 1)
        self.assertIn("no transparent entry", refused.stderr)
        self.assertFalse(os.path.exists(self.path("no.png")))

    def test_a_picture_cut_short_is_refused_and_nothing_written(self):
        rng = random.Random(5)
        w, h = 300, 400
        samples = [rng.randrange(256) for _ in range(w * h * 3)]
        png(self.path("cut.png"), w, h, 2, 8, samples, cut=w * h * 3 // 2)
        for words in (["map", "--palette", self.path("p.gpl")], ["quantize", "--colors", "16"]):
            for kind in (".png", ".bmp", ".gif"):
                out = self.path("cut-out" + kind)
                done = run(words[0], self.path("cut.png"), *words[1:], "--dither", "fs", "-o", out)
                self.assertEqual(done.returncode, 1, words + [kind, done.stderr])
                self.assertIn("cut.png", done.stderr)
                self.assertFalse(os.path.exists(out), out)

    def test_quantize_keeps_entries_sorts_the_rest_and_maps_to_the_nearest(self):
        self.inputs()
        for colors, keep in (("2", None), ("16", None), ("64", "3"), ("256", "13")):
            out = self.path(f"q{colors}.png")
            words = ["--keep", self.path("p.gpl") + ":" + keep] if keep else []
            done = run("quantize", self.path("rgb8.png"), "--colors", colors, *words, "-o", out)
            self.assertEqual(done.returncode, 0, done.stderr)
            pngcheck(self, out)
            image, table = read_indexed(out)
            kept = int(keep or 0)
            self.assertEqual(table[:kept], self.palette[:kept])
            self.assertLessEqual(len(table), int(colors))
            lightness = [oklab(c)[0] for c in table[kept:]]
            self.assertEqual(lightness, sorted(lightness), colors)
            for i, index in enumerate(image.getdata()):
                self.assertIn(index, nearest(self.pixels[i], table, range(len(table)))[0], f"{colors} pixel {i}")
        # A picture of fewer colors than asked comes back exactly.
        few = [self.palette[i % 5] for i in range(self.width * self.height)]
        png(self.path("few.png"), self.width, self.height, 2, 8, [c for p in few for c in p])
        done = run("quantize", self.path("few.png"), "--colors", "8", "-o", self.path("few.bmp"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("largest 0.0000", done.stdout)
        image, table = read_indexed(self.path("few.bmp"))
        self.assertEqual([table[i] for i in image.getdata()], few)


if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main()
