#!/usr/bin/env bash
# Installs the Debian packages Tavrin needs, only those that are missing, so a
# second run costs a second. Usage: scripts/deps.sh GROUP...
# (run, core, qt, package, artwork, win32, all)
set -euo pipefail

declare -A groups=(
    # Only what building the release preset's editor and running it need.
    [run]="cmake ninja-build g++ qt6-base-dev fonts-dejavu-core xdg-utils"
    # genisoimage, libcdio-utils (iso-info) and bchunk make and check the disc images of the tests.
    [core]="cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev libpng-dev clang libclang-rt-14-dev clang-format python3 git genisoimage libcdio-utils bchunk"
    # The Debian package: its man pages and dependencies, and the checks of it
    # (a scratch Debian 12 root to install it into).
    [package]="libcli11-dev help2man dpkg-dev file lintian appstream desktop-file-utils debootstrap"
    [qt]="qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth fonts-dejavu-core xdg-utils"
    [artwork]="imagemagick fonts-dejavu-core"
    # The Windows builds (MinGW-w64, 32-bit and 64-bit) and their tests under
    # Wine (32-bit where the machine runs 32-bit programs, else 64-bit) on a
    # virtual display, driven with xdotool and checked on ImageMagick screenshots.
    [win32]="g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine32:i386 wine64 fonts-wine xvfb xdotool imagemagick python3"
)

wanted=()
for group in "${@:-all}"; do
    if [[ $group == all ]]; then
        for g in "${!groups[@]}"; do wanted+=(${groups[$g]}); done
    else
        wanted+=(${groups[$group]})
    fi
done

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "Installing: ${missing[*]}"
# wine32 is an i386 package: the architecture must be known before the update.
if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
