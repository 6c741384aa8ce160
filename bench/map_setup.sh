#!/usr/bin/env bash
# Installs the peers bench/map_compare.py measures korin-cli map and quantize
# against (ImageMagick, pngquant; Pillow and numpy for Debian's python3), and
# fetches the truecolor pictures it runs on (bench/map_pictures.sh).
set -euo pipefail
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    imagemagick pngquant python3-pil python3-numpy >/dev/null
