#!/usr/bin/env bash
# Fetches real truecolor pictures from Debian packages (the desktop artwork
# and GNOME's backgrounds), unpacks them and writes 8-bit RGB PNGs into DIR:
# each picture at most 1024 pixels wide for the quality figures, and one
# picture scaled to 6000x4000 (24 megapixels) for the speed figures.
#   bash bench/map_pictures.sh DIR
set -euo pipefail
out=${1:?usage: map_pictures.sh DIR}
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/korin-pictures-XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get download desktop-base gnome-backgrounds >/dev/null 2>&1)
for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$work/x"; done
convert=/usr/bin/convert  # ImageMagick's own (bench/map_setup.sh installs it)
pick=(
    usr/share/desktop-base/emerald-theme/grub/grub-16x9.png
    usr/share/desktop-base/softwaves-theme/grub/grub-16x9.png
    usr/share/plymouth/themes/spacefun/swirlaxy.png
    usr/share/plymouth/themes/joy/background.png
    usr/share/desktop-base/lines-theme/login/sddm-preview.jpg
    usr/share/backgrounds/gnome/wood-d.webp
    usr/share/backgrounds/gnome/adwaita-l.webp
    usr/share/backgrounds/gnome/pixels-l.webp
)
for file in "${pick[@]}"; do
    name=$(basename "${file%.*}")-$(basename "$(dirname "$(dirname "$file")")")
    "$convert" "$work/x/$file" -flatten -alpha off -resize '1024x1024>' -depth 8 -define png:color-type=2 \
        "$out/$name.png"
done
"$convert" "$work/x/usr/share/backgrounds/gnome/wood-d.webp" -alpha off -resize '6000x4000!' -depth 8 \
    -define png:color-type=2 "$out/large-24mp.png"
ls "$out"
