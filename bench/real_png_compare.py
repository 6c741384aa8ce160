#!/usr/bin/env python3
"""korin-cli's sort --by usage, compact and merge-duplicates on a folder of real
indexed PNGs (bench/fetch_debian_pngs.sh) against the input and Pillow:
total output sizes, Pillow re-saving each korin output (the same picture and
table), and each file's korin job (the whole process) against Pillow doing
the same job in its own process (open, remap, save, fsync); then each file's
job inside one process on both sides (korin given every file at once). Every
output is checked: pngcheck passes it and it shows the input's picture.

Usage: real_png_compare.py KORIN_CLI FOLDER [OTHER_KORIN_CLI]
OTHER_KORIN_CLI, when given, is run too for its output sizes (an older build).
"""
import io
import os
import statistics
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image

JOBS = (("sort", ["sort", "--by", "usage"]), ("compact", ["compact"]), ("merge", ["merge-duplicates"]))


def pillow_job(name, source, target, flush_folder=True):
    im = Image.open(source)
    im.load()
    palette = im.getpalette() or []
    entries = len(palette) // 3
    counts = im.histogram()[:max(entries, 1)]
    if name == "sort":
        order = sorted(range(entries), key=lambda i: -counts[i])
    elif name == "compact":
        order = [i for i in range(entries) if counts[i]] or [0]
    else:
        order = list(range(entries))
    lut = list(range(256))
    for new, old in enumerate(order):
        lut[old] = new
    if name == "merge":
        first = {}
        for i in range(entries):
            lut[i] = first.setdefault(tuple(palette[3 * i:3 * i + 3]), i)
    out = im.point(lut)
    out.putpalette(bytes(c for old in order for c in palette[3 * old:3 * old + 3]))
    with open(target, "wb") as f:
        out.save(f, format="PNG")
        f.flush()
        os.fsync(f.fileno())
    if not flush_folder:
        return
    # The folder too, as korin's save does.
    fd = os.open(os.path.dirname(target), os.O_RDONLY)
    os.fsync(fd)
    os.close(fd)


def idat_bytes(data):
    at, total = 8, 0
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        if data[at + 4:at + 8] == b"IDAT":
            total += length
        at += 12 + length
    return total


def startup(korin):
    runs = []
    for _ in range(21):
        start = time.perf_counter()
        subprocess.run([korin, "--version"], capture_output=True)
        runs.append(time.perf_counter() - start)
    return statistics.median(runs)


def picture(path):
    im = Image.open(path)
    return im.size, im.convert("RGBA").tobytes()


def main():
    korin, folder = sys.argv[1], sys.argv[2]
    other = sys.argv[3] if len(sys.argv) > 3 else None
    files = sorted(os.path.join(folder, f) for f in os.listdir(folder))
    work = tempfile.mkdtemp(prefix="korin-real-")
    out, old, pil = os.path.join(work, "k.png"), os.path.join(work, "o.png"), os.path.join(work, "p.png")
    total_in = sum(os.path.getsize(f) for f in files)
    start_up = startup(korin)
    print(f"{len(files)} indexed PNGs, {total_in} bytes; korin-cli --version takes {start_up * 1000:.1f} ms")
    print("| job | korin bytes | / input | IDAT korin / Pillow re-saving | file korin / Pillow | older korin / input | "
          "korin <= Pillow time (less start-up) | median korin/Pillow time (whole, less start-up) | checked |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, words in JOBS:
        sizes = {"input": 0, "korin": 0, "pillow": 0, "other": 0, "kidat": 0, "pidat": 0}
        ratios, bare, faster, checked, skipped = [], [], 0, 0, 0
        for f in files:
            before = picture(f)
            if os.path.exists(out):
                os.remove(out)
            start = time.perf_counter()
            done = subprocess.run([korin] + words[:1] + [f] + words[1:] + ["-o", out], capture_output=True)
            korin_time = time.perf_counter() - start
            if done.returncode != 0:
                skipped += 1  # refused (an unreadable or unsupported file): left out of every total
                continue
            start = time.perf_counter()
            pillow_job(name, f, pil)
            pillow_time = time.perf_counter() - start
            if picture(out) != before:
                sys.exit(f"{name} {f}: the picture changed")
            if subprocess.run(["pngcheck", "-q", out], capture_output=True).returncode != 0:
                sys.exit(f"{name} {f}: pngcheck refuses the output")
            checked += 1
            sizes["input"] += os.path.getsize(f)
            sizes["korin"] += os.path.getsize(out)
            buf = io.BytesIO()
            Image.open(out).save(buf, format="PNG")
            sizes["pillow"] += len(buf.getvalue())
            sizes["pidat"] += idat_bytes(buf.getvalue())
            with open(out, "rb") as k:
                sizes["kidat"] += idat_bytes(k.read())
            if other:
                subprocess.run([other] + words[:1] + [f] + words[1:] + ["-o", old], capture_output=True, check=True)
                sizes["other"] += os.path.getsize(old)
            ratios.append(korin_time / pillow_time)
            bare.append((korin_time - start_up) / pillow_time)
            faster += korin_time - start_up <= pillow_time
        print(f"| {name} | {sizes['korin']} | {sizes['korin'] / sizes['input']:.3f} | "
              f"{sizes['kidat'] / sizes['pidat']:.3f} | {sizes['korin'] / sizes['pillow']:.3f} | "
              f"{sizes['other'] / sizes['input'] if other else 0:.3f} | {faster} of {checked} | "
              f"{statistics.median(ratios):.2f}, {statistics.median(bare):.2f} | {checked} (refused {skipped}) |")
    # Each file's job inside one process, as Pillow's is: korin given every file at once (--out-dir;
    # each file written and then all flushed together, folder once) against Pillow's job in a loop,
    # each file flushed and the folder once at the end. Only the files korin takes above.
    taken = [f for f in files if subprocess.run([korin, "usage", f], capture_output=True).returncode == 0]
    print()
    print("| job | files | korin, one process: ms a file | Pillow, one process: ms a file | Pillow / korin |")
    print("|---|---|---|---|---|")
    for name, words in JOBS:
        kdir, pdir = os.path.join(work, "kb"), os.path.join(work, "pb")
        for d in (kdir, pdir):
            shutil.rmtree(d, ignore_errors=True)
            os.mkdir(d)
        start = time.perf_counter()
        subprocess.run([korin] + words[:1] + taken + words[1:] + ["--out-dir", kdir], capture_output=True, check=True)
        korin_time = time.perf_counter() - start
        start = time.perf_counter()
        for i, f in enumerate(taken):
            pillow_job(name, f, os.path.join(pdir, f"{i}.png"), flush_folder=False)
        fd = os.open(pdir, os.O_RDONLY)
        os.fsync(fd)
        os.close(fd)
        pillow_time = time.perf_counter() - start
        for f in taken:
            if picture(os.path.join(kdir, os.path.basename(f))) != picture(f):
                sys.exit(f"{name} {f}: the picture changed in the batch")
        print(f"| {name} | {len(taken)} | {korin_time * 1000 / len(taken):.2f} | "
              f"{pillow_time * 1000 / len(taken):.2f} | {pillow_time / korin_time:.2f} |")
        for d in (kdir, pdir):
            shutil.rmtree(d)
    for p in (out, old, pil):
        if os.path.exists(p):
            os.remove(p)
    os.rmdir(work)


if __name__ == "__main__":
    main()
