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
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $PKGS >/dev/null
