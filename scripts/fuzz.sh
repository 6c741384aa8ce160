#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) in build/fuzz and runs
# them one after the other, sharing the given total number of seconds
# (default 180) equally, at least 10 s each: more targets do not make the run
# longer. Prints executions, coverage and findings per target; fails when any
# target found something. Findings stay in build/fuzz/findings/<target>/ to be
# turned into regression files under tests/data/fuzz-regressions/.
#
#   bash scripts/fuzz.sh [TOTAL_SECONDS] [TARGET...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
total=${1:-180}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_bmp_reader fuzz_riff_palette fuzz_header_report
    fuzz_jasc_palette fuzz_gimp_palette fuzz_act_palette fuzz_hex_palette fuzz_paint_net_palette
    fuzz_bmp_normalize fuzz_gif_reader fuzz_png_reader)
seconds=$((total / ${#targets[@]}))
[ "$seconds" -lt 10 ] && seconds=10
out="$root/build/fuzz"

cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORIN_FUZZ=ON \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null || { echo "fuzz: configure failed" >&2; exit 1; }
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" fuzz_seed_writer \
    || { echo "fuzz: build failed" >&2; exit 1; }

seeds="$out/seeds"
rm -rf "$seeds"
"$out/fuzz/fuzz_seed_writer" "$seeds" || { echo "fuzz: seed writer failed" >&2; exit 1; }
shared_pal="$root/../shared/testdata/pal"

findings_total=0
summary=()
for target in "${targets[@]}"; do
    case "$target" in
        fuzz_riff_palette) seed_dirs=("$seeds/pal")
                           [ -d "$shared_pal" ] && seed_dirs+=("$shared_pal/riff" "$shared_pal/not-riff") ;;
        fuzz_jasc_palette|fuzz_gimp_palette|fuzz_act_palette|fuzz_hex_palette|fuzz_paint_net_palette)
                           kind=${target#fuzz_}
                           seed_dirs=("$seeds/${kind%_palette}")
                           [ -d "$shared_pal" ] && seed_dirs+=("$shared_pal/not-riff") ;;
        fuzz_bmp_normalize) seed_dirs=("$seeds/variants" "$seeds/bmp") ;;
        fuzz_gif_reader)   seed_dirs=("$seeds/gif") ;;
        fuzz_png_reader)   seed_dirs=("$seeds/png") ;;
        *)                 seed_dirs=("$seeds/bmp" "$root/samples") ;;
    esac
    corpus="$out/corpus/$target"
    findings="$out/findings/$target"
    rm -rf "$findings"  # a finding worth keeping is in tests/data by now
    mkdir -p "$corpus" "$findings"
    log="$out/$target.log"
    echo "== fuzzing $target for ${seconds}s"
    # A few kilobytes reach every header path; the allocation limit catches a
    # reader allocating far beyond what its input holds.
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1} \
        "$out/fuzz/$target" "$corpus" "${seed_dirs[@]}" \
        -max_total_time="$seconds" -max_len=8192 -timeout=10 -malloc_limit_mb=256 \
        -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
    status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    line=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$line")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$line")
    found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
                                       -o -name 'oom-*' -o -name 'slow-unit-*' \) | wc -l)
    if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi  # died without an artifact
    findings_total=$((findings_total + found))
    summary+=("$(printf '%-20s execs %-10s cov %-6s ft %-6s corpus %-5s findings %s' \
        "$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$(ls "$corpus" | wc -l)" "$found")")
    [ "$found" -ne 0 ] && { echo "fuzz: $target found something; see $log and $findings" >&2; tail -40 "$log" >&2; }
done

echo "== fuzz summary (${seconds}s per target, ${#targets[@]} targets)"
printf '%s\n' "${summary[@]}"
if [ "$findings_total" -ne 0 ]; then
    echo "fuzz: FAILED with $findings_total finding(s)"
    exit 1
fi
echo "fuzz: no findings"
