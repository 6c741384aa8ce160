#!/usr/bin/env bash
# korin-cli's rearranging commands against cp (the same bytes copied, the
# same flush) and Pillow (the same compact): bash bench/rearrange_compare.sh [ROUNDS]
# Prints seconds and peak resident MiB of each job, one line per round.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${KORIN_CLI:-$root/build/native/korin-cli}
rounds=${1:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/korin-rearrange.XXXXXX")
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import os, sys
from PIL import Image
work = sys.argv[1]
# 256 MiB of pixels at 8 and 4 bits, every byte written.
for bits, width in ((8, 16384), (4, 32768)):
    height = 16384
    row = bytes((x * 7 + 3) % 256 for x in range(width * bits // 8))
    table = b''.join(bytes((i, 255 - i, i * 3 % 256, 0)) for i in range(1 << bits))
    stride = width * bits // 8
    header = b'BM' + (14 + 40 + len(table) + stride * height).to_bytes(4, 'little') + b'\0\0\0\0' + \
        (14 + 40 + len(table)).to_bytes(4, 'little')
    info = (40).to_bytes(4, 'little') + width.to_bytes(4, 'little') + height.to_bytes(4, 'little') + \
        (1).to_bytes(2, 'little') + bits.to_bytes(2, 'little') + bytes(24)
    with open(os.path.join(work, 'b%d.bmp' % bits), 'wb') as f:
        f.write(header + info + table)
        for y in range(height): f.write(row[y % 97:] + row[:y % 97])
# 64 M pixels, 8 bits, half the entries unused.
im = Image.new('P', (8192, 8192))
im.frombytes(bytes(((x * 13 + x // 8192) % 128) * 2 for x in range(8192 * 8192)))
im.putpalette(bytes(c for i in range(256) for c in (i, 255 - i, i * 5 % 256)))
im.save(os.path.join(work, 'big.png'))
PY
cat > "$work/pillow_compact.py" <<'PY'
import os, sys
from PIL import Image
im = Image.open(sys.argv[1]); im.load()
used = [i for i, n in enumerate(im.histogram()) if n]
lut = [0] * 256
for new, old in enumerate(used): lut[old] = new
pal = im.getpalette()
out = im.point(lut)
out.putpalette(bytes(c for old in used for c in pal[3 * old:3 * old + 3]))
with open(sys.argv[2], 'wb') as f:
    out.save(f, format='PNG'); f.flush(); os.fsync(f.fileno())
fd = os.open(os.path.dirname(sys.argv[2]), os.O_RDONLY); os.fsync(fd); os.close(fd)
PY
for ((r = 1; r <= rounds; r++)); do
    for bits in 8 4; do
        sync; rm -f "$work/k.bmp" "$work/c.bmp"
        /usr/bin/time -f "%e %M" -o "$work/t" "$cli" swap-entries "$work/b$bits.bmp" 0 5 -o "$work/k.bmp" >/dev/null
        echo "round $r korin swap-entries ${bits}-bit: $(cat "$work/t")"
        /usr/bin/time -f "%e %M" -o "$work/t" sh -c "cp '$work/b$bits.bmp' '$work/c.bmp' && sync '$work/c.bmp' && sync '$work'"
        echo "round $r cp ${bits}-bit: $(cat "$work/t")"
    done
    sync; rm -f "$work/k.png" "$work/p.png"
    /usr/bin/time -f "%e %M" -o "$work/t" "$cli" compact "$work/big.png" -o "$work/k.png" >/dev/null
    echo "round $r korin compact png: $(cat "$work/t")"
    /usr/bin/time -f "%e %M" -o "$work/t" /usr/bin/python3 "$work/pillow_compact.py" "$work/big.png" "$work/p.png"
    echo "round $r pillow compact png: $(cat "$work/t")"
    sync; rm -f "$work/k.png" "$work/p.png"
    /usr/bin/time -f "%e %M" -o "$work/t" "$cli" sort "$work/big.png" --by usage -o "$work/k.png" >/dev/null
    echo "round $r korin sort --by usage png: $(cat "$work/t")"
    /usr/bin/time -f "%e %M" -o "$work/t" /usr/bin/python3 -c \
        "import sys; sys.path.insert(0, '$root/bench'); from real_png_compare import pillow_job; pillow_job('sort', *sys.argv[1:])" \
        "$work/big.png" "$work/p.png"
    echo "round $r pillow sort --by usage png: $(cat "$work/t")"
done
/usr/bin/python3 -c "
from PIL import Image
import sys
a, b, c = (Image.open(sys.argv[i]) for i in (1, 2, 3))
assert a.convert('RGB').tobytes() == b.convert('RGB').tobytes() == c.convert('RGB').tobytes()
print('outputs checked: the same picture;', len(b.getpalette()) // 3, 'and', len(c.getpalette()) // 3, 'entries')
" "$work/big.png" "$work/k.png" "$work/p.png"
