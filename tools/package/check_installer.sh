#!/usr/bin/env bash
# Checks one Windows installer under Wine, in a scratch prefix of its own, as
# an administrator would use it: a silent install (the files, the licence
# among them, in the program folder of the build's own width, the Start-menu shortcut, the uninstall
# entry, the installed korin-cli.exe and korin.exe start), then the entry's
# quiet uninstall, which keeps the settings korin.exe made, then an install
# and an uninstall with /REMOVESETTINGS, which removes them. Each uninstall
# must leave the prefix's files and Korin's registry keys as they were.
#
#     check_installer.sh SETUP.exe win32|win64 VERSION SCRATCH_FOLDER
set -uo pipefail
setup=$(realpath "$1") arch=$2 version=$3 scratch=$(realpath -m "$4")
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env.sh"

fail() {
    echo "check_installer ($arch): $*" >&2
    exit 1
}

korin_use_arch "$arch" || fail "no Wine for $arch"
export WINEPREFIX="$scratch/prefix"
# Wine would mirror the shortcut into the user's own application menu.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap korin_stop_wine EXIT
rm -rf "$scratch" && mkdir -p "$scratch" || fail "could not make $scratch"
korin_start_xvfb && korin_init_prefix no-desktop || fail "could not prepare a Wine prefix"

drive="$WINEPREFIX/drive_c"
folder="$drive/Program Files/Korin"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Korin.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korin'
settings_key='HKLM\Software\Brindlemoor\Korin'

wine_run() { timeout 120 "$KORIN_WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The Wine server ends once every program of the prefix has (the uninstaller
# finishes in a copy of itself), and writes the registry files then.
settle() { timeout 120 wineserver -w || fail "Wine did not settle after $1"; }

# Every file and folder outside Windows' own folder and the temporary ones.
files() {
    (cd "$drive" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -printf '%p %s\n' | sort)
}
# Every registry key that names Korin or its maker, in both views.
keys() {
    cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
        sed -n 's/^\[\([^]]*\)\].*/\1/p' | grep -i -e korin -e brindlemoor | sort
}
value() {
    wine_run reg query "$uninstall_key" /v "$1" | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

settle "making the prefix"
files_before=$(files)
keys_before=$(keys)
[ -z "$keys_before" ] || fail "the fresh prefix already has Korin's keys: $keys_before"

install() {
    timeout 120 "$KORIN_WINE" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the silent install failed"
    settle "the install"
}
uninstall() {
    local quiet program switches
    quiet=$(value QuietUninstallString)
    program=$(printf '%s' "$quiet" | sed -n 's/^"\([^"]*\)".*/\1/p')
    switches=$(printf '%s' "$quiet" | sed 's/^"[^"]*" *//')
    [ -n "$program" ] || fail "no quiet uninstall command: '$quiet'"
    # shellcheck disable=SC2086 # the entry's switches, split as Windows would
    timeout 120 "$KORIN_WINE" "$program" $switches "$@" </dev/null >/dev/null 2>&1 ||
        fail "'$quiet $*' failed"
    settle "the uninstall"
    [ "$(files)" = "$files_before" ] ||
        fail "'$quiet $*' left files: $(diff <(echo "$files_before") <(files) | grep '^>' | head -5)"
}

install
for f in korin.exe korin-cli.exe README.txt LICENSE.txt uninstall.exe; do
    [ -s "$folder/$f" ] || fail "the install lacks $folder/$f"
done
tr -d '\r' <"$folder/LICENSE.txt" | cmp -s - "$root/LICENSE" || fail "the installed LICENSE.txt is not the licence"
cmp -s "$folder/korin.exe" "$root/build/$arch/korin.exe" || fail "the installed korin.exe is not the $arch build's"
[ ! -e "$drive/Program Files (x86)/Korin" ] || fail "the 64-bit build went into Program Files (x86)"
grep -aq 'Program Files\\Korin\\korin.exe' "$shortcut" 2>/dev/null || fail "no Start-menu shortcut to korin.exe at $shortcut"

win_folder='C:\Program Files\Korin'
[ "$(value DisplayName)" = Korin ] || fail "DisplayName is '$(value DisplayName)'"
[ "$(value DisplayVersion)" = "$version" ] || fail "DisplayVersion is '$(value DisplayVersion)'"
[ "$(value Publisher)" = Brindlemoor ] || fail "Publisher is '$(value Publisher)'"
[ "$(value DisplayIcon)" = "$win_folder\\korin.exe,0" ] || fail "DisplayIcon is '$(value DisplayIcon)'"
[ "$(value UninstallString)" = "\"$win_folder\\uninstall.exe\"" ] || fail "UninstallString is '$(value UninstallString)'"
[ "$(value QuietUninstallString)" = "\"$win_folder\\uninstall.exe\" /S" ] ||
    fail "QuietUninstallString is '$(value QuietUninstallString)'"
size_kb=$(( $(value EstimatedSize) ))
on_disk_kb=$(( $(cat "$folder"/* | wc -c) / 1024 ))
[ "$size_kb" -ge "$on_disk_kb" ] && [ "$size_kb" -le $((on_disk_kb + 4)) ] ||
    fail "EstimatedSize is $size_kb KB for $on_disk_kb KB of files"
if [ "$arch" = win64 ]; then
    wine_run reg query "$uninstall_key" /reg:32 | grep -q DisplayName &&
        fail "the 64-bit build's uninstall entry is in the 32-bit registry view"
fi

said=$(wine_run "$folder/korin-cli.exe" --version)
[ "$said" = "korin-cli $version" ] || fail "the installed korin-cli.exe --version said '$said'"

# korin.exe makes its settings key as it starts; it is then stopped.
"$KORIN_WINE" "$folder/korin.exe" </dev/null >/dev/null 2>&1 &
korin=$!
for _ in $(seq 100); do
    wine_run reg query "$settings_key" >/dev/null && break
    sleep 0.3
done
kill "$korin" 2>/dev/null
timeout 30 wineserver -k >/dev/null 2>&1
settle "stopping korin.exe"
keys_with_settings=$(keys | grep -iv 'CurrentVersion\\\\Uninstall')
[ -n "$keys_with_settings" ] || fail "korin.exe made no settings key"

uninstall
[ "$(keys)" = "$keys_with_settings" ] ||
    fail "the quiet uninstall should keep exactly the settings; Korin's keys are: $(keys)"

install
uninstall /REMOVESETTINGS
[ "$(keys)" = "$keys_before" ] || fail "/REMOVESETTINGS left keys: $(keys)"
echo "check_installer ($arch): installed, started korin-cli ($said) and korin.exe, uninstalled cleanly, settings kept and removed on request"
