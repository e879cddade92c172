#!/bin/sh
# Installs what building and testing Pelcor needs, and nothing that is already there.
# Safe to run again and again: it asks apt only for the packages that are missing.
set -eu

PACKAGES="cmake g++ make qt6-base-dev libqscintilla2-qt6-dev qt6-translations-l10n fonts-ipafont-gothic \
libgtest-dev binutils srecord python3-intelhex xxd bsdextrautils clang libclang-rt-14-dev \
xvfb xauth imagemagick"

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
