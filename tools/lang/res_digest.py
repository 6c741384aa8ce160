#!/usr/bin/env python3
"""Prints one line per menu, dialog and string block of a compiled resource
file (windres -O res): type, id, language and the FNV-1a 64 digest of its
bytes. tests/data/japanese_resources.txt is this list for the Japanese
resources; the Windows test computes the same digests from the program."""
import struct
import sys

TYPES = {4: "MENU", 5: "DIALOG", 6: "STRING"}


def fnv1a64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def read_id(buf, pos):
    if struct.unpack_from("<H", buf, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", buf, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", buf, end)[0] != 0:
        end += 2
    return buf[pos:end].decode("utf-16-le"), end + 2


def entries(buf):
    pos = 0
    while pos + 8 <= len(buf):
        size, header = struct.unpack_from("<II", buf, pos)
        rtype, p = read_id(buf, pos + 8)
        name, p = read_id(buf, p)
        p = (p + 3) & ~3
        lang = struct.unpack_from("<H", buf, p + 6)[0]
        data = buf[pos + header:pos + header + size]
        yield rtype, name, lang, data
        pos = (pos + header + size + 3) & ~3


def main():
    language = int(sys.argv[2], 16) if len(sys.argv) > 2 else None
    with open(sys.argv[1], "rb") as f:
        buf = f.read()
    for rtype, name, lang, data in entries(buf):
        if rtype in TYPES and (language is None or lang == language):
            print("%s %s %04x %016x" % (TYPES[rtype], name, lang, fnv1a64(data)))


if __name__ == "__main__":
    main()
