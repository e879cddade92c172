#!/bin/sh
# Times the kestrun command, with Pelcor's default settings, against the
# peers on the same files in one run (conversions; merge and crc-32 too) and
# prints one table: best wall time
# of three runs (by default), throughput over the binary image's size, peak
# memory, speed relative to the fastest peer, and for hex2bin, bin2hex and
# dump kestrun's time over the machine's: reading the same input with cat
# and writing a file of the output's size in the same folder.
#
#     tools/bench/run.sh [BUILD_DIR [WORK_DIR]]
#
# BUILD_DIR (default build/) must hold a built bin/kestrun, bench/bin/bench_image
# and bench/bin/bench_measure. WORK_DIR needs about 4 GB; by default it is a fresh
# folder on disk under /var/tmp, removed afterwards: a user's files live on
# a disk, and tmpfs would hide what writing and fresh memory cost there.
# KESTRUN_BENCH_SIZES lists the image sizes in MiB (default "16 64 256"),
# KESTRUN_BENCH_RUNS the runs of which the best counts (default 3; more on
# a busy machine), KESTRUN_BENCH_CONVERSIONS the conversions timed (default
# "hex2bin bin2hex dump hex2srec srec2bin patch"; hex2srec and srec2bin are
# kestrun convert, patch sets 16 bytes in the HEX text against cat copying
# it).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
bin=$build/bin
bench=$build/bench/bin
sizes=${KESTRUN_BENCH_SIZES:-"16 64 256"}
runs=${KESTRUN_BENCH_RUNS:-3}
conversions=${KESTRUN_BENCH_CONVERSIONS:-"hex2bin bin2hex dump hex2srec srec2bin patch"}
if [ $# -ge 2 ]; then
    work=$2
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/var/tmp}/kestrun-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
results=$work/results.txt
: >"$results"
: >"$work/sizes.txt"

die() {
    echo "run.sh: $*" >&2
    exit 1
}

for tool in objcopy srec_cat xxd hexdump cmp; do
    command -v "$tool" >/dev/null || die "$tool is missing (tools/setup.sh test installs it)"
done
for program in "$bin/kestrun" "$bench/bench_image" "$bench/bench_measure"; do
    [ -x "$program" ] || die "$program is missing: build the project first"
done

# time_it IMAGE CONVERSION TOOL OUT COMMAND... : one timed run into $results.
# OUT is removed first so that no run replaces a file in place. The callers
# take turns between the tools in every round, so that load from elsewhere
# on the machine hits all of them alike; the table keeps each one's best.
# POSIX sh has no local variables, hence the t_ prefix.
time_it() {
    t_label="$1 $2 $3" t_out=$4
    shift 4
    rm -f "$t_out"
    t_line=$("$bench/bench_measure" "$@") || die "failed: $t_label"
    echo "$t_label $t_line" >>"$results"
}

# machine NAME CONVERSION IN OUT_SIZE: what this machine needs to move the
# same bytes, timed as the tools are: reading IN with cat and writing a
# file of OUT_SIZE bytes in the same folder.
machine() {
    time_it "$1" "$2" machine "$work/machine.out" \
        sh -c 'cat "$1" >/dev/null &&
            dd if=/dev/zero of="$3" bs=1M count="$2" iflag=count_bytes status=none' machine \
        "$3" "$4" "$work/machine.out"
}

same() {
    cmp -s "$1" "$2" || die "$3: $1 and $2 differ"
}

bench_hex2bin() {
    name=$1 hex=$work/$1.hex out=$work/out.bin
    for round in $(seq "$runs"); do
        time_it "$name" hex2bin kestrun "$out.ours" \
            "$bin/kestrun" hex2bin "$hex" -o "$out.ours"
        time_it "$name" hex2bin objcopy "$out.objcopy" \
            objcopy -I ihex -O binary "$hex" "$out.objcopy"
        time_it "$name" hex2bin srec_cat "$out.srec" \
            srec_cat "$hex" -intel -o "$out.srec" -binary
        machine "$name" hex2bin "$hex" "$(wc -c <"$work/$name.bin")"
    done
    same "$out.ours" "$work/$name.bin" "hex2bin"
    same "$out.objcopy" "$work/$name.bin" "objcopy"
    rm -f "$out.ours" "$out.objcopy" "$out.srec"
}

bench_bin2hex() {
    name=$1 image=$work/$1.bin out=$work/out.hex
    "$bin/kestrun" bin2hex "$image" -o "$out.ours"
    out_size=$(wc -c <"$out.ours")
    for round in $(seq "$runs"); do
        machine "$name" bin2hex "$image" "$out_size"
        time_it "$name" bin2hex kestrun "$out.ours" \
            "$bin/kestrun" bin2hex "$image" -o "$out.ours"
        time_it "$name" bin2hex srec_cat "$out.srec" \
            srec_cat "$image" -binary -o "$out.srec" -intel -obs=32 -crlf
        time_it "$name" bin2hex objcopy "$out.objcopy" \
            objcopy -I binary -O ihex "$image" "$out.objcopy"
    done
    objcopy -I ihex -O binary "$out.ours" "$work/check.bin"
    same "$work/check.bin" "$image" "bin2hex read back by objcopy"
    rm -f "$out.ours" "$out.srec" "$out.objcopy" "$work/check.bin"
}

bench_dump() {
    name=$1 image=$work/$1.bin out=$work/out.txt
    "$bin/kestrun" dump "$image" -o "$out.ours"
    out_size=$(wc -c <"$out.ours")
    for round in $(seq "$runs"); do
        machine "$name" dump "$image" "$out_size"
        time_it "$name" dump kestrun "$out.ours" \
            "$bin/kestrun" dump "$image" -o "$out.ours"
        time_it "$name" dump xxd "$out.xxd" xxd "$image" "$out.xxd"
        time_it "$name" dump hexdump-C "$out.hexdump" \
            -o "$out.hexdump" hexdump -C "$image"
    done
    # The report: nine lines of header and heading, then 81 bytes a line.
    lines=$(($(wc -c <"$image") / 16))
    [ "$(wc -l <"$out.ours")" -eq $((lines + 9)) ] || die "dump of $name has the wrong length"
    [ "$(tail -n "$lines" "$out.ours" | wc -c)" -eq $((lines * 81)) ] ||
        die "dump of $name has the wrong size"
    rm -f "$out.ours" "$out.xxd" "$out.hexdump"
}

bench_hex2srec() {
    name=$1 hex=$work/$1.hex out=$work/out.srec
    for round in $(seq "$runs"); do
        time_it "$name" hex2srec kestrun "$out.ours" \
            "$bin/kestrun" convert "$hex" --to srec -o "$out.ours"
        time_it "$name" hex2srec objcopy "$out.objcopy" \
            objcopy -I ihex -O srec "$hex" "$out.objcopy"
        time_it "$name" hex2srec srec_cat "$out.srec" \
            srec_cat "$hex" -intel -o "$out.srec" -motorola
    done
    objcopy -I srec -O binary "$out.ours" "$work/check.bin"
    same "$work/check.bin" "$work/$name.bin" "convert to S-records read back by objcopy"
    rm -f "$out.ours" "$out.objcopy" "$out.srec" "$work/check.bin"
}

bench_srec2bin() {
    name=$1 srec=$work/$1.srec out=$work/out.bin
    objcopy -I binary -O srec "$work/$name.bin" "$srec"
    for round in $(seq "$runs"); do
        time_it "$name" srec2bin kestrun "$out.ours" \
            "$bin/kestrun" convert "$srec" --to bin -o "$out.ours"
        time_it "$name" srec2bin objcopy "$out.objcopy" \
            objcopy -I srec -O binary "$srec" "$out.objcopy"
        time_it "$name" srec2bin srec_cat "$out.srec" \
            srec_cat "$srec" -o "$out.srec" -binary
    done
    same "$out.ours" "$work/$name.bin" "convert from S-records"
    same "$out.objcopy" "$work/$name.bin" "objcopy from S-records"
    rm -f "$out.ours" "$out.objcopy" "$out.srec" "$srec"
}

# kestrun patch of 16 bytes in the middle of the HEX text, across two
# records, against cat of that text into a file in the same folder: the
# output is the input copied with those records changed. The reference is
# the text with the same records changed by Python alone.
bench_patch() {
    name=$1 hex=$work/$1.hex out=$work/out.hex
    address=$(printf '%08X' $(($(wc -c <"$work/$name.bin") / 2 + 0x1238)))
    bytes=00112233445566778899AABBCCDDEEFF
    python3 - "$hex" "$out.expected" "$address" "$bytes" <<'EOF'
import sys
at, data = int(sys.argv[3], 16), bytes.fromhex(sys.argv[4])
base = 0
with open(sys.argv[1], 'rb') as text, open(sys.argv[2], 'wb') as out:
    for line in text:
        body = line.rstrip(b'\r\n')
        if body[7:9] == b'04':
            base = int(body[9:13], 16) << 16
        elif body[7:9] == b'00':
            low, count = base + int(body[3:7], 16), int(body[1:3], 16)
            if low < at + len(data) and at < low + count:
                record = bytearray.fromhex(body[1:-2].decode())
                for i in range(max(at, low), min(at + len(data), low + count)):
                    record[4 + i - low] = data[i - at]
                record.append(-sum(record) & 0xFF)
                line = b':' + record.hex().upper().encode() + line[len(body):]
        out.write(line)
EOF
    for round in $(seq "$runs"); do
        time_it "$name" patch cat "$out.cat" -o "$out.cat" cat "$hex"
        time_it "$name" patch kestrun "$out.ours" \
            "$bin/kestrun" patch "$hex" --set "$address=$bytes" -o "$out.ours"
    done
    same "$out.ours" "$out.expected" "patch"
    same "$out.cat" "$hex" "cat"
    rm -f "$out.ours" "$out.cat" "$out.expected"
}

for size in $sizes; do
    for kind in random firmware; do
        name=$kind-${size}MiB
        echo "run.sh: $name" >&2
        "$bench/bench_image" "$kind" "$size" "$work/$name.bin"
        objcopy -I binary -O ihex "$work/$name.bin" "$work/$name.hex"
        for conversion in $conversions; do
            "bench_$conversion" "$name"
        done
        rm -f "$work/$name.hex"
        echo "$name $(wc -c <"$work/$name.bin")" >>"$work/sizes.txt"
        rm -f "$work/$name.bin"
    done
done

# Merge of two 32 MiB HEX files (one above the other) against srec_cat, and
# crc-32 of a 64 MiB image against Python's zlib, each as a whole process.
bench_jobs() {
    echo "run.sh: merge and crc" >&2
    "$bench/bench_image" random 32 "$work/lower.bin"
    "$bench/bench_image" firmware 32 "$work/upper.bin"
    objcopy -I binary -O ihex "$work/lower.bin" "$work/lower.hex"
    objcopy -I binary -O ihex --change-addresses 0x02000000 "$work/upper.bin" "$work/upper.hex"
    cat "$work/lower.bin" "$work/upper.bin" >"$work/both.bin"
    out=$work/merged.hex
    for round in $(seq "$runs"); do
        time_it merge-2x32MiB merge kestrun "$out.ours" \
            "$bin/kestrun" merge "$work/lower.hex" "$work/upper.hex" -o "$out.ours"
        time_it merge-2x32MiB merge srec_cat "$out.srec" \
            srec_cat "$work/lower.hex" -intel "$work/upper.hex" -intel -o "$out.srec" -intel
    done
    for merged in "$out.ours" "$out.srec"; do
        objcopy -I ihex -O binary "$merged" "$work/check.bin"
        same "$work/check.bin" "$work/both.bin" "merge read back by objcopy"
    done
    echo "merge-2x32MiB $(wc -c <"$work/both.bin")" >>"$work/sizes.txt"
    rm -f "$work/lower.hex" "$work/upper.hex" "$work/lower.bin" "$work/upper.bin" \
        "$out.ours" "$out.srec" "$work/check.bin"
    sum=$work/crc.txt
    for round in $(seq "$runs"); do
        time_it crc-64MiB crc-32 kestrun "$sum.ours" \
            -o "$sum.ours" "$bin/kestrun" crc "$work/both.bin"
        time_it crc-64MiB crc-32 python-zlib "$sum.zlib" \
            -o "$sum.zlib" python3 -c \
            "import sys, zlib; print('%08X' % zlib.crc32(open(sys.argv[1], 'rb').read()))" \
            "$work/both.bin"
    done
    same "$sum.ours" "$sum.zlib" "crc-32"
    echo "crc-64MiB $(wc -c <"$work/both.bin")" >>"$work/sizes.txt"
    rm -f "$work/both.bin" "$sum.ours" "$sum.zlib"
}
bench_jobs

awk -v sizes="$work/sizes.txt" '
    BEGIN {
        while ((getline line < sizes) > 0) { split(line, f, " "); bytes[f[1]] = f[2] }
        printf "%-16s %-8s %-10s %9s %9s %10s %9s %10s\n", "image", "convert", "tool",
               "seconds", "MB/s", "peak MiB", "vs peer", "/ machine"
    }
    {
        row = $1 " " $2 " " $3; key = $1 " " $2
        if (!(row in best)) { order[++n] = row; best[row] = $4; peak[row] = $5 }
        if ($4 < best[row]) best[row] = $4
        if ($5 > peak[row]) peak[row] = $5
        if ($3 != "kestrun" && $3 != "machine" && (!(key in peer) || $4 < peer[key])) peer[key] = $4
        if ($3 == "machine" && (!(key in floor) || $4 < floor[key])) floor[key] = $4
    }
    END {
        for (i = 1; i <= n; i++) {
            row = order[i]; split(row, f, " "); key = f[1] " " f[2]
            printf "%-16s %-8s %-10s %9.3f %9.1f %10.1f %8.2fx", f[1], f[2], f[3], best[row],
                   bytes[f[1]] / 1e6 / best[row], peak[row] / 1024, peer[key] / best[row]
            # the time of kestrun over that of the machine for the same bytes
            if (f[3] == "kestrun" && (key in floor)) printf " %9.2fx", best[row] / floor[key]
            printf "\n"
        }
    }' "$results"
