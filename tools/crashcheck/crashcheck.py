"""Crash-point replay of korin-cli's saves.

Runs each save under strace in a scratch folder, then, for a crash before the
first call and after each call that touches that folder (a call elsewhere
leaves the same trees as the one before it), builds every tree the crash may
leave (trace_model.py states the persistence model) in a scratch folder of
its own and checks it:

- each file the save writes holds the whole old file or the whole new one
  (a file that did not exist may still be missing), never a mix, never
  nothing;
- every other name holds what it held before; a new name is allowed only as
  the save's own temporary file (TARGET.korin~PID-N beside its target),
  which a crash may leave behind with any content: it is counted, not
  failed;
- once the program has exited with success, every file it wrote holds the
  new content in every state (a finished save is durable).

Usage: crashcheck.py KORIN_CLI [--full] [--only NAME]
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from trace_model import Model, ModelError, parse_trace  # noqa: E402

# The most files of a batch flushed together (the program's own bound).
GROUP = 256
STRACE = ["strace", "-f", "-xx", "-s", str(1 << 24),
          "-e", "trace=%file,%desc,fsync,fdatasync,syncfs,sync,rename,renameat,renameat2,copy_file_range"]


def bmp(width, height, table, seed):
    """An 8-bit bottom-up BMP with table's (r, g, b) entries."""
    stride = (width + 3) // 4 * 4
    pixels = bytes((seed * 31 + i * 7) % len(table) for i in range(stride * height))
    quads = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    offset = 54 + len(quads)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, len(table), 0) +
            quads + pixels)


def os2_bmp(width, height, table, seed):
    """The same with a 12-byte OS/2 header, which normalize rewrites."""
    stride = (width + 3) // 4 * 4
    pixels = bytes((seed * 13 + i) % len(table) for i in range(stride * height))
    triples = b"".join(bytes((b, g, r)) for r, g, b in table)
    offset = 26 + len(triples)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IHHHH", 12, width, height, 1, 8) + triples + pixels)


def riff_pal(table):
    body = struct.pack("<HH", 0x300, len(table)) + b"".join(bytes((r, g, b, 0)) for r, g, b in table)
    return b"RIFF" + struct.pack("<I", len(body) + 12) + b"PAL data" + struct.pack("<I", len(body)) + body


def indexed(kind, table, seed):
    """An indexed PNG or GIF, made by Pillow."""
    import io
    from PIL import Image
    image = Image.new("P", (24, 12))
    image.putpalette(b"".join(bytes(e) for e in table))
    image.putdata([(seed + i) % len(table) for i in range(24 * 12)])
    out = io.BytesIO()
    image.save(out, kind)
    return out.getvalue()


def table(n, seed):
    return [((i * 5 + seed) & 255, (i * 3 + 2 * seed) & 255, (255 - i - seed) & 255) for i in range(n)]


def scenarios():
    """(name, quick, files, arguments, targets[, first call checked]); paths are inside the scratch folder."""
    t, u = table(256, 1), table(256, 9)
    keep = {"keep.txt": b"a file no save owns\n"}
    batch = {f"in/{n}.bmp": bmp(16, 8, t, i) for i, n in enumerate("abc")}
    batch.update({"out/a.bmp": bmp(16, 8, u, 7), "out/b.bmp": bmp(16, 8, u, 8), "out/keep.bmp": bmp(8, 8, u, 9)})
    many = {f"p/{i:02d}.bmp": bmp(8, 4, t, i) for i in range(12)}
    # One more than a flush group holds: the second group starts after the first is renamed.
    groups = {f"g/{i:03d}.bmp": bmp(4, 2, t[:8], i) for i in range(257)}
    return [
        ("invert -o", True, dict(keep, **{"in/a.bmp": bmp(32, 16, t, 1), "out/a.bmp": bmp(16, 16, u, 2)}),
         ["invert", "in/a.bmp", "-o", "out/a.bmp"], ["out/a.bmp"]),
        ("invert --in-place", True, dict(keep, **{"a.bmp": bmp(32, 16, t, 3)}),
         ["invert", "a.bmp", "--in-place"], ["a.bmp"]),
        ("apply PNG", True, dict(keep, **{"s.pal": riff_pal(table(16, 5)), "a.png": indexed("PNG", t[:16], 2)}),
         ["apply", "s.pal", "a.png", "--in-place"], ["a.png"]),
        ("apply GIF", True, dict(keep, **{"s.pal": riff_pal(table(16, 6)), "a.gif": indexed("GIF", t[:16], 3),
                                           "out/a.gif": b"an older GIF"}),
         ["apply", "s.pal", "a.gif", "-o", "out/a.gif"], ["out/a.gif"]),
        ("normalize", True, dict(keep, **{"n.bmp": os2_bmp(16, 8, t, 4), "out/n.bmp": bmp(8, 8, u, 5)}),
         ["normalize", "n.bmp", "-o", "out/n.bmp"], ["out/n.bmp"]),
        ("palette -o x.pal", True, dict(keep, **{"a.bmp": bmp(8, 8, t, 6), "x.pal": riff_pal(table(4, 1))}),
         ["palette", "a.bmp", "-o", "x.pal"], ["x.pal"]),
        # The smallest group: two outputs, one replacing a file and one new; out/b.bmp is no output.
        ("batch invert --out-dir", True, dict(keep, **batch),
         ["invert", "in/a.bmp", "in/c.bmp", "--out-dir", "out"], ["out/a.bmp", "out/c.bmp"]),
        # Dark to light backwards, so that the sort moves entries and the pixels' bytes change.
        ("sort PNG --in-place", True, dict(keep, **{"a.png": indexed("PNG", t[15::-1], 4)}),
         ["sort", "--by", "lightness", "a.png", "--in-place"], ["a.png"]),
        ("batch of 12 --in-place", False, dict(keep, **many),
         ["invert"] + sorted(many) + ["--in-place"], sorted(many)),
        # Crash points from the first group flush on: the ones before it are
        # those of the batch of 12, many times over.
        ("batch of 257 --in-place", False, dict(keep, **groups),
         ["invert"] + sorted(groups) + ["--in-place"], sorted(groups), "syncfs"),
    ]


def snapshot(root):
    files, dirs = {}, set()
    for folder, subfolders, names in os.walk(root):
        dirs.update(os.path.join(folder, d) for d in subfolders)
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                files[path] = f.read()
    return files, dirs


def temporary_pattern(target):
    """The names SafeFileWriter gives a target's temporary file."""
    name = os.path.basename(target).encode()
    if len(name) > 64:
        cut = 64
        while cut > 0 and (name[cut] & 0xC0) == 0x80:
            cut -= 1
        name = name[:cut]
    return re.compile(re.escape(os.path.dirname(target) + "/" + name.decode()) + r"\.korin~\d+-\d+$")


class Checker:
    def __init__(self, root, before, targets, after, scratch):
        self.root, self.before, self.scratch = root, before, scratch
        self.targets = {t: (before.get(t), after[t]) for t in targets}
        self.patterns = [temporary_pattern(t) for t in targets]
        self.seen = set()
        self.leftovers = 0

    def check(self, files, dirs, finished):
        """Builds the tree in the scratch folder, reads it back, returns the faults."""
        key = hashlib.sha256(repr(sorted((p, hashlib.sha256(d).digest()) for p, d in files.items())).encode() +
                             (b"F" if finished else b"")).digest()
        if key in self.seen:
            return None
        self.seen.add(key)
        shutil.rmtree(self.scratch, ignore_errors=True)
        for folder in sorted(dirs):
            os.makedirs(self.scratch + folder[len(self.root):], exist_ok=True)
        for path, data in files.items():
            with open(self.scratch + path[len(self.root):], "wb") as f:
                f.write(data)
        built, _ = snapshot(self.scratch)
        state = {self.root + p[len(self.scratch):]: d for p, d in built.items()}
        faults = []
        for target, (old, new) in self.targets.items():
            got = state.get(target)
            if finished and got != new:
                faults.append(f"{self.short(target)} does not hold the new file after the save finished "
                              f"({self.describe(got, old, new)})")
            elif got is None and old is not None:
                faults.append(f"{self.short(target)} is missing")
            elif got is not None and got != new and got != old:
                faults.append(f"{self.short(target)} holds {self.describe(got, old, new)}")
        for path, data in self.before.items():
            if path not in self.targets and state.get(path) != data:
                faults.append(f"{self.short(path)}, which the save does not own, changed")
        for path in state:
            if path in self.before or path in self.targets:
                continue
            if any(p.match(path) for p in self.patterns):
                self.leftovers += 1
            else:
                faults.append(f"unexpected name {self.short(path)}")
        return faults

    def short(self, path):
        return os.path.relpath(path, self.root)

    @staticmethod
    def describe(got, old, new):
        if got is None:
            return "nothing"
        if got == old:
            return "the old file"
        if got == new:
            return "the new file"
        return f"{len(got)} bytes, neither the old file ({len(old) if old else 0}) nor the new ({len(new)})"


class IncompleteTrace(ModelError):
    """strace missed a call (seen once in many runs on a loaded machine):
    the recording failed, not the save, so the save is recorded again."""


def run_scenario(korin, name, files, arguments, targets, full, work, check_from=None):
    root = os.path.join(work, "tree")
    shutil.rmtree(root, ignore_errors=True)
    for rel, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
        with open(os.path.join(root, rel), "wb") as f:
            f.write(data)
    absolute = [os.path.join(root, a) if a in files or a in targets or a == "out" else a for a in arguments]
    before, dirs = snapshot(root)
    trace = os.path.join(work, "trace.txt")
    run = subprocess.run(STRACE + ["-o", trace, korin] + absolute, cwd=root, capture_output=True)
    if run.returncode != 0:
        raise ModelError(f"korin-cli failed: {run.stderr.decode(errors='replace').strip()}")
    after, after_dirs = snapshot(root)
    targets = [os.path.join(root, t) for t in targets]
    for t in targets:
        if after.get(t) in (None, before.get(t)):
            raise ModelError(f"the save left {t} unchanged")

    model = Model(root, before, dirs)
    checker = Checker(root, before, targets, after, os.path.join(work, "state"))
    calls = parse_trace(trace)
    points = states = 0
    violations = []
    # The point of a batch's group flush: its one file system flushed once.
    # Then only the folders are flushed one by one; a lone file is flushed by
    # itself, not with whatever else its file system holds.
    syncs = sum(1 for c in calls if c[2] == "syncfs")
    flushes = sum(1 for c in calls if c[2] in ("fsync", "fdatasync"))
    folders = len({os.path.dirname(t) for t in targets})
    lone = 1 if len(targets) % GROUP == 1 else 0  # a last group of one file, as the 257th
    if not name.startswith("batch"):
        if syncs:
            violations.append(f"a single save flushed its whole file system (syncfs, {syncs} calls)")
    else:
        if syncs != 1:
            violations.append(f"the batch flushed its file system {syncs} times, not once")
        if flushes != folders + lone:
            violations.append(f"the batch made {flushes} flushes of single files or folders, "
                              f"not one for each of its {folders} folders and {lone} lone files")

    def crash_here(position, finished=False):
        nonlocal points, states
        points += 1
        for how, tree, folders in model.crash_states(full):
            states += 1
            faults = checker.check(tree, folders, finished)
            for fault in faults or []:
                violations.append(f"after {position}: {fault} [{how}]")

    if check_from is None:
        crash_here("the start")
    status = None
    for line, _pid, call, args, result in calls:
        if call == "exit":
            status = result
            continue
        check_from = None if call == check_from else check_from
        if model.step(call, args, result) and check_from is None:
            crash_here(f"trace line {line} ({call})")
    if status != 0:
        raise ModelError("the trace does not end with the program's successful exit")
    crash_here("the exit", finished=True)
    replayed = model.visible()
    if replayed != after or model.dirs != after_dirs | {root}:
        differing = sorted(p for p in set(replayed) | set(after) if replayed.get(p) != after.get(p))
        raise IncompleteTrace("replaying the whole trace does not give the tree the program left: the trace is "
                              "incomplete (" + ", ".join(f"{os.path.relpath(p, root)}: {len(replayed.get(p, b''))} "
                                                         f"bytes replayed, {len(after.get(p, b''))} left"
                                                         for p in differing) + ")")
    return points, states, len(checker.seen), checker.leftovers, violations


def main():
    args = sys.argv[1:]
    full = "--full" in args
    only = args[args.index("--only") + 1] if "--only" in args else None
    korin = os.path.abspath(args[0])
    started = time.monotonic()
    total_violations = 0
    with tempfile.TemporaryDirectory(prefix="korin-crashcheck-") as work:
        for name, quick, files, arguments, targets, *check_from in scenarios():
            if (only and name != only) or (not full and not quick and not only):
                continue
            try:
                try:
                    points, states, distinct, leftovers, violations = run_scenario(
                        korin, name, files, arguments, targets, full, work, *check_from)
                except IncompleteTrace as error:
                    print(f"{name}: recorded again: {error}")
                    points, states, distinct, leftovers, violations = run_scenario(
                        korin, name, files, arguments, targets, full, work, *check_from)
            except ModelError as error:
                print(f"{name}: cannot check: {error}")
                return 2
            print(f"{name}: {points} crash points, {states} states, {distinct} distinct ones built and checked, "
                  f"{leftovers} leftover temporaries seen, {len(violations)} violations")
            for v in violations[:20]:
                print("  VIOLATION " + v)
            if len(violations) > 20:
                print(f"  ... and {len(violations) - 20} more")
            total_violations += len(violations)
    print(f"{'full' if full else 'quick'} run: {total_violations} violations in {time.monotonic() - started:.1f} s")
    return 1 if total_violations else 0


if __name__ == "__main__":
    sys.exit(main())
