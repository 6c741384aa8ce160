"""1,000 small bitmaps: one korin-cli batch, whose files are flushed together,
against a job that writes, flushes and renames each finished file in turn.
Both are as durable: every file reaches the disk before its rename, and the
folder is flushed once at the end. Jobs alternate round by round; every
output is checked.

Usage: batch_flush.py KORIN_CLI WORK_FOLDER ROUNDS
       batch_flush.py in-turn LIST_FILE EXPECTED_FOLDER OUT_FOLDER   (the other job)
"""
import os
import statistics
import subprocess
import sys

from compare_helper import clear_folder, fsync_path, pal_bytes, table_and_pixels, timed, write_bmp

FILES = 1000


def in_turn(list_path, expected, out_folder):
    """The finished files written as a careful program saves each one."""
    for path in open(list_path).read().split():
        name = os.path.basename(path)
        data = open(os.path.join(expected, name), "rb").read()
        temporary = os.path.join(out_folder, name + ".tmp")
        fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666)
        try:
            os.write(fd, data)
            os.fsync(fd)
        finally:
            os.close(fd)
        os.rename(temporary, os.path.join(out_folder, name))
    fsync_path(out_folder, folder=True)


def main():
    korin, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    old = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
    new = [((i * 5) & 255, (i * 3) & 255, 255 - i) for i in range(256)]
    folders = {name: os.path.join(work, "batch-" + name) for name in ("in", "expected", "korin", "in-turn")}
    for folder in folders.values():
        os.makedirs(folder, exist_ok=True)
    palette = os.path.join(work, "batch.pal")
    with open(palette, "wb") as f:
        f.write(pal_bytes(new))
    inputs = []
    for i in range(FILES):
        pixels = os.urandom(64 * 64)
        name = f"small-{i:04d}.bmp"
        write_bmp(os.path.join(folders["in"], name), 64, 64, old, pixels)
        write_bmp(os.path.join(folders["expected"], name), 64, 64, new, pixels)
        inputs.append(os.path.join(folders["in"], name))
    list_path = os.path.join(work, "batch.list")
    with open(list_path, "w") as f:
        f.write("\n".join(inputs) + "\n")
    commands = {
        "korin": [korin, "apply", palette] + inputs + ["--out-dir", folders["korin"]],
        "in-turn": [sys.executable, os.path.abspath(__file__), "in-turn", list_path, folders["expected"],
                    folders["in-turn"]],
    }
    times = {job: [] for job in commands}
    for r in range(rounds):
        for job in (list(commands) if r % 2 == 0 else list(commands)[::-1]):
            clear_folder(folders[job])
            subprocess.run(["sync"], check=True)
            times[job].append(timed(commands[job], os.path.join(work, "peak.txt"))[0])
            for path in inputs:
                name = os.path.basename(path)
                got = table_and_pixels(os.path.join(folders[job], name))
                if got != table_and_pixels(os.path.join(folders["expected"], name)):
                    raise SystemExit(f"{job}: {name} differs from the expected palette or pixels")
            if sorted(os.listdir(folders[job])) != sorted(os.path.basename(p) for p in inputs):
                raise SystemExit(f"{job}: the output folder holds other names")
    med = {job: statistics.median(t) for job, t in times.items()}
    print(f"{FILES} bitmaps of 64x64, {rounds} rounds; medians in seconds")
    print("| job | median | fastest | slowest |")
    print("|---|---|---|---|")
    for job, t in times.items():
        print(f"| {job} | {med[job]:.3f} | {min(t):.3f} | {max(t):.3f} |")
    print(f"in-turn / korin: {med['in-turn'] / med['korin']:.2f}")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "in-turn":
        in_turn(*sys.argv[2:5])
    else:
        main()
