"""Replays an strace log (-f -xx) of a program's file-system calls on a model
of one folder tree: its names, the files' bytes, and what of each has reached
the disk.

Persistence model (what a crash may keep):
- File data: what a file held at its last flush (fsync, fdatasync, syncfs,
  sync) is kept. Each write since may be lost or kept; the writes after the
  flush survive as a prefix of them, the last one of that prefix possibly
  torn (only its first bytes kept). The full mode also loses any one write
  while keeping the others (write-back out of order).
- Names (create, rename, unlink, mkdir): kept in the order they were made, so
  a crash keeps some prefix of them. A name is sure to be kept only once a
  flush of its folder (fsync of the folder) or of the whole file system
  (syncfs, sync) has come after it; fsync of a file keeps its bytes, not
  its name. Names and data are independent: a rename may be kept while the
  renamed file's unflushed bytes are lost.
- Modes, owners and times are not modelled (the invariants are about names
  and bytes). The tree is taken to be one file system.
"""
import os
import re

LINE = re.compile(r"^(\d+) +(.*)$")
CALL = re.compile(r"^([a-z_0-9]+)\((.*)\) += (-?\d+|\?)(.*)$")
STRING = re.compile(r'^"((?:\\x[0-9a-f]{2})*)"(\.\.\.)?$')

# Calls that neither change a file nor move a descriptor's offset.
LOOKS = {
    "newfstatat", "fstat", "stat", "lstat", "statx", "access", "faccessat", "faccessat2", "readlink",
    "readlinkat", "getdents64", "fstatfs", "statfs", "fadvise64", "flock", "fchmod", "fchown", "fchmodat",
    "fchownat", "chmod", "chown", "lchown", "utimensat", "futimesat", "getcwd", "execve", "ioctl",
    "fgetxattr", "getxattr", "lgetxattr", "flistxattr", "listxattr", "inotify_add_watch", "mmap",
}


# Calls whose strings are data, not paths.
DATA = {"read", "pread64", "write", "pwrite64", "readv", "writev", "preadv", "pwritev", "preadv2", "pwritev2"}


class ModelError(Exception):
    """The trace holds something the model cannot replay faithfully."""


def split_args(text):
    """Top-level comma-separated arguments of a call."""
    args, depth, start, quoted = [], 0, 0, False
    for i, c in enumerate(text):
        if c == '"':
            quoted = not quoted
        elif quoted:
            continue
        elif c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "," and depth == 0:
            args.append(text[start:i].strip())
            start = i + 1
    if text.strip():
        args.append(text[start:].strip())
    return args


def string_arg(text):
    m = STRING.match(text)
    if not m:
        raise ModelError(f"not a string argument: {text[:60]}")
    if m.group(2):
        raise ModelError("a string was cut short: raise strace -s")
    return bytes.fromhex(m.group(1).replace("\\x", ""))


def number_arg(text):
    m = re.match(r"^\[?(-?\d+)", text)
    if not m:
        raise ModelError(f"not a number: {text[:60]}")
    return int(m.group(1))


def parse_trace(path):
    """[(line number, pid, call, [args], result)], unfinished calls joined."""
    calls, waiting = [], {}
    for number, raw in enumerate(open(path, encoding="ascii", errors="replace"), 1):
        m = LINE.match(raw.rstrip("\n"))
        if not m:
            continue
        pid, text = int(m.group(1)), m.group(2)
        if text.endswith("<unfinished ...>"):
            waiting[pid] = (number, text[: -len("<unfinished ...>")].rstrip())
            continue
        resumed = re.match(r"^<\.\.\. [a-z_0-9]+ resumed>(.*)$", text)
        if resumed:
            number, head = waiting.pop(pid)
            text = head + resumed.group(1)
        if text.startswith("+++ exited with"):
            calls.append((number, pid, "exit", [], int(text.split()[3])))
            continue
        call = CALL.match(text)
        if call:
            result = call.group(3)
            calls.append((number, pid, call.group(1), split_args(call.group(2)),
                          None if result == "?" else int(result)))
    return calls


def apply_writes(base, ops):
    data = bytearray(base)
    for kind, offset, payload in ops:
        if kind == "truncate":
            del data[offset:]
            data.extend(bytes(max(0, offset - len(data))))
        else:
            if offset > len(data):
                data.extend(bytes(offset - len(data)))
            data[offset:offset + len(payload)] = payload
    return bytes(data)


class Inode:
    def __init__(self, data=b""):
        self.data = bytearray(data)  # as the program sees it
        self.durable = bytes(data)   # what has surely reached the disk
        self.pending = []            # writes since, in order

    def write(self, offset, payload):
        op = ("write", offset, bytes(payload))
        self.data[:] = apply_writes(self.data, [op])
        self.pending.append(op)

    def truncate(self, size):
        op = ("truncate", size, b"")
        self.data[:] = apply_writes(self.data, [op])
        self.pending.append(op)

    def flush(self):
        self.durable = bytes(self.data)
        self.pending = []

    def crash_contents(self, full):
        """{label: bytes} this file may hold after a crash now."""
        ops, out = self.pending, {}
        for i in range(len(ops) + 1):
            out.setdefault(apply_writes(self.durable, ops[:i]), f"first {i} of {len(ops)} writes kept")
        for i, (kind, offset, payload) in enumerate(ops):
            cuts = {len(payload) // 2}
            if full:
                cuts |= {1, len(payload) - 1}
            for cut in sorted(c for c in cuts if 0 < c < len(payload)):
                torn = ops[:i] + [(kind, offset, payload[:cut])]
                out.setdefault(apply_writes(self.durable, torn), f"write {i + 1} of {len(ops)} torn at {cut} bytes")
            if full and len(ops) > 1:
                out.setdefault(apply_writes(self.durable, ops[:i] + ops[i + 1:]),
                               f"write {i + 1} of {len(ops)} lost, the others kept")
        return {label: data for data, label in out.items()}


class Model:
    """The tree under root as the traced program changes it."""

    def __init__(self, root, files, dirs):
        self.root = root
        self.inodes = {}
        self.names = {}
        for path, data in files.items():
            self.names[path] = self.new_inode(data)
        self.dirs = set(dirs) | {root}
        self.log = []                                  # name operations, in order
        self.after = [(dict(self.names), set(self.dirs))]  # names after each prefix of log
        self.durable_ops = 0
        self.fds = {}                                  # fd -> [inode or folder path, offset]
        self.cwd = root

    def new_inode(self, data=b""):
        number = len(self.inodes)
        self.inodes[number] = Inode(data)
        return number

    def inside(self, path):
        return path == self.root or path.startswith(self.root + "/")

    def resolve(self, dirfd, name):
        path = name.decode("utf-8", "surrogateescape")
        if not path.startswith("/"):
            base = self.cwd if dirfd in ("AT_FDCWD", None) else self.fds.get(int(dirfd), [None])[0]
            if not isinstance(base, str):
                raise ModelError(f"a path relative to an unknown folder: {path}")
            path = base + "/" + path
        return os.path.normpath(path)

    def record(self, op):
        kind, a, b = op
        if kind == "link":
            self.names[a] = b
        elif kind == "unlink":
            del self.names[a]
        elif kind == "rename":
            self.names[b] = self.names.pop(a)
        elif kind == "mkdir":
            self.dirs.add(a)
        elif kind == "rmdir":
            self.dirs.discard(a)
        self.log.append(op)
        self.after.append((dict(self.names), set(self.dirs)))

    def flush_folder(self, folder):
        for i in range(len(self.log) - 1, self.durable_ops - 1, -1):
            kind, a, b = self.log[i]
            if os.path.dirname(a) == folder or (kind == "rename" and os.path.dirname(b) == folder):
                self.durable_ops = i + 1  # and, in order, everything before it
                return

    def flush_everything(self):
        for inode in self.inodes.values():
            inode.flush()
        self.durable_ops = len(self.log)

    def step(self, call, args, result):
        """Applies one successful call; True when it touched the tree."""
        if call == "exit" or result is None or result < 0:
            return False
        if call in ("open", "openat", "creat"):
            return self.open(call, args, result)
        if call in ("rename", "renameat", "renameat2"):
            old = self.resolve(None, string_arg(args[0])) if call == "rename" else \
                self.resolve(args[0], string_arg(args[1]))
            new = self.resolve(None, string_arg(args[1])) if call == "rename" else \
                self.resolve(args[2], string_arg(args[3]))
            if not (self.inside(old) or self.inside(new)):
                return False
            if not (self.inside(old) and self.inside(new)) or old not in self.names:
                raise ModelError(f"a rename the model cannot follow: {old} -> {new}")
            if call == "renameat2" and args[4] != "0":
                raise ModelError(f"renameat2 with flags {args[4]}")
            self.record(("rename", old, new))
            return True
        if call in ("unlink", "unlinkat", "rmdir"):
            path = self.resolve(None, string_arg(args[0])) if call != "unlinkat" else \
                self.resolve(args[0], string_arg(args[1]))
            if not self.inside(path):
                return False
            folder = call == "rmdir" or (call == "unlinkat" and "AT_REMOVEDIR" in args[2])
            self.record(("rmdir" if folder else "unlink", path, None))
            return True
        if call in ("mkdir", "mkdirat"):
            path = self.resolve(None, string_arg(args[0])) if call == "mkdir" else \
                self.resolve(args[0], string_arg(args[1]))
            if not self.inside(path):
                return False
            self.record(("mkdir", path, None))
            return True
        if call == "sync":
            self.flush_everything()
            return True
        if call == "mmap":
            shared = self.fds.get(number_arg(args[4])) and "MAP_SHARED" in args[3] and "PROT_WRITE" in args[2]
            if shared:
                raise ModelError("a file of the tree written through shared memory")
            return False
        if call not in LOOKS and call not in DATA:
            for arg in args:
                if STRING.match(arg) and self.inside(self.resolve(None, string_arg(arg))):
                    raise ModelError(f"the model does not know {call} on a path")
        return self.fd_call(call, args, result)

    def open(self, call, args, fd):
        if call == "openat":
            path, flags = self.resolve(args[0], string_arg(args[1])), args[2]
        else:
            path = self.resolve(None, string_arg(args[0]))
            flags = "O_WRONLY|O_CREAT|O_TRUNC" if call == "creat" else args[1]
        if not self.inside(path):
            self.fds.pop(fd, None)
            return False
        if path in self.dirs:
            self.fds[fd] = [path, 0]
            return True
        if path not in self.names:
            if "O_CREAT" not in flags:
                raise ModelError(f"opened a file the model does not hold: {path}")
            self.record(("link", path, self.new_inode()))
        inode = self.names[path]
        if "O_TRUNC" in flags and self.inodes[inode].data:
            self.inodes[inode].truncate(0)
        self.fds[fd] = [inode, 0, "O_APPEND" in flags]
        return True

    def fd_call(self, call, args, result):
        first = number_arg(args[0]) if args and re.match(r"^\d+$", args[0]) else None
        if call == "copy_file_range":
            source, target = self.fds.get(first), self.fds.get(number_arg(args[2]))
            if target is None:
                return False
            if source is None:
                raise ModelError("copy_file_range from outside the tree")
            start = source[1] if args[1] == "NULL" else number_arg(args[1])
            payload = self.inodes[source[0]].data[start:start + result]
            if args[1] == "NULL":
                source[1] += result
            self.write_at(target, None if args[3] == "NULL" else number_arg(args[3]), payload)
            return True
        entry = self.fds.get(first)
        if entry is None:
            return False
        if call == "close":
            del self.fds[first]
        elif call in ("dup", "dup2", "dup3") or (call == "fcntl" and "F_DUPFD" in args[1]):
            self.fds[result] = entry
        elif call == "fcntl" or call in LOOKS:
            pass
        elif isinstance(entry[0], str):
            if call in ("fsync", "fdatasync"):
                self.flush_folder(entry[0])
            elif call == "syncfs":
                self.flush_everything()
            elif call not in ("read", "lseek"):
                raise ModelError(f"{call} on a folder")
        elif call in ("write", "pwrite64"):
            payload = string_arg(args[1])
            self.write_at(entry, number_arg(args[3]) if call == "pwrite64" else None, payload[:result])
        elif call in ("read", "pread64"):
            if call == "read":
                entry[1] += result
        elif call == "lseek":
            entry[1] = result
        elif call in ("fsync", "fdatasync"):
            self.inodes[entry[0]].flush()
        elif call == "syncfs":
            self.flush_everything()
        elif call == "ftruncate":
            self.inodes[entry[0]].truncate(number_arg(args[1]))
        else:
            raise ModelError(f"the model does not know {call} on a file")
        return True

    def write_at(self, entry, offset, payload):
        inode = self.inodes[entry[0]]
        if offset is None:
            offset = len(inode.data) if entry[2] else entry[1]
            entry[1] = offset + len(payload)
        inode.write(offset, payload)

    def visible(self):
        """The tree as the program sees it: {path: bytes}."""
        return {path: bytes(self.inodes[ino].data) for path, ino in self.names.items()}

    def crash_states(self, full):
        """Every tree a crash now may leave: (how, {path: bytes}, folders).
        A file's own choices do not bear on another's bytes, so each file's
        choices are taken in turn, the others' writes all kept."""
        for k in range(self.durable_ops, len(self.log) + 1):
            names, dirs = self.after[k]
            shown = sorted(set(names.values()))
            kept = {ino: bytes(self.inodes[ino].data) for ino in shown}
            label = f"{k} of {len(self.log)} name changes kept"
            yield label, {p: kept[i] for p, i in names.items()}, dirs
            for ino in shown:
                for how, data in self.inodes[ino].crash_contents(full).items():
                    if data == kept[ino]:
                        continue
                    chosen = dict(kept)
                    chosen[ino] = data
                    which = ", ".join(sorted(os.path.relpath(p, self.root) for p, i in names.items() if i == ino))
                    yield f"{label}; {which}: {how}", {p: chosen[i] for p, i in names.items()}, dirs
