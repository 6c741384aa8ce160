#!/usr/bin/env bash
# korin-cli map and quantize against ImageMagick, Pillow and pngquant on real
# truecolor pictures from Debian packages: run bench/map_setup.sh (as root)
# once for the peers, then this. Builds a Release korin-cli in build/bench,
# fetches the pictures into a scratch folder and prints the figures.
#   bash bench/map_compare.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORIN_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target korin-cli >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/korin-map-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$root/bench/map_pictures.sh" "$work/pictures" >/dev/null
echo "machine: $(nproc) CPUs; load $(cut -d' ' -f1-3 /proc/loadavg); $(date -u +%F)"
/usr/bin/python3 "$root/bench/map_compare.py" "$root/build/bench/korin-cli" "$work/pictures" "$work/out"
