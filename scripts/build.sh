#!/usr/bin/env bash
# Configures and builds one build: native, sanitize, win32 or win64; with
# target names after it, only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh native|sanitize|win32|win64 [target...]}
shift
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
jobs=$(nproc 2>/dev/null || echo 2)
case "$kind" in
    native)   args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    sanitize) args=(-DCMAKE_BUILD_TYPE=Debug -DKORIN_SANITIZE=ON) ;;
    win32)    args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake") ;;
    win64)    args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake") ;;
    *) echo "build.sh: unknown build '$kind'" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$root/build/$kind" -G Ninja "${args[@]}" >/dev/null
cmake --build "$root/build/$kind" -j "$jobs" "${targets[@]}"
