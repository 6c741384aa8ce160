#!/usr/bin/env bash
# Makes the Debian package of korin-cli from a Release build of its own
# (build/deb, with Debian's build flags), staged by cmake --install: the
# program, its manual page and its bash completion, with the dependencies
# dpkg-shlibdeps finds, and the licence as its copyright file. Then lintian
# must find no error in it, and the package unpacked into a scratch root must
# run and carry the licence.
#
#     make_deb.sh VERSION OUT_FOLDER
set -uo pipefail
version=$1 out=$(realpath -m "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/deb"
stage="$build/stage"
name=korin-cli
arch=$(dpkg --print-architecture)
deb="$out/${name}_${version}_${arch}.deb"

fail() {
    echo "make_deb: $*" >&2
    exit 1
}

flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null || fail "could not configure $build"
cmake --build "$build" --target korin-cli || fail "the build failed"
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" >/dev/null || fail "cmake --install failed"
# As Debian's own packages are stripped.
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$stage/usr/bin/$name" ||
    fail "could not strip $name"

# What Debian asks of every package beside the program's own files.
docs="$stage/usr/share/doc/$name"
mkdir -p "$docs" "$stage/DEBIAN" || fail "could not make $stage"
gzip -9n "$stage/usr/share/man/man1/$name.1" || fail "no manual page staged"
when=$(git -C "$root" log -1 --format=%cD 2>/dev/null) || when=$(date -R)
cat >"$docs/changelog" <<EOF
korin ($version) unstable; urgency=medium

  * Korin $version.

 -- Brindlemoor <korin@brindlemoor.invalid>  $when
EOF
gzip -9n "$docs/changelog"
# The licence in Debian's machine-readable form, from LICENSE itself: its
# holder from the copyright line, its text (past that line) as the licence
# paragraph, each blank line a lone " .". Debian calls this licence Expat.
holder=$(sed -n 's/^Copyright (c) //p' "$root/LICENSE")
[ -n "$holder" ] || fail "LICENSE names no copyright holder"
licence_text() { sed '1,/^Copyright (c) /d' "$root/LICENSE" | sed '/./,$!d'; }
{
    cat <<EOF
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Korin
Comment: korin-cli, the command-line companion of the Korin color-table editor.

Files: *
Copyright: $holder
License: Expat
EOF
    licence_text | sed 's/^$/./; s/^/ /'
} >"$docs/copyright" || fail "could not write the copyright file"

# dpkg-shlibdeps reads the package's names from a source tree's control file.
shlibs="$build/shlibs"
mkdir -p "$shlibs/debian"
printf 'Source: korin\n\nPackage: %s\nArchitecture: any\n' "$name" >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O -e "$stage/usr/bin/$name" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"

find "$stage" -type d -exec chmod 0755 {} + &&
find "$stage" -type f -exec chmod 0644 {} + &&
chmod 0755 "$stage/usr/bin/$name" || fail "could not set the staged files' modes"
cat >"$stage/DEBIAN/control" <<EOF
Package: $name
Source: korin
Version: $version
Architecture: $arch
Maintainer: Brindlemoor <korin@brindlemoor.invalid>
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Section: graphics
Priority: optional
Description: color-table tool for indexed BMP, PNG and GIF pictures
 korin-cli is the command-line companion of the Korin color-table editor.
 It prints the header report of a picture, saves its color table as a
 palette file (RIFF, JASC-PAL, GIMP, Adobe Color Table or a hex list),
 writes a palette into pictures, inverts or channel-swaps their tables,
 makes blank bitmaps, converts palette files between formats, and brings
 BMP files from other tools into a plain form. Pixel data is never changed,
 and a file is replaced only once its new content is fully written.
EOF
(cd "$stage" && find usr -type f -printf '%P\0' | sort -z | sed -z 's|^|usr/|' | xargs -0 md5sum) \
    >"$stage/DEBIAN/md5sums" || fail "could not write md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$out" || fail "could not make $out"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb.part" >/dev/null || fail "dpkg-deb failed"
mv "$deb.part" "$deb" || fail "could not write $deb"

# lintian: errors fail the package; its warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors in $deb"

# The package as dpkg unpacks it, run from a scratch root.
scratch="$build/unpacked"
rm -rf "$scratch" && mkdir -p "$scratch" && dpkg -x "$deb" "$scratch" || fail "dpkg -x failed"
program="$scratch/usr/bin/$name"
said=$("$program" --version) || fail "the unpacked $name does not start"
[ "$said" = "$name $version" ] || fail "--version said '$said'"
work="$scratch/work"
mkdir -p "$work" &&
    "$program" new --size 3x2 --bits 4 -o "$work/blank.bmp" &&
    "$program" invert "$work/blank.bmp" --in-place &&
    "$program" palette "$work/blank.bmp" -o "$work/table.hex" || fail "the unpacked $name failed a command"
white=$(tr -d "\r" <"$work/table.hex" | grep -c -ix ffffff)
[ "$white" = 16 ] && [ "$(wc -l <"$work/table.hex")" = 16 ] ||
    fail "a blank 4-bit bitmap inverted should have 16 white entries: $(head -3 "$work/table.hex")"
# The licence the package carries is the one in LICENSE.
copyright="$scratch/usr/share/doc/$name/copyright"
grep -qx "Copyright: $holder" "$copyright" || fail "the unpacked copyright file does not name $holder"
sed -n '/^License: Expat$/,$p' "$copyright" | tail -n +2 | sed 's/^ //; s/^\.$//' | cmp -s - <(licence_text) ||
    fail "the unpacked copyright file does not carry LICENSE's text"
MANWIDTH=80 man -l "$scratch/usr/share/man/man1/$name.1.gz" 2>/dev/null | grep -q "^NAME" ||
    fail "the unpacked manual page does not render"
bash -c 'source "$1" && complete -p korin-cli' _ "$scratch/usr/share/bash-completion/completions/$name" \
    >/dev/null || fail "the unpacked completion does not register"
echo "make_deb: $deb ($said; depends on $depends)"
