#!/bin/sh
# Times two stamping jobs of the kestrun command against their peers in one
# run, on disk, and prints each one's best wall time of three, whole
# processes, and the ratio to the peer:
#   sha256   kestrun crc --algorithm sha256 of a 64 MiB binary image
#            against sha256sum of the same bytes;
#   serial   kestrun convert --serial --count 1000 of a 64 KiB HEX file
#            (read once, 1000 HEX files written) against 1000 cp's of it.
#
#     tools/bench/stamps.sh [BUILD_DIR [WORK_DIR]]
#
# WORK_DIR needs about 300 MB; by default a fresh folder under /var/tmp,
# removed afterwards.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
kestrun=${1:-$root/build}/bin/kestrun
if [ $# -ge 2 ]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/var/tmp}/kestrun-stamps.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

# The best of three wall times, in seconds, of the command line given.
best() {
    b=""
    for _ in 1 2 3; do
        s=$(date +%s.%N)
        "$@" >/dev/null
        e=$(date +%s.%N)
        b=$(echo "$s $e ${b:-}" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
    done
    echo "$b"
}

copies() {
    i=1
    while [ $i -le 1000 ]; do
        cp "$work/small.hex" "$work/cp/$i.hex"
        i=$((i + 1))
    done
}

serials() {
    rm -rf "$work/fw"
    mkdir "$work/fw"
    "$kestrun" convert "$work/small.hex" --serial 0xFFF0=1 --count 1000 -o "$work/fw/fw-%04u.hex"
}

head -c 67108864 /dev/urandom >"$work/image.bin"
head -c 65536 /dev/urandom >"$work/small.bin"
"$kestrun" bin2hex "$work/small.bin" -o "$work/small.hex"
mkdir -p "$work/cp"

[ "$("$kestrun" crc "$work/image.bin" --algorithm sha256 | tr A-F a-f)" = \
  "$(sha256sum "$work/image.bin" | cut -d' ' -f1)" ] || { echo "stamps: digests differ" >&2; exit 1; }

ours=$(best "$kestrun" crc "$work/image.bin" --algorithm sha256)
peer=$(best sha256sum "$work/image.bin")
printf '%-8s %-40s %8.3f s  %-22s %8.3f s  ratio %.2f\n' sha256 "kestrun crc --algorithm sha256 (64 MiB)" \
    "$ours" "sha256sum" "$peer" "$(echo "$ours $peer" | awk '{ print $1 / $2 }')"
ours=$(best serials)
peer=$(best copies)
printf '%-8s %-40s %8.3f s  %-22s %8.3f s  ratio %.2f\n' serial "kestrun convert --serial --count 1000" \
    "$ours" "1000 x cp (64 KiB HEX)" "$peer" "$(echo "$ours $peer" | awk '{ print $1 / $2 }')"
