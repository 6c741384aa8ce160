#!/usr/bin/env bash
# Crash-point replay of korin-cli's saves (see crashcheck.py): the quick set
# by default, every save with the finer tearing when given --full.
#   tools/crashcheck/run.sh [--full] [--only NAME]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/scripts/build.sh" native korin-cli >/dev/null
# Debian's interpreter: python3-pil makes the PNG and GIF inputs.
exec /usr/bin/python3 "$root/tools/crashcheck/crashcheck.py" "$root/build/native/korin-cli" "$@"
