#!/usr/bin/env bash
# Starts the built Korin on the current display in the run command's prefix,
# with its settings (the build this machine runs, code page 932, the user's
# language for the interface), and
# waits until it is closed. The run command ends here once it has built
# Korin; the desktop entry of install-desktop.sh starts here directly, so
# nothing is installed or rebuilt, and korin.exe is built only when missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() {
    echo "launch: $*" >&2
    exit 1
}

[ -n "${DISPLAY:-}" ] || die "no display (DISPLAY is not set); bash scripts/run.sh shows a tour without one"
source scripts/wine-env.sh
korin_user_build || die "no Wine for Korin"
echo "launch: $KORIN_USER_BUILD_WHY"
korin_exe="$root/build/$KORIN_ARCH/korin.exe"
if [ ! -f "$korin_exe" ]; then
    echo "launch: building $KORIN_ARCH korin.exe"
    bash scripts/build.sh "$KORIN_ARCH" korin || die "the $KORIN_ARCH build failed"
fi

# A real display has a window manager to draw the frames, so Korin runs as an
# ordinary window, not inside a virtual desktop.
korin_init_prefix no-desktop || die "could not prepare the Wine prefix $WINEPREFIX"
korin_virtual_desktop off || die "could not turn off Wine's virtual desktop in $WINEPREFIX"
korin_user_locale
echo "launch: starting Korin on $DISPLAY (Wine prefix $WINEPREFIX, interface language from LC_MESSAGES=$LC_MESSAGES)"
"$KORIN_WINE" "$korin_exe"
status=$?
# Korin writes its settings as it closes; let the registry reach the disk.
timeout 60 wineserver -w
exit $status
