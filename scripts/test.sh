#!/usr/bin/env bash
# The one test command: installs what is missing, builds the native, sanitizer
# and win32 builds, and runs every suite (the win32 ones under Wine).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh || { echo "test: set-up failed" >&2; exit 1; }
for kind in native sanitize win32; do
    echo "== building $kind"
    bash scripts/build.sh "$kind" || { echo "test: the $kind build failed" >&2; exit 1; }
done

failed=0
run_ctest() {
    local kind=$1
    echo "== testing $kind"
    ctest --test-dir "build/$kind" --output-on-failure --timeout 900 -j 2 || failed=1
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run_ctest native
run_ctest sanitize

source scripts/wine-env.sh
export WINEPREFIX="$root/build/win32/wineprefix"
trap korin_stop_wine EXIT
rm -rf "$WINEPREFIX"
# A server that stays up between the tests spares each test process a Wine
# start-up (seconds instead of a tenth of a second).
# The first program also starts Wine's services and desktop, which keep the
# output they inherit open: let that be a warm-up's, not a test's.
if korin_start_xvfb && korin_init_prefix && wineserver -p &&
   timeout 120 wine build/win32/tests/korin_win32_tests.exe \
       --gtest_filter=MainWindow.FirstStartCreatesTheKeyAndUsesDefaults >/dev/null 2>&1 </dev/null; then
    run_ctest win32
else
    echo "test: could not start Wine for the win32 suites" >&2
    failed=1
fi
korin_stop_wine

# Three minutes shared by the fuzz targets: a reader regression fails the run.
echo "== fuzzing"
bash scripts/fuzz.sh 180 || { echo "test: fuzzing found something (see build/fuzz/findings)" >&2; failed=1; }

if [ $failed -ne 0 ]; then
    echo "test: FAILED" >&2
    exit 1
fi
echo "test: all suites passed"
