"""A flush that fails after every write succeeded, alone and within a batch's
deferred group flush: the file it was for keeps its old bytes, the others of
the batch are saved, no temporary stays, and the failure is reported. A
kernel copy that is refused falls back to a plain copy, or fails the save;
writes cut short and calls a signal interrupts are carried on.

Usage: flush_failure_test.py KORIN_CLI FAILING_FLUSH_LIBRARY
"""
import errno
import os
import struct
import subprocess
import sys
import tempfile


def bmp(seed, width=8, height=2):
    pixels = bytes((seed + i + i // 999) % 4 for i in range(width * height))
    quads = b"".join(bytes((i * 60, 255 - i * 50, seed * 40 % 256, 0)) for i in range(4))
    offset = 54 + len(quads)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 4, 0) + quads + pixels)


def main():
    korin, library = sys.argv[1], sys.argv[2]
    failures = []
    for names in (["b.bmp"], ["a.bmp", "b.bmp", "c.bmp"]):
        with tempfile.TemporaryDirectory(prefix="korin-flush-") as folder:
            old = {}
            for seed, name in enumerate(names):
                old[name] = bmp(seed + 1)
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(old[name])
            env = dict(os.environ, LD_PRELOAD=library, FAILING_FLUSH_PATTERN="b.bmp.korin~")
            run = subprocess.run([korin, "invert"] + names + ["--in-place"], cwd=folder, env=env,
                                 capture_output=True, text=True, timeout=60)
            case = f"{len(names)} file(s)"
            if run.returncode == 0 or "b.bmp" not in run.stderr:
                failures.append(f"{case}: the failed flush was not reported (exit {run.returncode}: {run.stderr!r})")
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    now = f.read()
                if name == "b.bmp" and now != old[name]:
                    failures.append(f"{case}: b.bmp changed although its flush failed")
                if name != "b.bmp" and now == old[name]:
                    failures.append(f"{case}: {name} was not saved beside the failed one")
            left = sorted(set(os.listdir(folder)) - set(names))
            if left:
                failures.append(f"{case}: left behind {left}")
    # A folder that cannot be flushed is named: its new names may not last.
    with tempfile.TemporaryDirectory(prefix="korin-folder-") as folder:
        with open(os.path.join(folder, "a.bmp"), "wb") as f:
            f.write(bmp(4))
        env = dict(os.environ, LD_PRELOAD=library, FAILING_FOLDER_FLUSH="1")
        run = subprocess.run([korin, "invert", os.path.join(folder, "a.bmp"), "--in-place"], cwd=folder, env=env,
                             capture_output=True, text=True, timeout=60)
        if run.returncode != 1 or f"{folder}: could not be flushed to disk" not in run.stderr:
            failures.append(f"a folder flush that failed was not reported (exit {run.returncode}: {run.stderr!r})")
    # Where the kernel cannot copy file to file, the bytes go through a buffer.
    with tempfile.TemporaryDirectory(prefix="korin-copy-") as folder:
        with open(os.path.join(folder, "in.bmp"), "wb") as f:
            f.write(bmp(3))
        subprocess.run([korin, "invert", "in.bmp", "-o", "want.bmp"], cwd=folder, check=True, timeout=60)
        with open(os.path.join(folder, "want.bmp"), "rb") as f:
            want = f.read()
        # Writes cut short are taken up where they stopped, copies included,
        # and a copy of more than one buffer (2 MiB of pixels, or one byte
        # more than a buffer) goes on where the last one ended.
        with open(os.path.join(folder, "big.bmp"), "wb") as f:
            f.write(bmp(5, 1024, 2100))
        # A one-pixel GIF whose bytes after its table are one more than a buffer.
        gif = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00" + b"\x00\x00\x00\xff\xff\xff" +
               b"\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b")
        with open(os.path.join(folder, "tail.gif"), "wb") as f:
            f.write(gif + bytes(i * 7 % 251 for i in range((1 << 20) + 1 - 16)))
        short = dict(os.environ, LD_PRELOAD=library, SHORT_WRITES="1", FAILING_COPY_RANGE=str(errno.ENOSYS))
        buffered = dict(os.environ, LD_PRELOAD=library, FAILING_COPY_RANGE=str(errno.ENOSYS))
        # Calls a signal interrupts are made again, reads and copies included.
        interrupted = dict(os.environ, LD_PRELOAD=library, INTERRUPTED_CALLS="1")
        for command, env in ((["invert", "in.bmp", "-o", "a.bmp"], short), (["palette", "in.bmp", "-o", "a.pal"], short),
                             (["invert", "big.bmp", "-o", "big-out.bmp"], buffered),
                             (["invert", "tail.gif", "-o", "tail-out.gif"], buffered),
                             (["invert", "tail.gif", "-o", "tail-eintr.gif"], interrupted),
                             (["invert", "big.bmp", "-o", "big-eintr.bmp"], dict(buffered, INTERRUPTED_CALLS="1"))):
            subprocess.run([korin] + command, cwd=folder, check=True, timeout=60)
            subprocess.run([korin] + command[:-1] + ["again-" + command[-1]], cwd=folder, env=env, check=True,
                           timeout=60)
            with open(os.path.join(folder, command[-1]), "rb") as f, \
                    open(os.path.join(folder, "again-" + command[-1]), "rb") as g:
                if f.read() != g.read():
                    failures.append(f"{' '.join(command[:2])} wrote another file when its writes or copies were cut")
        for number in (errno.EXDEV, errno.ENOSYS, errno.EINVAL, errno.EOPNOTSUPP, errno.EIO):
            env = dict(os.environ, LD_PRELOAD=library, FAILING_COPY_RANGE=str(number))
            run = subprocess.run([korin, "invert", "in.bmp", "-o", "out.bmp"], cwd=folder, env=env,
                                 capture_output=True, text=True, timeout=60)
            written = open(os.path.join(folder, "out.bmp"), "rb").read() if run.returncode == 0 else None
            if number == errno.EIO and run.returncode == 0:
                failures.append("a copy that failed with EIO was reported as saved")
            if number != errno.EIO and written != want:
                failures.append(f"copy refused with {errno.errorcode[number]}: exit {run.returncode}, {run.stderr!r}")
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
