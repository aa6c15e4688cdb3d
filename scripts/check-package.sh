#!/usr/bin/env bash
# Checks the Debian package: lintian reports no errors, the AppStream metainfo,
# the desktop entry and the MIME types validate, and the package installs with
# its computed dependencies into a scratch Debian 12 root (made once with
# debootstrap and kept in build/package-root), where both programs answer
# --version. Usage: scripts/check-package.sh tavrin_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
cd "$(dirname "$0")/.."

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT

echo "-- lintian"
status=0
lintian --fail-on error "$deb" >"$contents.lintian" 2>&1 || status=$?
grep -v 'running with root privileges' "$contents.lintian" || true
rm -f "$contents.lintian"
[[ $status -eq 0 ]] || { echo "lintian found errors in $deb" >&2; exit 1; }
dpkg-deb -x "$deb" "$contents"
echo "-- appstreamcli, desktop-file-validate, the MIME types"
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$contents/usr/share/applications/tavrin.desktop"
mkdir -p "$contents/mime/packages"
cp "$contents/usr/share/mime/packages/tavrin.xml" "$contents/mime/packages/"
update-mime-database "$contents/mime" >/dev/null 2>&1
grep -qx 'application/x-kickvale-clut:\*.clut' "$contents/mime/globs"
grep -q 'image/x-tim' "$contents/mime/magic"

# The scratch root: a minimal Debian 12 from the mirror apt uses here.
root=build/package-root
if [[ ! -x $root/usr/bin/apt-get ]]; then
    echo "-- debootstrap (once; kept in $root)"
    mirror=$(grep -rhoE '(http|https)://[^ ]*debian(/)?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null |
        grep -v security | head -n 1 | tr -d ' ' || true)
    $sudo rm -rf "$root.partial"
    $sudo debootstrap --variant=minbase bookworm "$root.partial" "${mirror:-http://deb.debian.org/debian}" >/dev/null
    $sudo mv "$root.partial" "$root"
fi
$sudo cp /etc/resolv.conf "$root/etc/resolv.conf"
apt-config dump | grep -i '::proxy' | $sudo tee "$root/etc/apt/apt.conf.d/01proxy" >/dev/null || true
$sudo cp "$deb" "$root/tmp/tavrin.deb"
echo "-- install into $root"
if ! $sudo chroot "$root" sh -c 'apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends /tmp/tavrin.deb' \
    >"$contents/install.log" 2>&1; then
    cat "$contents/install.log"
    echo "the package did not install into $root" >&2
    exit 1
fi
$sudo chroot "$root" tavrin-cli --version
$sudo chroot "$root" tavrin --version
$sudo chroot "$root" dpkg -s tavrin | grep -E '^(Status|Depends):'
