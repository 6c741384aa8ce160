"""korin-cli apply on a large indexed PNG against cp of the finished file,
each with the same flush (the file, then its folder), alternating round by
round. Prints median seconds, the ratio and peak memory.

Usage: png_compare.py KORIN_CLI WORK_FOLDER ROUNDS [MIB]
"""
import os
import statistics
import struct
import subprocess
import sys
import time
import zlib

MIB = 1 << 20


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, ref_path, mib, old, new):
    """An 8-bit indexed PNG of mib MiB of pixels in 1 MiB IDAT chunks (stored
    deflate blocks, so that the file is as large as its pixels), and the file
    the new table makes of it."""
    width = 4096
    height = mib * MIB // width
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
    rows = os.urandom(16 * MIB)
    with open(path, "wb") as f, open(ref_path, "wb") as g:
        f.write(head + chunk(b"PLTE", b"".join(bytes(e) for e in old)))
        g.write(head + chunk(b"PLTE", b"".join(bytes(e) for e in new)))
        deflate = zlib.compressobj(0)
        pending = b""
        for y in range(height):
            at = (y * width) % (len(rows) - width)
            pending += deflate.compress(b"\x00" + rows[at:at + width])
            while len(pending) >= MIB:
                c = chunk(b"IDAT", pending[:MIB])
                f.write(c)
                g.write(c)
                pending = pending[MIB:]
        pending += deflate.flush()
        tail = chunk(b"IDAT", pending) + chunk(b"IEND", b"")
        f.write(tail)
        g.write(tail)
    return os.path.getsize(path)


def pal_bytes(entries):
    body = struct.pack("<HH", 0x300, len(entries)) + b"".join(bytes((r, g, b, 0)) for r, g, b in entries)
    return b"RIFF" + struct.pack("<I", len(body) + 12) + b"PAL data" + struct.pack("<I", len(body)) + body


def timed(command, mem_file):
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", mem_file] + command, check=True)
    return time.perf_counter() - start, int(open(mem_file).read().split()[-1]) * 1024


def main():
    korin, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    mib = int(sys.argv[4]) if len(sys.argv) > 4 else 256
    old = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
    new = [((i * 5) & 255, (i * 3) & 255, 255 - i) for i in range(256)]
    source = os.path.join(work, "source.pal")
    with open(source, "wb") as f:
        f.write(pal_bytes(new))
    picture, expected = os.path.join(work, "big.png"), os.path.join(work, "expected.png")
    size = write_png(picture, expected, mib, old, new)
    outs = {job: os.path.join(work, "out-" + job) for job in ("korin", "cp")}
    for folder in outs.values():
        os.makedirs(folder, exist_ok=True)
    commands = {
        "korin": [korin, "apply", source, picture, "--out-dir", outs["korin"]],
        "cp": ["bash", "-c", 'cp "$1" "$0/big.png" && sync "$0/big.png" && sync "$0"', outs["cp"], expected],
    }
    times = {job: [] for job in commands}
    peaks = {job: 0 for job in commands}
    order = list(commands)
    for r in range(rounds):
        for job in order[r % 2:] + order[:r % 2]:
            target = os.path.join(outs[job], "big.png")
            if os.path.exists(target):
                os.remove(target)
            subprocess.run(["sync"], check=True)
            wall, peak = timed(commands[job], os.path.join(work, "peak.txt"))
            times[job].append(wall)
            peaks[job] = max(peaks[job], peak)
    with open(os.path.join(outs["korin"], "big.png"), "rb") as a, open(expected, "rb") as b:
        while True:
            x, y = a.read(MIB), b.read(MIB)
            if x != y:
                raise SystemExit("korin's output differs from the expected file")
            if not x:
                break
    med = {job: statistics.median(t) for job, t in times.items()}
    print(f"| one {size / MIB:.0f} MiB indexed PNG | {med['korin']:.3f} | {med['cp']:.3f} | "
          f"{med['korin'] / med['cp']:.2f} | {peaks['korin'] / MIB:.1f} | {peaks['cp'] / MIB:.1f} |")


if __name__ == "__main__":
    main()
