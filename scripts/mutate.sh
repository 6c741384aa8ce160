#!/usr/bin/env bash
# Mutation measure of the native suites, on demand (not part of the test run):
# small faults put one at a time into the portable core, each built and tested.
#   scripts/mutate.sh --list                        every mutant, nothing run
#   scripts/mutate.sh --sample 200 --seed 1         a reproducible sample
#   scripts/mutate.sh --files 'image/png_*' --ids 4127,4130
# Operators, tiers and time limits: tools/mutate/mutate.py. Prints the kill
# rate and every survivor; writes build/mutate/results.tsv.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ -f "$root/build/native/build.ninja" ] || nice -n 15 bash "$root/scripts/build.sh" native >/dev/null
# Debian's interpreter, standard library only; niced, the machine is shared.
exec nice -n 15 /usr/bin/python3 "$root/tools/mutate/mutate.py" "$@"
