# Sourced by the run and test scripts: a private X display and a Wine prefix
# of the project's own, each step with a time limit and a clear failure.

KORIN_ROOT=${KORIN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# Chooses the build that Wine runs, win32 or win64: its architecture and its
# loader. Wine's own commands go through "$KORIN_WINE" (wineboot, winepath and
# reg as its arguments): /usr/bin/wine and its companions always try the
# 32-bit loader first, which cannot start where the kernel runs no 32-bit
# programs.
korin_use_arch() {
    case "$1" in
        win32)
            export WINEARCH=win32
            unset WINELOADER
            KORIN_WINE=/usr/lib/wine/wine ;;
        win64)
            export WINEARCH=win64
            export WINELOADER=/usr/lib/wine/wine64
            KORIN_WINE=/usr/lib/wine/wine64 ;;
        *) echo "korin: unknown build '$1' (win32 or win64)" >&2; return 1 ;;
    esac
    KORIN_ARCH=$1
}
korin_use_arch "${KORIN_ARCH:-win32}"

# Tells whether this machine runs 32-bit Windows programs; when it does not,
# KORIN_NO_32BIT says why in one line. KORIN_64BIT_ONLY=1 answers no, so the
# path of such machines can be taken anywhere. The answer is found once and
# handed on to the scripts this one starts.
korin_runs_32bit() {
    case "${KORIN_RUNS_32BIT:-}" in
        yes) return 0 ;;
        no) return 1 ;;
    esac
    export KORIN_RUNS_32BIT=no
    export KORIN_NO_32BIT=
    if [ -n "${KORIN_64BIT_ONLY:-}" ] && [ "$KORIN_64BIT_ONLY" != 0 ]; then
        KORIN_NO_32BIT="KORIN_64BIT_ONLY is set"
        return 1
    fi
    if [ ! -x /usr/lib/wine/wine ]; then
        KORIN_NO_32BIT="the 32-bit Wine loader /usr/lib/wine/wine is not installed"
        return 1
    fi
    local said
    if ! said=$(timeout 20 /usr/lib/wine/wine --version 2>&1); then
        said=$(printf '%s' "$said" | tr '\n' ' ')
        KORIN_NO_32BIT="the 32-bit Wine loader does not start (${said:-no answer}); the kernel may have no 32-bit support (ia32_emulation)"
        return 1
    fi
    KORIN_RUNS_32BIT=yes
}

# The user's build and prefix, as the run command and the desktop entry start
# Korin: the 32-bit korin.exe where this machine runs 32-bit programs, the
# 64-bit one otherwise, each in a prefix of its own kept under
# ${XDG_DATA_HOME:-~/.local/share}/korin (a 32-bit program keeps its settings
# elsewhere in a 64-bit prefix). Sets WINEPREFIX and the build (KORIN_ARCH,
# KORIN_WINE), and KORIN_USER_BUILD_WHY to one line saying which and why.
korin_user_build() {
    local data="${XDG_DATA_HOME:-$HOME/.local/share}/korin"
    if korin_runs_32bit; then
        export WINEPREFIX="$data/wineprefix"
        KORIN_USER_BUILD_WHY="this machine runs 32-bit programs: the 32-bit korin.exe"
        korin_use_arch win32
    else
        export WINEPREFIX="$data/wineprefix64"
        KORIN_USER_BUILD_WHY="the 64-bit korin.exe, since $KORIN_NO_32BIT"
        korin_use_arch win64
    fi
}

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes code page 932 from this locale. A shell that read the locale
# archive before set-up generated the locale cannot switch to it itself and
# would warn; the programs it starts read the archive afresh, so that warning
# is kept quiet and only a locale that is really missing is reported.
# The user's language for messages, kept before the line below replaces it
# (and kept once: the scripts this one starts source it again).
export KORIN_USER_MESSAGES=${KORIN_USER_MESSAGES:-${LC_ALL:-${LC_MESSAGES:-${LANG:-C}}}}
export LC_ALL=ja_JP.UTF-8 2>/dev/null
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "korin: the ja_JP.UTF-8 locale is missing; Japanese texts will not show (bash scripts/setup.sh makes it)" >&2
fi

korin_fail() {
    echo "korin: $*" >&2
    return 1
}

# Starts Xvfb on the first free display number from FIRST (default 90) to
# 150; sets DISPLAY and KORIN_XVFB_PID. Scripts that start two at once give
# each its own FIRST, so that they never race for one number.
korin_start_xvfb() {
    local n
    for n in $(seq "${1:-90}" 150); do
        [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        KORIN_XVFB_PID=$!
        local waited=0
        while [ $waited -lt 100 ]; do
            if [ -e "/tmp/.X11-unix/X${n}" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$KORIN_XVFB_PID" 2>/dev/null || break
            sleep 0.1
            waited=$((waited + 1))
        done
        kill "$KORIN_XVFB_PID" 2>/dev/null
        KORIN_XVFB_PID=
    done
    korin_fail "could not start Xvfb on any display from :${1:-90} to :150"
}

# What korin_init_prefix writes into a prefix; a prefix whose ready marker
# holds another value is brought up to date, keeping its registry and files.
KORIN_PREFIX_VERSION="korin prefix 2: Konatu Tohaba for the header view, Ume Gothic for the rest"

# The font settings of a prefix, new or older. At the program's sizes (12
# pixels in the header view, 9 points in dialogs and menus, bold in captions)
# the IPA fonts leave "_" blank and draw "~", "^" and "`" as a flat line.
# These draw every printable ASCII character and half-width kana inside its
# cell, with digits and kana as narrow as before (the panel's fields and the
# dialog labels keep their fit): for the header view, Konatu Tohaba, whose
# glyphs all differ; for the dialogs and Wine's UI font ("MS Shell Dlg",
# which the Japanese locale substitutes with "MS UI Gothic"), Ume Gothic,
# which keeps a clear row above a mnemonic's underline where Konatu's glyphs
# touch it (its "~" is flat at 9 points, wavy in the bold caption).
korin_prefix_fonts() {
    local key='HKCU\Software\Wine\Fonts\Replacements' face
    timeout 60 "$KORIN_WINE" reg add "$key" /v "ＭＳ ゴシック" /d "Konatu Tohaba" /f >/dev/null 2>&1 || return 1
    for face in "ＭＳ Ｐゴシック" "MS UI Gothic"; do
        timeout 60 "$KORIN_WINE" reg add "$key" /v "$face" /d "Ume Gothic" /f >/dev/null 2>&1 || return 1
    done
    # This Wine does not load the fonts of its own data folder; without
    # Marlett the caption buttons show letters instead of their symbols.
    local marlett
    for marlett in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
        if [ -f "$marlett" ]; then
            cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/" || true
            break
        fi
    done
}

# Makes the prefix at $WINEPREFIX unless it is already there, with the fonts
# of korin_prefix_fonts, and (unless the argument is "no-desktop") every
# program in one virtual desktop: it draws window frames, and without a window
# manager plain X windows make each hide wait two seconds for a withdrawal that
# never comes. A prefix that is used both on a real display and on Xvfb takes
# "no-desktop" and asks for the desktop when it starts a program (wine explorer
# /desktop=...). A prefix made by an older version gets the current fonts.
korin_init_prefix() {
    local desktop=${1:-desktop}
    [ -n "${WINEPREFIX:-}" ] || korin_fail "WINEPREFIX is not set" || return 1
    local ready="$WINEPREFIX/.korin-ready"
    if [ -f "$ready" ]; then
        [ "$(cat "$ready" 2>/dev/null)" = "$KORIN_PREFIX_VERSION" ] && return 0
        korin_prefix_fonts && timeout 60 wineserver -w ||
            { korin_fail "could not bring the prefix $WINEPREFIX up to date"; return 1; }
        printf '%s\n' "$KORIN_PREFIX_VERSION" >"$ready"
        return 0
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    if ! timeout 180 "$KORIN_WINE" wineboot -i >/dev/null 2>&1; then
        korin_fail "wineboot could not make the prefix $WINEPREFIX (timed out or failed)"
        return 1
    fi
    timeout 60 wineserver -w
    korin_prefix_fonts &&
    if [ "$desktop" != no-desktop ]; then
        timeout 60 "$KORIN_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
        timeout 60 "$KORIN_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    fi ||
        { korin_fail "could not set up the prefix $WINEPREFIX"; return 1; }
    timeout 60 wineserver -w
    printf '%s\n' "$KORIN_PREFIX_VERSION" >"$ready"
}

# Turns Wine's virtual desktop on or off in the prefix. The desktop is made
# by the first Wine process, so a change needs the Wine server to be down
# before Korin starts; nothing is done when the prefix is already right.
korin_virtual_desktop() {
    local now=off
    grep -qx '"Desktop"="Default"' "$WINEPREFIX/user.reg" 2>/dev/null && now=on
    [ "$now" = "$1" ] && return 0
    local key='HKCU\Software\Wine\Explorer'
    if [ "$1" = on ]; then
        timeout 60 "$KORIN_WINE" reg add "$key" /v Desktop /d Default /f >/dev/null 2>&1 &&
        timeout 60 "$KORIN_WINE" reg add "$key\Desktops" /v Default /d 1280x1024 /f >/dev/null 2>&1
    else
        timeout 60 "$KORIN_WINE" reg delete "$key" /v Desktop /f >/dev/null 2>&1
    fi || return 1
    timeout 60 wineserver -w
}

# Ends the Wine server of this prefix and the Xvfb this script started.
korin_stop_wine() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        timeout 30 wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "${KORIN_XVFB_PID:-}" ]; then
        kill "$KORIN_XVFB_PID" 2>/dev/null || true
        wait "$KORIN_XVFB_PID" 2>/dev/null || true
        KORIN_XVFB_PID=
    fi
}

# Korin as a user starts it: code page 932 for Japanese file names and the
# user's language (or the one given) for its interface. This Wine takes the
# ANSI code page from LC_CTYPE and the user's UI language
# (GetUserDefaultUILanguage) from LC_MESSAGES; LANGUAGE it ignores. When any
# category names a locale that is not generated, the UI language falls back
# to English (en-US) whatever LC_MESSAGES says, so LANG is set to the
# Japanese locale, which set-up generates; a C locale for messages follows
# LC_CTYPE into Japanese, so C and POSIX count as English.
korin_user_locale() {
    local messages=${1:-$KORIN_USER_MESSAGES}
    case "$messages" in
        ""|C|C.*|POSIX) messages=en_US.UTF-8 ;;
    esac
    unset LC_ALL LC_NUMERIC LC_TIME LC_COLLATE LC_MONETARY LC_PAPER LC_NAME LC_ADDRESS LC_TELEPHONE \
        LC_MEASUREMENT LC_IDENTIFICATION
    export LANG=ja_JP.UTF-8
    export LC_CTYPE=ja_JP.UTF-8
    # A name this machine has not generated is still what Wine reads; the
    # shell's own warning about it is kept quiet.
    export LC_MESSAGES=$messages 2>/dev/null
}
