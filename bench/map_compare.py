#!/usr/bin/env python3
"""korin-cli map and quantize against ImageMagick, Pillow and pngquant on real
truecolor pictures (bench/map_pictures.sh fetches them): quality as the mean
OKLab error between original and result after both are blurred with a
Gaussian of sigma 1 pixel (in linear light), plus SSIM of the lightness; then
speed and peak memory on the 24-megapixel picture. Prints Markdown tables.

Usage: map_compare.py KORIN_CLI PICTURE_DIR WORK_DIR
"""
import os
import subprocess
import sys
import time

import numpy as np
from PIL import Image

CONVERT = "/usr/bin/convert"


def vga16():
    return [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
            (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
            (0, 255, 255), (255, 255, 255)]


def xterm256():
    colors = vga16()
    steps = [0, 95, 135, 175, 215, 255]
    colors += [(r, g, b) for r in steps for g in steps for b in steps]
    colors += [(8 + 10 * i,) * 3 for i in range(24)]
    return colors


def linear(rgb):
    c = rgb / 255.0
    return np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)


def oklab(lin):
    m1 = np.array([[0.4122214708, 0.5363325363, 0.0514459929], [0.2119034982, 0.6806995451, 0.1073969566],
                   [0.0883024619, 0.2817188376, 0.6299787005]])
    m2 = np.array([[0.2104542553, 0.7936177850, -0.0040720468], [1.9779984951, -2.4285922050, 0.4505937099],
                   [0.0259040371, 0.7827717662, -0.8086757660]])
    return np.cbrt(lin @ m1.T) @ m2.T


def blur(a, sigma):
    radius = int(3 * sigma + 0.5)
    x = np.arange(-radius, radius + 1)
    k = np.exp(-x * x / (2 * sigma * sigma))
    k /= k.sum()
    for axis in (0, 1):
        pad = [(0, 0)] * a.ndim
        pad[axis] = (radius, radius)
        p = np.pad(a, pad, mode="edge")
        out = np.zeros_like(a)
        for i, w in enumerate(k):
            out += w * np.take(p, range(i, i + a.shape[axis]), axis=axis)
        a = out
    return a


def ssim(x, y):
    c1, c2 = 0.01 ** 2, 0.03 ** 2
    mx, my = blur(x, 1.5), blur(y, 1.5)
    vx, vy = blur(x * x, 1.5) - mx * mx, blur(y * y, 1.5) - my * my
    cov = blur(x * y, 1.5) - mx * my
    return float(np.mean((2 * mx * my + c1) * (2 * cov + c2) / ((mx * mx + my * my + c1) * (vx + vy + c2))))


def quality(original, result):
    a, b = blur(linear(original), 1.0), blur(linear(result), 1.0)
    la, lb = oklab(a), oklab(b)
    return float(np.mean(np.sqrt(((la - lb) ** 2).sum(axis=2)))), ssim(la[..., 0], lb[..., 0])


def rgb(path):
    with Image.open(path) as image:
        return np.asarray(image.convert("RGB"), dtype=np.float64)


def timed(args):
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-f", "%M"] + args, capture_output=True, text=True)
    seconds = time.monotonic() - start
    if done.returncode != 0:
        raise RuntimeError(f"{args}: {done.stderr}")
    return seconds, int(done.stderr.strip().splitlines()[-1]) / 1024


def palette_files(work, name, colors):
    gpl = os.path.join(work, name + ".gpl")
    with open(gpl, "w") as f:
        f.write("GIMP Palette\nName: " + name + "\n#\n" + "".join(f"{r} {g} {b}\tc\n" for r, g, b in colors))
    image = Image.new("P", (len(colors), 1))
    image.putpalette([c for rgb_ in colors for c in rgb_] + [0] * (768 - 3 * len(colors)))
    image.putdata(list(range(len(colors))))
    png = os.path.join(work, name + ".png")
    image.save(png)
    return gpl, png, image


def main():
    korin, pictures, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    names = sorted(n for n in os.listdir(pictures) if n.endswith(".png") and not n.startswith("large"))
    print("## Mapping onto a fixed palette, Floyd-Steinberg\n")
    print("Mean OKLab error after a Gaussian blur of sigma 1 (lower is better) / SSIM of OKLab L (higher is better).\n")
    print("| picture | palette | korin | ImageMagick | Pillow |")
    print("|---|---|---|---|---|")
    sums = {}
    for label, colors in (("16 (VGA)", vga16()), ("256 (xterm)", xterm256())):
        gpl, png, pil_palette = palette_files(work, label.split()[0], colors)
        for name in names:
            source = os.path.join(pictures, name)
            original = rgb(source)
            outs = {"korin": os.path.join(work, "k.png"), "ImageMagick": os.path.join(work, "m.png"),
                    "Pillow": os.path.join(work, "p.png")}
            subprocess.run([korin, "map", source, "--palette", gpl, "--dither", "fs", "-o", outs["korin"]],
                           check=True, capture_output=True)
            subprocess.run([CONVERT, source, "-dither", "FloydSteinberg", "-remap", png, outs["ImageMagick"]],
                           check=True)
            with Image.open(source) as image:
                image.convert("RGB").quantize(palette=pil_palette, dither=Image.Dither.FLOYDSTEINBERG).save(
                    outs["Pillow"])
            row = []
            for tool, out in outs.items():
                err, s = quality(original, rgb(out))
                sums.setdefault((label, tool), []).append(err)
                row.append(f"{err:.4f} / {s:.3f}")
            print(f"| {name} | {label} | " + " | ".join(row) + " |")
    print()
    for label in ("16 (VGA)", "256 (xterm)"):
        means = {tool: np.mean(sums[(label, tool)]) for tool in ("korin", "ImageMagick", "Pillow")}
        print(f"Mean over the pictures, {label}: " + ", ".join(f"{t} {v:.4f}" for t, v in means.items()) + "  ")
    print("\n## A palette made from the picture (korin quantize --dither fs, pngquant with its default dithering)\n")
    print("| picture | colors | korin | pngquant | korin/pngquant |")
    print("|---|---|---|---|---|")
    ratios = {}
    for colors in (16, 64, 256):
        for name in names:
            source = os.path.join(pictures, name)
            original = rgb(source)
            k, q = os.path.join(work, "kq.png"), os.path.join(work, "pq.png")
            subprocess.run([korin, "quantize", source, "--colors", str(colors), "--dither", "fs", "-o", k],
                           check=True, capture_output=True)
            subprocess.run(["pngquant", "--force", "--output", q, str(colors), source], check=True)
            ek, _ = quality(original, rgb(k))
            eq, _ = quality(original, rgb(q))
            ratios.setdefault(colors, []).append((ek, eq))
            print(f"| {name} | {colors} | {ek:.4f} | {eq:.4f} | {ek / eq:.3f} |")
    print()
    for colors, pairs in ratios.items():
        mk, mq = np.mean([p[0] for p in pairs]), np.mean([p[1] for p in pairs])
        print(f"Mean error, {colors} colors: korin {mk:.4f}, pngquant {mq:.4f}, korin/pngquant {mk / mq:.3f}  ")
    large = os.path.join(pictures, "large-24mp.png")
    gpl, png, _ = palette_files(work, "256", xterm256())
    print("\n## Speed on the 24-megapixel picture (6000x4000), seconds and peak MiB, one run each\n")
    print("| job | korin | peer | peer/korin | korin MiB | peer MiB |")
    print("|---|---|---|---|---|---|")
    k = timed([korin, "map", large, "--palette", gpl, "--dither", "fs", "-o", os.path.join(work, "lk.png")])
    m = timed([CONVERT, large, "-dither", "FloydSteinberg", "-remap", png, os.path.join(work, "lm.png")])
    print(f"| map onto 256 colors, Floyd-Steinberg (peer: ImageMagick -remap) | {k[0]:.2f} | {m[0]:.2f} | "
          f"{m[0] / k[0]:.2f} | {k[1]:.0f} | {m[1]:.0f} |")
    k = timed([korin, "quantize", large, "--colors", "256", "--dither", "fs", "-o", os.path.join(work, "lq.png")])
    q = timed(["pngquant", "--force", "--output", os.path.join(work, "lp.png"), "256", large])
    print(f"| make 256 colors and map, Floyd-Steinberg (peer: pngquant) | {k[0]:.2f} | {q[0]:.2f} | "
          f"{q[0] / k[0]:.2f} | {k[1]:.0f} | {q[1]:.0f} |")


if __name__ == "__main__":
    main()
