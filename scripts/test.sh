#!/usr/bin/env bash
# The one test command: installs what is missing, builds the native, sanitizer,
# win32 and win64 builds, and runs every suite: the Windows ones under Wine,
# win64 always and win32 where this machine runs 32-bit programs.
# KORIN_64BIT_ONLY=1 takes the path of machines that run no 32-bit programs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)

bash scripts/setup.sh || { echo "test: set-up failed" >&2; exit 1; }
for kind in native sanitize win32 win64; do
    echo "== building $kind"
    bash scripts/build.sh "$kind" || { echo "test: the $kind build failed" >&2; exit 1; }
done

failed=0
summary=()
run_ctest() {
    local kind=$1
    echo "== testing $kind"
    if ctest --test-dir "build/$kind" --output-on-failure --timeout 900 -j 2; then
        summary+=("$kind: passed")
    else
        summary+=("$kind: FAILED")
        failed=1
    fi
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run_ctest native
run_ctest sanitize

source scripts/wine-env.sh
trap korin_stop_wine EXIT

# One build's suites under Wine, in a fresh prefix of that build's own (a
# 32-bit program in a 64-bit prefix would see the registry elsewhere).
run_wine_suites() {
    local arch=$1
    korin_use_arch "$arch" || return 1
    export WINEPREFIX="$root/build/$arch/wineprefix"
    rm -rf "$WINEPREFIX"
    # A server that stays up between the tests spares each test process a Wine
    # start-up (seconds instead of a tenth of a second).
    # The first program also starts Wine's services and desktop, which keep the
    # output they inherit open: let that be a warm-up's, not a test's.
    if korin_start_xvfb && korin_init_prefix && wineserver -p &&
       timeout 120 "$KORIN_WINE" "build/$arch/tests/korin_win32_tests.exe" \
           --gtest_filter=MainWindow.FirstStartCreatesTheKeyAndUsesDefaults >/dev/null 2>&1 </dev/null; then
        run_ctest "$arch"
    else
        echo "test: could not start Wine for the $arch suites" >&2
        summary+=("$arch: FAILED (Wine did not start)")
        failed=1
    fi
    korin_stop_wine
}

run_wine_suites win64
if korin_runs_32bit; then
    run_wine_suites win32
else
    echo "test: the win32 suites cannot run here: $KORIN_NO_32BIT; the win64 suites stand in for them"
    summary+=("win32: NOT RUN ($KORIN_NO_32BIT)")
fi

# The zips and installers, each checked under Wine, and the korin-cli .deb,
# checked by lintian and run unpacked.
echo "== packaging"
if bash scripts/package.sh; then
    summary+=("packages: made and checked")
else
    summary+=("packages: FAILED")
    failed=1
fi

# Three minutes shared by the fuzz targets: a reader regression fails the run.
echo "== fuzzing"
if bash scripts/fuzz.sh 180; then
    summary+=("fuzz: no findings")
else
    echo "test: fuzzing found something (see build/fuzz/findings)" >&2
    summary+=("fuzz: FAILED")
    failed=1
fi

echo "== summary ($(( $(date +%s) - started )) s)"
printf '  %s\n' "${summary[@]}"
if [ $failed -ne 0 ]; then
    echo "test: FAILED" >&2
    exit 1
fi
echo "test: all suites that could run passed"
