#!/usr/bin/env bash
# Fetches the packages of bench/debian_png_packages.txt with apt-get download
# and copies every indexed PNG they ship (color type 3, symbolic links left
# out) into DIR, named after its package and path.
#   bash bench/fetch_debian_pngs.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: fetch_debian_pngs.sh DIR}
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/korin-debs-XXXXXX")
trap 'rm -rf "$work"' EXIT
mapfile -t packages < <(grep -v '^#' "$root/bench/debian_png_packages.txt" | grep .)
(cd "$work" && apt-get download "${packages[@]}" >/dev/null)
for deb in "$work"/*.deb; do
    name=$(basename "$deb"); name=${name%%_*}
    dpkg-deb -x "$deb" "$work/$name"
done
/usr/bin/python3 - "$work" "$out" <<'PY'
import os, shutil, sys
work, out = sys.argv[1:3]
count = 0
for top in sorted(os.listdir(work)):
    base = os.path.join(work, top)
    if not os.path.isdir(base): continue
    for folder, _, files in os.walk(base):
        for f in sorted(files):
            path = os.path.join(folder, f)
            if not f.lower().endswith('.png') or os.path.islink(path): continue
            with open(path, 'rb') as fh: head = fh.read(26)
            if len(head) == 26 and head[:8] == b'\x89PNG\r\n\x1a\n' and head[25] == 3:
                shutil.copyfile(path, os.path.join(out, os.path.relpath(path, work).replace('/', '__')))
                count += 1
print(count, 'indexed PNGs in', out)
PY
