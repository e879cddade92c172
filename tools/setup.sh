#!/bin/sh
# Installs what Pelcor needs, and nothing that is already there.
#
#   tools/setup.sh        what building and running needs (./run)
#   tools/setup.sh test   that, and the tools the tests use (./test)
#
# Safe to run again and again: it asks apt only for the packages that are missing.
set -eu

# Building and running: the compiler, Qt, QScintilla (the document view),
# Boost's headers (the CRC engine, built into Kestrun; nothing at run time),
# Qt's Japanese texts, lrelease for kestrun's message catalogue, a Japanese
# gothic font, libelf (ELF input), Qt SVG (the memory map's export) and
# libcrypto (the digests among Kestrun's checks).
RUN_PACKAGES="cmake g++ make qt6-base-dev libqscintilla2-qt6-dev qt6-translations-l10n qt6-l10n-tools \
libboost-dev fonts-ipafont-gothic libelf-dev qt6-svg-dev libssl-dev"

# Testing: GoogleTest; the peers the conversions are checked against
# (objcopy, srec_cat, Python's intelhex, xxd, hexdump); clang with
# libFuzzer for the fuzz targets; a virtual display, screenshots and keys
# sent from outside (the outside benchmark); the
# validators of the desktop files, MIME type and manual; the Debian
# package tools; and strace, which shows which outputs wait for the disk.
TEST_PACKAGES="libgtest-dev binutils srecord python3-intelhex xxd bsdextrautils clang libclang-rt-14-dev \
xvfb xauth imagemagick xdotool x11-apps desktop-file-utils appstream shared-mime-info dpkg-dev file strace"

case "${1:-run}" in
    run) PACKAGES="$RUN_PACKAGES" ;;
    test) PACKAGES="$RUN_PACKAGES $TEST_PACKAGES" ;;
    *) echo "usage: tools/setup.sh [run|test]" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    if [ "$(id -u)" -eq 0 ]; then
        SUDO=""
    elif command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        echo "setup: missing packages:$missing; run as root or install sudo" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
