#!/usr/bin/env bash
# The one run command: installs what is missing, builds Korin and starts it
# under Wine in a prefix of its own that is kept between runs, so its settings
# survive a restart. The 32-bit korin.exe runs where this machine runs 32-bit
# programs, the 64-bit one otherwise (or with KORIN_64BIT_ONLY=1).
#
# With DISPLAY set, Korin opens on that display and this script waits until it
# is closed (through scripts/launch.sh, which the desktop entry starts too).
# Without one, a private Xvfb shows Wine's virtual desktop and a short tour
# drives Korin (first start, File > New, File > Open of a sample, the header
# report), writing a PNG of the screen after each step, once in English into
# build/tour/en/ and once in Japanese into build/tour/ja/. Korin shows the
# language of LC_MESSAGES (the user's) and keeps code page 932 for file names.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() {
    echo "run: $*" >&2
    exit 1
}

bash scripts/setup.sh || die "set-up failed"
python3 scripts/make_samples.py || die "could not write the sample pictures into samples/"
source scripts/wine-env.sh
# The user's build and prefix, not the tests' (those start from a clean
# registry).
korin_user_build || die "no Wine for Korin"
arch=$KORIN_ARCH
echo "run: $KORIN_USER_BUILD_WHY"

echo "== building $arch (korin.exe and the tour's driver)"
bash scripts/build.sh "$arch" korin tour_driver || die "the $arch build failed"
korin_exe="$root/build/$arch/korin.exe"

if [ -n "${DISPLAY:-}" ]; then
    # Korin on the user's display, as the desktop entry starts it.
    exec bash scripts/launch.sh
fi

# No display: the tour.
trap korin_stop_wine EXIT
korin_start_xvfb || die "no display and no Xvfb"
korin_init_prefix no-desktop || die "could not prepare the Wine prefix $WINEPREFIX"
# Without a window manager only the virtual desktop draws window frames.
korin_virtual_desktop on || die "could not turn on Wine's virtual desktop in $WINEPREFIX"

shots_root="$root/build/tour"
rm -rf "$shots_root"
driver="$root/build/$arch/tour_driver.exe"
[ -f "$driver" ] || die "$driver is missing from the $arch build"

drive() {
    timeout 90 "$KORIN_WINE" "$driver" "$@" || die "tour step '$*' failed (see the message above)"
}
shot() {
    drive shot "$("$KORIN_WINE" winepath -w "$shots/$1.bmp")"
    echo "run: $1"
}

# The tour in one interface language: its screenshots go into
# build/tour/<folder>/. A language chosen in Korin's Help menu (kept in the
# prefix's registry) wins over LC_MESSAGES.
tour() {
    shots="$shots_root/$1"
    mkdir -p "$shots" || die "could not make $shots"
    korin_user_locale "$2"
    echo "run: the tour with LC_MESSAGES=$LC_MESSAGES into $shots"
    echo "run: starting Korin on Xvfb $DISPLAY in Wine's virtual desktop (Wine prefix $WINEPREFIX)"
    "$KORIN_WINE" "$korin_exe" >/dev/null 2>&1 &
    drive wait-main
    shot 01-first-start

    # A larger window shows the picture and the report better; the window goes
    # back where it was before Korin closes, so the stored placement is the user's.
    place=$(timeout 90 "$KORIN_WINE" "$driver" rect) || die "could not read the Korin window's placement"
    read -r left top width height <<<"$place"
    drive move 60 40 640 480

    # A blank picture is black: a white background sets it apart.
    drive command 40032           # View > background > white
    drive start-new               # File > New
    shot 02-new-dialog
    drive finish-new              # OK
    shot 03-new-picture

    drive start-open              # File > Open
    shot 04-open-dialog
    drive finish-open "$("$KORIN_WINE" winepath -w "$root/samples/sunset_8bit.bmp")"
    drive command 40030           # View > picture display > fit to window
    drive command 40037           # Window > keep picture ratio
    shot 05-opened-sample

    drive command 40016           # Palette > dialog: beside the main window
    drive palette-command 40006   # its View > operation panel: the color panel below it
    drive click-cell 4 2          # an entry of the sky: its color goes to the panel
    shot 06-palette-and-panel
    drive command 40016           # hide the palette window and its panel again

    drive command 40026           # View > show header information
    shot 07-header-report
    drive command 40024           # View > header display > enumerate members
    shot 08-header-members

    # Back to the defaults the tour started from, then close as a user would:
    # Korin stores its placement and view settings on the way out.
    drive command 40023           # header display > only what is needed
    drive command 40022           # View > show picture
    drive command 40021           # picture display > actual size
    drive command 40031           # background > black
    drive move "$left" "$top" "$width" "$height"
    drive close
    timeout 60 wineserver -w || die "Wine did not shut down within 60 s"
    for bmp in "$shots"/*.bmp; do
        python3 "$root/tools/tour/bmp_to_png.py" "$bmp" "${bmp%.bmp}.png" || die "could not convert $bmp"
        rm -f "$bmp"
    done
}

tour en en_US.UTF-8
tour ja ja_JP.UTF-8
korin_stop_wine
echo "run: tour finished; screenshots:"
ls -1 "$shots_root"/*/*.png
