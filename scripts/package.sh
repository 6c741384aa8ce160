#!/usr/bin/env bash
# Makes the packages in dist/ and checks each:
# - the Windows zips korin-VERSION-win32.zip and korin-VERSION-win64.zip
#   (korin.exe, korin-cli.exe, the sample pictures, a read-me and the licence):
#   their files, the licence as LICENSE holds it, and korin-cli.exe started
#   from the unpacked zip under Wine;
# - the Windows installers korin-VERSION-win32-setup.exe and
#   korin-VERSION-win64-setup.exe: installed, started and uninstalled silently
#   under Wine in a scratch prefix, the licence installed beside the programs
#   (tools/package/check_installer.sh);
# - the Debian package of korin-cli, korin-cli_VERSION_ARCH.deb: lintian
#   finds no error, its machine-readable copyright file carries the licence,
#   and it runs unpacked (tools/package/make_deb.sh).
# The Windows checks run where this machine runs that build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() {
    echo "package: $*" >&2
    exit 1
}

bash scripts/setup.sh || die "set-up failed"
python3 scripts/make_samples.py || die "could not write the sample pictures"
version=$(sed -n 's/^project(Korin VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "no version in CMakeLists.txt"
mkdir -p dist build/package || die "could not make dist/"
# The licence as Windows editors read it: CRLF lines.
licence="build/package/LICENSE.txt"
sed 's/$/\r/' LICENSE >"$licence" && [ -s "$licence" ] || die "could not write $licence"

source scripts/wine-env.sh
for arch in win32 win64; do
    echo "== packaging $arch"
    bash scripts/build.sh "$arch" korin korin-cli || die "the $arch build failed"
    zip="dist/korin-$version-$arch.zip"
    python3 tools/package/make_zip.py "$zip" "$version" "$arch" "build/$arch" samples \
        tools/package/README-windows.txt "$licence" || die "could not write $zip"

    check="build/package/$arch"
    rm -rf "$check"
    mkdir -p "$check" && python3 -m zipfile -e "$zip" "$check" || die "could not unpack $zip"
    top="$check/korin-$version-$arch"
    for f in korin.exe korin-cli.exe README.txt LICENSE.txt samples/sunset_8bit.bmp; do
        [ -s "$top/$f" ] || die "$zip lacks $f"
    done
    tr -d '\r' <"$top/LICENSE.txt" | cmp -s - LICENSE || die "$zip's LICENSE.txt is not the licence"

    setup="dist/korin-$version-$arch-setup.exe"
    readme="build/package/README-$arch.txt"
    python3 tools/package/windows_readme.py tools/package/README-windows.txt "$version" "$arch" "$readme" &&
    makensis -V2 -DVERSION="$version" -DARCH="$arch" -DBUILD="$root/build/$arch" -DREADME="$root/$readme" \
        -DLICENSE="$root/$licence" -DICON="$root/resources/korin.ico" -DOUTFILE="$root/$setup" tools/package/korin.nsi ||
        die "could not write $setup"

    if [ "$arch" = win32 ] && ! korin_runs_32bit; then
        echo "package: $zip and $setup not started: $KORIN_NO_32BIT"
        continue
    fi
    korin_use_arch "$arch" || die "no Wine for $arch"
    # The tests' prefix when there is one; a prefix of its own otherwise.
    export WINEPREFIX="$root/build/$arch/wineprefix"
    if [ ! -f "$WINEPREFIX/.korin-ready" ]; then
        export WINEPREFIX="$root/build/package/prefix-$arch"
        korin_init_prefix no-desktop || die "could not prepare a Wine prefix for $arch"
    fi
    said=$(timeout 120 "$KORIN_WINE" "$top/korin-cli.exe" --version 2>/dev/null | tr -d '\r')
    timeout 60 wineserver -k >/dev/null 2>&1 || true
    [ "$said" = "korin-cli $version" ] || die "$top/korin-cli.exe --version said '$said'"
    echo "package: $zip ($said)"
    bash tools/package/check_installer.sh "$setup" "$arch" "$version" "build/package/installer-$arch" ||
        die "$setup did not install, start and uninstall cleanly"
done

echo "== packaging korin-cli for Debian"
bash tools/package/make_deb.sh "$version" dist || die "could not make the Debian package"
ls -l dist/korin-"$version"-win{32,64}.zip dist/korin-"$version"-win{32,64}-setup.exe \
    dist/korin-cli_"$version"_*.deb
