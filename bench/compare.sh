#!/usr/bin/env bash
# Whole-process comparison: korin-cli apply against Pillow and against cp of
# the finished file, each with the flush to disk korin's save makes; then a
# batch against the same files saved one by one (bench/batch_flush.py). Builds a
# Release korin-cli in build/bench, makes its own files, prints the figures.
#   bash bench/compare.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}

cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORIN_BENCH=ON >/dev/null
cmake --build "$root/build/bench" --target korin-cli >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/korin-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "machine: $(nproc) CPUs, $(free -g | awk '/^Mem:/ {print $2}') GiB memory; disk:" \
     "$(df -h "$work" | awk 'NR==2 {print $1, $2, "size,", $4, "free"}'); $(date -u +%F)"
# Debian's interpreter: python3-pil installs Pillow for it.
/usr/bin/python3 "$root/bench/compare_helper.py" "$root/build/bench/korin-cli" "$work" "$rounds"
echo
echo "| case | korin | cp | korin/cp | korin MiB | cp MiB |"
echo "|---|---|---|---|---|---|"
/usr/bin/python3 "$root/bench/png_compare.py" "$root/build/bench/korin-cli" "$work" "$rounds"
echo
/usr/bin/python3 "$root/bench/batch_flush.py" "$root/build/bench/korin-cli" "$work" "$rounds"
