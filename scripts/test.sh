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

# One build's suites under Wine, in a fresh prefix of that build's own (a
# 32-bit program in a 64-bit prefix would see the registry elsewhere) and on
# a display of its own from FIRST_DISPLAY on. Exits 0 when they pass, 1 when
# one fails, 2 when Wine does not start, 3 when it did not start some tests.
run_wine_suites() {
    local arch=$1 first_display=$2
    trap korin_stop_wine EXIT
    korin_use_arch "$arch" || exit 2
    export WINEPREFIX="$root/build/$arch/wineprefix"
    rm -rf "$WINEPREFIX"
    # A server that stays up between the tests spares each test process a Wine
    # start-up (seconds instead of a tenth of a second).
    # The first program also starts Wine's services and desktop, which keep the
    # output they inherit open: let that be a warm-up's, not a test's.
    if ! { korin_start_xvfb "$first_display" && korin_init_prefix && wineserver -p &&
           timeout 120 "$KORIN_WINE" "build/$arch/tests/korin_win32_tests.exe" \
               --gtest_filter=MainWindow.FirstStartCreatesTheKeyAndUsesDefaults >/dev/null 2>&1 </dev/null; }; then
        echo "test: could not start Wine for the $arch suites" >&2
        exit 2
    fi
    echo "== testing $arch"
    local status=0
    ctest --test-dir "build/$arch" --output-on-failure --timeout 900 -j 2 || status=1
    # Starts that Wine ended before the program ran were tried again, and
    # Wine crashes after a program had returned took its result; both are
    # reported, and a test that Wine never started is no result at all.
    local log="build/$arch/Testing/Temporary/LastTest.log"
    if grep -q '^wine-run: ' "$log" 2>/dev/null; then
        echo "== Wine failures around the programs ($arch)"
        grep '^wine-run: ' "$log"
        grep -q 'the test did not run$' "$log" && [ $status -eq 0 ] && status=3
    fi
    exit $status
}

# The fuzzers take what CPU the Windows suites leave: they run for a fixed
# time, so only their number of runs depends on it. Three minutes shared by
# the fuzz targets: a reader regression fails the run.
nice -n 10 bash scripts/fuzz.sh 180 >build/fuzz.log 2>&1 &
fuzzing=$!

# The two Windows builds' suites side by side: each suite runs its tests one
# at a time (they share a registry key and a display), most of them waiting
# on windows, so two fill the machine far better than one. Each one's output
# is shown when it ends.
arches=(win64)
if korin_runs_32bit; then
    arches+=(win32)
else
    echo "test: the win32 suites cannot run here: $KORIN_NO_32BIT; the win64 suites stand in for them"
    summary+=("win32: NOT RUN ($KORIN_NO_32BIT)")
fi
declare -A suites
display=90
for arch in "${arches[@]}"; do
    (run_wine_suites "$arch" "$display") >"build/$arch-suites.log" 2>&1 &
    suites[$arch]=$!
    display=$((display + 30))
done
for arch in "${arches[@]}"; do
    wait "${suites[$arch]}"
    status=$?
    cat "build/$arch-suites.log"
    case $status in
        0) summary+=("$arch: passed") ;;
        2) summary+=("$arch: FAILED (Wine did not start)"); failed=1 ;;
        3) summary+=("$arch: FAILED (Wine did not start some tests twice; see above)"); failed=1 ;;
        *) summary+=("$arch: FAILED"); failed=1 ;;
    esac
done

# The zips and installers, each checked under Wine, and the korin-cli .deb,
# checked by lintian and run unpacked.
echo "== packaging"
if bash scripts/package.sh; then
    summary+=("packages: made and checked")
else
    summary+=("packages: FAILED")
    failed=1
fi

echo "== fuzzing"
wait "$fuzzing"
status=$?
cat build/fuzz.log
if [ $status -eq 0 ]; then
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
