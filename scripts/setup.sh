#!/usr/bin/env bash
# Installs what building and testing Korin needs on Debian 12, as root.
# Safe to run again: it installs only what is missing.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(cmake ninja-build g++ libgtest-dev googletest
          g++-mingw-w64-i686 mingw-w64-i686-dev
          g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
          wine wine32:i386 wine64 fonts-wine xvfb xauth x11-apps locales
          fonts-ipafont-gothic fonts-konatu fonts-horai-umefont desktop-file-utils
          clang libclang-rt-14-dev
          libbenchmark-dev python3-pil time
          zlib1g-dev libz-mingw-w64-dev pngcheck python3-png
          nsis lintian dpkg-dev man-db groff-base strace)

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: not root; assuming the packages are installed" >&2
    exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # A mirror caught mid-sync fails one index now and then: the lists are
    # fetched again, and the install is what decides whether set-up failed.
    installed=0
    for attempt in 1 2 3; do
        timeout 900 apt-get update -qq || echo "setup: package lists incomplete (attempt $attempt)" >&2
        if timeout 1800 apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null; then
            installed=1
            break
        fi
        # The i386 lists can lag the amd64 ones (an index the mirror failed
        # to serve): the shared libraries are then taken at the versions both have.
        if pins=$(python3 "$(dirname "$0")/apt-match-arches.py" "${need[@]}") && [ -n "$pins" ]; then
            echo "setup: the i386 lists lag; taking $(wc -w <<<"$pins") libraries at the versions both architectures have" >&2
            # shellcheck disable=SC2086
            if timeout 1800 apt-get install -y -qq --no-install-recommends "${need[@]}" $pins >/dev/null; then
                installed=1
                break
            fi
        fi
        echo "setup: install failed (attempt $attempt of 3)" >&2
        sleep $((attempt * 20))
    done
    [ $installed -eq 1 ] || { echo "setup: could not install ${need[*]}" >&2; exit 1; }
fi

# Wine runs the program with code page 932 through this locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
echo "setup: done"
