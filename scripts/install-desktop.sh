#!/usr/bin/env bash
# Puts Korin into the current user's application menu: a desktop entry and
# Korin's own icon, taken from resources/korin.ico at the sizes desktops use,
# under ${XDG_DATA_HOME:-~/.local/share}. The entry starts Korin through
# scripts/launch.sh of this tree: the run command's prefix, locale and build
# (32-bit where the machine runs it, 64-bit otherwise; KORIN_64BIT_ONLY=1 at
# install time is kept in the entry). Needs no root and starts no Wine.
#
#     bash scripts/install-desktop.sh              install (again)
#     bash scripts/install-desktop.sh --uninstall  remove exactly what it wrote
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
# What the install wrote, one path a line: files, then the folders it made
# (ending in "/"), parents first.
record="$data/korin/desktop-install.list"
entry="$data/applications/korin.desktop"
sizes=(16 32 48 64 128 256)

die() {
    echo "install-desktop: $*" >&2
    exit 1
}

uninstall() {
    [ -f "$record" ] || return 0
    local path folders=()
    while IFS= read -r path; do
        case "$path" in
            */) folders=("$path" "${folders[@]}") ;;
            *) rm -f -- "$path" || return 1 ;;
        esac
    done <"$record"
    rm -f -- "$record" || return 1
    # A folder the install made goes only when nothing else came into it.
    for path in "${folders[@]}"; do rmdir -- "$path" 2>/dev/null; done
    return 0
}

case "${1:-}" in
    --uninstall)
        [ -f "$record" ] || { echo "install-desktop: Korin's desktop entry is not installed in $data"; exit 0; }
        uninstall || die "could not remove everything listed in $record"
        echo "install-desktop: removed Korin's desktop entry and icons from $data"
        exit 0 ;;
    "") ;;
    *) die "usage: install-desktop.sh [--uninstall]" ;;
esac

# A file of the same name that an earlier install did not write is the
# user's: leave it alone.
targets=("$entry")
for size in "${sizes[@]}"; do targets+=("$data/icons/hicolor/${size}x${size}/apps/korin.png"); done
for path in "${targets[@]}"; do
    if [ -e "$path" ] && ! grep -qxF -- "$path" "$record" 2>/dev/null; then
        die "$path is there already and was not installed by this script; move it away first"
    fi
done
uninstall || die "could not remove the earlier install listed in $record"

stage=$(mktemp -d) || die "could not make a temporary folder"
trap 'rm -rf "$stage"' EXIT

for size in "${sizes[@]}"; do
    python3 "$root/tools/desktop/ico_to_png.py" "$root/resources/korin.ico" "$size" "$stage/$size.png" ||
        die "could not make the ${size}-pixel icon"
done

# Exec is not run by a shell: its argument goes in double quotes with ", `, $
# and \ escaped, then every backslash is doubled as a string value; a percent
# sign is written twice.
quote() {
    local s=$1
    s=${s//\\/\\\\}
    s=${s//\"/\\\"}
    s=${s//\`/\\\`}
    s=${s//\$/\\\$}
    s=${s//\\/\\\\}
    s=${s//%/%%}
    printf '"%s"' "$s"
}
exec_line="bash $(quote "$root/scripts/launch.sh")"
if [ -n "${KORIN_64BIT_ONLY:-}" ] && [ "$KORIN_64BIT_ONLY" != 0 ]; then
    exec_line="env KORIN_64BIT_ONLY=1 $exec_line"
fi
cat >"$stage/korin.desktop" <<EOF || die "could not write the desktop entry"
[Desktop Entry]
Type=Application
Version=1.0
Name=Korin
Name[ja]=Korin
GenericName=Palette Editor
GenericName[ja]=パレットエディタ
Comment=Edit the color table of Windows BMP pictures
Comment[ja]=Windows BMP 画像のカラーテーブル (パレット) を編集します
Keywords=palette;color table;BMP;
Keywords[ja]=パレット;カラーテーブル;BMP;
Icon=korin
Exec=$exec_line
Terminal=false
Categories=Graphics;2DGraphics;RasterGraphics;
StartupNotify=false
StartupWMClass=korin.exe
EOF
if command -v desktop-file-validate >/dev/null; then
    said=$(desktop-file-validate "$stage/korin.desktop" 2>&1) && [ -z "$said" ] ||
        die "the desktop entry does not validate: $said"
else
    echo "install-desktop: desktop-file-validate is missing (Debian desktop-file-utils); the entry is not validated" >&2
fi

# The folders to make, parents first, and the files to put, all listed
# before anything is written so that a failure part way is undone in full.
folders=()
plan_folder() {
    local missing=() path=$1 known
    while [ ! -d "$path" ]; do
        for known in "${folders[@]}"; do [ "$known" = "$path/" ] && break 2; done
        missing=("$path/" "${missing[@]}")
        path=$(dirname "$path")
    done
    folders+=("${missing[@]}")
}
files=()
plan_folder "$(dirname "$record")"
for size in "${sizes[@]}"; do
    files+=("$data/icons/hicolor/${size}x${size}/apps/korin.png")
    plan_folder "$(dirname "${files[-1]}")"
done
files+=("$entry")
plan_folder "$(dirname "$entry")"

made=()
for folder in "${folders[@]}"; do
    if ! mkdir -- "$folder"; then
        for folder in "${made[@]}"; do rmdir -- "$folder" 2>/dev/null; done
        die "could not make $folder"
    fi
    made=("$folder" "${made[@]}")
done
printf '%s\n' "${files[@]}" "${folders[@]}" >"$record" || { uninstall; die "could not write $record"; }
for i in "${!sizes[@]}"; do
    cp -- "$stage/${sizes[$i]}.png" "${files[$i]}" || { uninstall; die "could not write ${files[$i]}"; }
done
cp -- "$stage/korin.desktop" "$entry" || { uninstall; die "could not write $entry"; }

echo "install-desktop: Korin is in the application menu (Graphics): $entry"
echo "install-desktop: it starts $(printf '%s' "$exec_line")"
if [ ! -f "$root/build/win32/korin.exe" ] && [ ! -f "$root/build/win64/korin.exe" ]; then
    echo "install-desktop: Korin is not built yet; bash scripts/run.sh builds it (the first start from the menu does otherwise)"
fi
