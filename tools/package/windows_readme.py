#!/usr/bin/env python3
"""The read-me of the Windows packages: the template with its version and build
filled in, CRLF line ends, UTF-8 with a byte order mark (so that Windows editors
show the Japanese).

Usage: windows_readme.py TEMPLATE VERSION ARCH OUT
"""
import os
import sys


def windows_readme(template, version, arch):
    """The read-me's bytes."""
    with open(template, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version).replace("@ARCH@", arch)
    return ("\ufeff" + text.replace("\r\n", "\n").replace("\n", "\r\n")).encode("utf-8")


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    template, version, arch, out = argv[1:]
    with open(out + ".part", "wb") as f:
        f.write(windows_readme(template, version, arch))
    os.replace(out + ".part", out)


if __name__ == "__main__":
    main(sys.argv)
