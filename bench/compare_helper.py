"""Runs the comparison of bench/compare.sh: makes the files, times the jobs
alternating round by round, checks their outputs, prints the figures.

Usage: compare_helper.py KORIN_CLI WORK_FOLDER ROUNDS
       compare_helper.py pillow PALETTE LIST_FILE OUT_FOLDER [once]   (the Pillow job;
       with "once" it flushes the folder once at the end, not after each file)
"""
import os
import statistics
import struct
import subprocess
import sys
import time

MIB = 1 << 20


def fsync_path(path, folder=False):
    fd = os.open(path, os.O_RDONLY | (os.O_DIRECTORY if folder else 0))
    try:
        os.fsync(fd)
    finally:
        os.close(fd)


def pal_bytes(entries):
    n = len(entries)
    body = struct.pack("<HH", 0x300, n) + b"".join(bytes((r, g, b, 0)) for r, g, b in entries)
    return b"RIFF" + struct.pack("<I", len(body) + 12) + b"PAL data" + struct.pack("<I", len(body)) + body


def read_pal(path):
    data = open(path, "rb").read()
    n = struct.unpack_from("<H", data, 22)[0]
    return [tuple(data[24 + 4 * i: 27 + 4 * i]) for i in range(n)]


def bmp_bytes(width, height, table, pixels):
    """An 8-bit bottom-up BMP; table holds (r, g, b) entries."""
    rgbquads = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    off = 54 + len(rgbquads)
    header = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, len(table), 0)
    return header + info + rgbquads, pixels


def write_bmp(path, width, height, table, pixels):
    head, body = bmp_bytes(width, height, table, pixels)
    with open(path, "wb") as f:
        f.write(head)
        f.write(body)


def table_and_pixels(path):
    """Palette as (r, g, b) entries and the pixel bytes, whatever the writer."""
    data = open(path, "rb").read()
    off = struct.unpack_from("<I", data, 10)[0]
    size, width, height, _, bits = struct.unpack_from("<IiiHH", data, 14)
    table = data[14 + size:off]
    entries = [(table[i + 2], table[i + 1], table[i]) for i in range(0, len(table), 4)]
    stride = (width * bits + 31) // 32 * 4
    return entries, data[off:off + stride * abs(height)]


def pillow_job(palette_path, list_path, out_folder, folder_flush="each"):
    from PIL import Image
    Image.MAX_IMAGE_PIXELS = None  # the 256 MiB case is meant, not a decompression bomb
    flat = b"".join(bytes(e) for e in read_pal(palette_path))
    for path in open(list_path).read().split("\n"):
        if not path:
            continue
        out = os.path.join(out_folder, os.path.basename(path))
        with Image.open(path) as image:
            image.putpalette(flat)
            image.save(out)
        # A durable save of each file as an editor makes it: the file, then its
        # folder; or, as korin's batches do, the folder once at the end.
        fsync_path(out)
        if folder_flush == "each":
            fsync_path(out_folder, folder=True)
    if folder_flush != "each":
        fsync_path(out_folder, folder=True)


def timed(command, mem_file):
    """Wall seconds and peak resident memory (bytes) of one command."""
    start = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", mem_file] + command, check=True)
    wall = time.perf_counter() - start
    peak_kib = int(open(mem_file).read().split()[-1])
    return wall, peak_kib * 1024


def clear_folder(folder):
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))


JOBS = ("korin", "pillow", "pillow-once", "cp", "dd")


def run_case(label, korin, work, inputs, reference_folder, rounds, file_bytes, jobs=JOBS):
    """inputs: bitmaps to recolor; reference_folder: the expected outputs (what cp
    copies); file_bytes: the one input's size, 0 for a batch; jobs: which to run."""
    slug = "".join(c if c.isalnum() else "-" for c in label)
    outs = {job: os.path.join(work, slug + "-" + job) for job in jobs}
    for folder in outs.values():
        os.makedirs(folder, exist_ok=True)
    list_path = os.path.join(work, slug + ".list")
    with open(list_path, "w") as f:
        f.write("\n".join(inputs) + "\n")
    refs = [os.path.join(reference_folder, os.path.basename(p)) for p in inputs]
    # cp and dd flush as korin does: each file, and the folder once at the end.
    copy_loop = ('for f in "$@"; do n=${f##*/}; cp "$f" "$0/$n"; sync "$0/$n"; done; sync "$0"')
    # dd with one block as large as the file: a program that holds the whole
    # file in memory between reading and writing it.
    hold_loop = ('for f in "$@"; do n=${f##*/}; dd if="$f" of="$0/$n" bs=512M iflag=fullblock '
                 'conv=fsync status=none; done; sync "$0"')
    commands = {
        "korin": [korin, "apply", os.path.join(work, "source.pal")] + inputs + ["--out-dir", outs.get("korin", "")],
        "pillow": [sys.executable, os.path.abspath(__file__), "pillow",
                   os.path.join(work, "source.pal"), list_path, outs.get("pillow", "")],
        "pillow-once": [sys.executable, os.path.abspath(__file__), "pillow",
                        os.path.join(work, "source.pal"), list_path, outs.get("pillow-once", ""), "once"],
        "cp": ["bash", "-c", copy_loop, outs.get("cp", "")] + refs,
        "dd": ["bash", "-c", hold_loop, outs.get("dd", "")] + refs,
    }
    times = {job: [] for job in jobs}
    peaks = {job: 0 for job in jobs}
    order = list(jobs)
    for r in range(rounds):
        for job in order[r % len(order):] + order[:r % len(order)]:
            clear_folder(outs[job])
            subprocess.run(["sync"], check=True)
            wall, peak = timed(commands[job], os.path.join(work, "peak.txt"))
            times[job].append(wall)
            peaks[job] = max(peaks[job], peak)

    # Every output: the expected palette and the input's pixel bytes.
    for job, folder in outs.items():
        for ref in refs[:: max(1, len(refs) // 50)]:
            got = table_and_pixels(os.path.join(folder, os.path.basename(ref)))
            want = table_and_pixels(ref)
            if got != want:
                raise SystemExit(f"{label}: {job} output {ref} differs from the expected palette or pixels")
    for folder in outs.values():
        clear_folder(folder)

    med = {job: statistics.median(t) for job, t in times.items()}

    def cell(job, value):
        return value if job in med else "-"

    ratio = lambda a, b: f"{med[a] / med[b]:.2f}" if a in med and b in med else "-"
    mib = lambda job: f"{peaks[job] / MIB:.1f}" if job in peaks else "-"
    print(f"| {label} | " + " | ".join(cell(j, f"{med.get(j, 0):.3f}") for j in JOBS) +
          f" | {ratio('korin', 'cp')} | {ratio('pillow', 'korin')} | {ratio('pillow-once', 'korin')} | "
          f"{mib('korin')} | {mib('pillow')} | {mib('cp')} |", flush=True)
    return med, peaks


def write_big(path, ref_path, mib, old, new):
    """An 8-bit bitmap of mib MiB of pixels, every byte written (no sparse
    blocks), and the same pixels with the new palette as the expected output."""
    width, height = 4096, mib * MIB // 4096
    block = os.urandom(16 * MIB)
    for target, table in ((path, old), (ref_path, new)):
        head, _ = bmp_bytes(width, height, table, b"")
        head = head[:2] + struct.pack("<I", len(head) + width * height) + head[6:]
        head = head[:34] + struct.pack("<I", width * height) + head[38:]
        with open(target, "wb") as f:
            f.write(head)
            for _ in range(width * height // len(block)):
                f.write(block)
    return os.path.getsize(path)


def main():
    korin, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    old = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
    new = [((i * 5) & 255, (i * 3) & 255, 255 - i) for i in range(256)]
    with open(os.path.join(work, "source.pal"), "wb") as f:
        f.write(pal_bytes(new))
    inputs_folder = os.path.join(work, "in")
    ref_folder = os.path.join(work, "expected")
    os.makedirs(inputs_folder)
    os.makedirs(ref_folder)

    print(f"rounds: {rounds}; times are medians in seconds, memory is peak RSS in MiB")
    print("| case | korin | Pillow | Pillow, folder once | cp | dd | korin/cp | Pillow/korin "
          "| Pillow once/korin | korin MiB | Pillow MiB | cp MiB |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    # A gibibyte is past what Pillow and dd are worth running on: korin and cp only.
    # One file: the folder is flushed once by every job alike.
    single = ("korin", "pillow", "cp", "dd")
    for mib, jobs in ((16, single), (256, single), (1024, ("korin", "cp"))):
        name = f"big-{mib}.bmp"
        file_bytes = write_big(os.path.join(inputs_folder, name), os.path.join(ref_folder, name), mib, old, new)
        run_case(f"one {mib} MiB bitmap", korin, work, [os.path.join(inputs_folder, name)],
                 ref_folder, rounds, file_bytes, jobs)
        os.remove(os.path.join(inputs_folder, name))
        os.remove(os.path.join(ref_folder, name))

    small = []
    for i in range(1000):
        pixels = os.urandom(64 * 64)
        name = f"small-{i:04d}.bmp"
        write_bmp(os.path.join(inputs_folder, name), 64, 64, old, pixels)
        write_bmp(os.path.join(ref_folder, name), 64, 64, new, pixels)
        small.append(os.path.join(inputs_folder, name))
    run_case("1000 bitmaps of 64x64", korin, work, small, ref_folder, rounds, 0)


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "pillow":
        pillow_job(*sys.argv[2:6])
    else:
        main()
