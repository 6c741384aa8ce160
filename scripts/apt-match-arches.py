#!/usr/bin/env python3
"""Prints package=version pins that let apt install the given packages when a
mirror's i386 lists lag its amd64 ones (a Multi-Arch: same library must have
one version in both architectures, and apt does not pick an older one for
that by itself). Each library is pinned, in both architectures, to the
version the i386 lists offer. Exits 1 when no such pins are found."""
import re
import subprocess
import sys


def run(args):
    result = subprocess.run(args, capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def candidate(package):
    _, text = run(["apt-cache", "policy", package])
    found = re.search(r"Candidate: (\S+)", text)
    return None if not found or found.group(1) == "(none)" else found.group(1)


def offers(package, version):
    _, text = run(["apt-cache", "policy", package])
    return re.search(r"^\s+(\*\*\* )?" + re.escape(version) + r" ", text, re.M) is not None


def main(packages):
    pins = {}
    for _ in range(40):
        status, text = run(["apt-get", "install", "-s", "--no-install-recommends", *packages,
                            *(f"{name}={version}" for name, version in pins.items())])
        if status == 0:
            print(" ".join(f"{name}={version}" for name, version in pins.items()))
            return 0
        added = False
        lagging = set(re.findall(r"Depends: ([\w.+-]+):i386", text))
        lagging |= set(re.findall(r"^ ([\w.+-]+):i386 :", text, re.M))
        for name in sorted(lagging):
            version = candidate(f"{name}:i386")
            if version is None or f"{name}:i386" in pins:
                continue
            pins[f"{name}:i386"] = version
            if offers(f"{name}:amd64", version):
                pins[f"{name}:amd64"] = version
            added = True
        for name, version in re.findall(
                r"^ ([\w.+-]+) : Breaks: [\w.+-]+:i386 \(!= [^)]*\) but (\S+) is to be installed", text, re.M):
            if pins.get(f"{name}:amd64") != version:
                pins[f"{name}:amd64"] = version
                added = True
        if not added:
            break
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
