#!/bin/sh
# Installs what the build, the programs and the tests need. Quick when all is there.
set -e
PKGS="g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 cmake make wine wine32:i386 fonts-wine xvfb imagemagick googletest xauth wixl msitools"
missing=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    missing="arch"
fi
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -z "$missing" ]; then
    exit 0
fi
echo "setup: installing:$missing"
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO=sudo; fi
LOG="${TMPDIR:-/tmp}/quorvela-setup.log"
: >"$LOG"
$SUDO dpkg --add-architecture i386
# A mirror in the middle of a sync serves an index of the wrong size for a while: try again
# after a pause, and go on with what was fetched when only some index still fails.
try=1
until $SUDO apt-get update -qq >>"$LOG" 2>&1; do
    if [ $try -ge 4 ]; then
        echo "setup: apt-get update failed $try times (see $LOG); trying the install with the indexes fetched"
        break
    fi
    sleep $((try * 10))
    try=$((try + 1))
done
# When an index of one architecture is missing, the other's halves of a multi-arch package
# can be newer than any of its own (wine32:i386 then cannot be installed): the second try
# takes every candidate from the release's own suite.
RELEASE="$(. /etc/os-release 2>/dev/null && echo "$VERSION_CODENAME")"
install() {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" $PKGS >>"$LOG" 2>&1
}
if ! install; then
    if [ -z "$RELEASE" ] || ! install -t "$RELEASE"; then
        echo "setup: could not install$missing (apt's output is in $LOG); when it names a mirror sync or broken packages, wait a few minutes and run this again" >&2
        exit 1
    fi
fi
