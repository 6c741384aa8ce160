#!/usr/bin/env bash
# The editor's own speed under Wine, timed from outside by a driver program:
# File > Open of a 64 MiB 8-bit picture (BMP, then PNG) until it is painted, one drag step of
# a color-panel slider, and Apply of a 256-entry table until the picture is
# repainted; then, in a 1200 x 900 window, a drag step with the live picture on
# (1024 x 1024 and 8192 x 8192 pictures), a zoom step and a page scroll. Builds korin.exe and the driver (32-bit where this machine runs
# 32-bit programs, 64-bit otherwise), runs Korin on a private Xvfb in a Wine
# prefix of its own, prints medians in milliseconds.
#   bash bench/editor_speed.sh [RUNS] [DRAG_STEPS]   (KORIN_EXE=other.exe times another build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
steps=${2:-200}

source "$root/scripts/wine-env.sh"
arch=win64
korin_runs_32bit && arch=win32
korin_use_arch "$arch"
bash "$root/scripts/build.sh" "$arch" korin speed_driver >/dev/null
export WINEPREFIX="$root/build/$arch/speed-prefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/korin-speed-XXXXXX")
trap 'korin_stop_wine; rm -rf "$work"' EXIT

# 8192 x 8192 pixels of 8 bits, as a BMP and as an indexed PNG of the same
# picture; prints the color its top-left pixel shows.
color=$(python3 - "$work/picture.bmp" "$work/picture.png" <<'PY'
import os, struct, sys, zlib
width = height = 8192
table = [((i * 7) & 255, (i * 13 + 40) & 255, (255 - i * 3) & 255) for i in range(256)]
rows = os.urandom(width * height)
head = struct.pack("<2sIHHI", b"BM", 54 + 1024 + len(rows), 0, 0, 54 + 1024)
head += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
with open(sys.argv[1], "wb") as f:
    f.write(head + b"".join(bytes((b, g, r, 0)) for r, g, b in table) + rows)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
with open(sys.argv[2], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0)))
    f.write(chunk(b"PLTE", b"".join(bytes(e) for e in table)))
    deflate = zlib.compressobj(1)
    data = b"".join(deflate.compress(b"\x00" + rows[(height - 1 - y) * width:(height - y) * width])
                    for y in range(height)) + deflate.flush()
    f.write(chunk(b"IDAT", data) + chunk(b"IEND", b""))
# Bottom-up: the top row on screen is the last one in the file.
r, g, b = table[rows[(height - 1) * width]]
print(f"{r:02x}{g:02x}{b:02x}")
PY
)
# 1024 x 1024 pixels of 8 bits for the live picture; prints its top-left color.
small_color=$(python3 - "$work/small.bmp" <<'PY'
import os, struct, sys
width = height = 1024
table = [((i * 7) & 255, (i * 13 + 40) & 255, (255 - i * 3) & 255) for i in range(256)]
rows = os.urandom(width * height)
head = struct.pack("<2sIHHI", b"BM", 54 + 1024 + len(rows), 0, 0, 54 + 1024)
head += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
with open(sys.argv[1], "wb") as f:
    f.write(head + b"".join(bytes((b, g, r, 0)) for r, g, b in table) + rows)
r, g, b = table[rows[(height - 1) * width]]
print(f"{r:02x}{g:02x}{b:02x}")
PY
)

korin_start_xvfb
rm -rf "$WINEPREFIX"
korin_init_prefix >/dev/null
driver="$root/build/$arch/speed_driver.exe"
drive() { timeout 600 "$KORIN_WINE" "$driver" "$@"; }

echo "machine: $(nproc) CPUs ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')), $(free -g | awk '/^Mem:/ {print $2}') GiB memory; $("$KORIN_WINE" --version) ($arch); Xvfb 1280x1024x24; $(date -u +%F)"
"$KORIN_WINE" "${KORIN_EXE:-$root/build/$arch/korin.exe}" >/dev/null 2>&1 &
drive wait-main
# The BMP and the PNG opened in turn, so that a noisy machine weighs on both alike.
bmp_path=$("$KORIN_WINE" winepath -w "$work/picture.bmp")
png_path=$("$KORIN_WINE" winepath -w "$work/picture.png")
bmp_times=() png_times=()
for ((i = 0; i < runs; i++)); do
    bmp_times+=("$(drive open "$bmp_path" "$color" 1 | sed -n 's/.*samples //p')")
    png_times+=("$(drive open "$png_path" "$color" 1 | sed -n 's/.*samples //p')")
done
python3 - "$(stat -c %s "$work/picture.png")" "${bmp_times[*]}" "${png_times[*]}" <<'PY'
import statistics, sys
size, bmp, png = int(sys.argv[1]), [float(t) for t in sys.argv[2].split()], [float(t) for t in sys.argv[3].split()]
for name, times in (("BMP", bmp), ("indexed PNG of %d MiB" % (size >> 20), png)):
    print("open %s until painted, in turn with the other: median %.1f ms, slowest %.1f ms, over %d; samples %s"
          % (name, statistics.median(times), max(times), len(times), " ".join("%.1f" % t for t in times)))
print("PNG / BMP: %.2f on the medians; %.2f the median of each pair's ratio"
      % (statistics.median(png) / statistics.median(bmp), statistics.median(p / b for p, b in zip(png, bmp))))
PY
drive drag "$steps"
drive apply "$runs"
drive place 1200 900
echo "(live picture, zoom and scroll in a 1200 x 900 window; the 1024 x 1024 picture first)"
drive open "$("$KORIN_WINE" winepath -w "$work/small.bmp")" "$small_color" 1
drive live "$steps"
drive open "$("$KORIN_WINE" winepath -w "$work/picture.bmp")" "$color" 1
drive live "$steps"
drive zoom "$steps"
drive scroll "$steps"
