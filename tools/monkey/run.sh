#!/usr/bin/env bash
# A long monkey run on demand: builds korin.exe and the monkey, starts a
# private Xvfb and Wine (its own prefix, with the virtual desktop) and runs
#   tools/monkey/run.sh [win32|win64] [--seed S] [--steps N] [--seconds T] [--trace]
# The build defaults to win32 where this machine runs 32-bit programs.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
source scripts/wine-env.sh
arch=
case "${1:-}" in
    win32|win64) arch=$1; shift ;;
esac
if [ -z "$arch" ]; then
    arch=win64
    korin_runs_32bit && arch=win32
fi
if [ "$arch" = win32 ] && ! korin_runs_32bit; then
    echo "monkey: the win32 build cannot run here: $KORIN_NO_32BIT" >&2
    exit 1
fi
bash scripts/build.sh "$arch" korin korin_monkey >/dev/null || { echo "monkey: the $arch build failed" >&2; exit 1; }
korin_use_arch "$arch"
export WINEPREFIX="$root/build/$arch/monkey-prefix"
trap korin_stop_wine EXIT
korin_start_xvfb && korin_init_prefix && wineserver -p || { echo "monkey: could not start Wine" >&2; exit 1; }
"$KORIN_WINE" "build/$arch/korin_monkey.exe" "$@" </dev/null
