#!/bin/sh
# Runs the fuzz targets long, one after the other (one core): RUNS inputs
# each, 10 million unless given. Each target grows its own corpus under
# WORK/<target>/corpus from its seeds and the crash corpus, keeps crashing
# inputs in WORK/<target>/artifacts, and ends with one summary line here.
# Usage: tools/fuzz-long.sh [RUNS [TARGET...]]
#   FUZZ_BIN   folder of the fuzzers (default build/fuzz/bin, made by ./test)
#   FUZZ_WORK  working folder (default build/fuzz/long)
set -eu
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${FUZZ_BIN:-$here/build/fuzz/bin}"
work="${FUZZ_WORK:-$here/build/fuzz/long}"
runs="${1:-10000000}"
[ $# -gt 0 ] && shift
if [ $# -eq 0 ]; then
    for fuzzer in "$bin"/fuzz_*; do
        [ -x "$fuzzer" ] && set -- "$@" "${fuzzer##*/fuzz_}"
    done
fi
if [ $# -eq 0 ]; then
    echo "fuzz-long: no fuzzers in $bin; run ./test first" >&2
    exit 1
fi

failed=0
for target do
    dir="$work/$target"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    set -- "$dir/corpus"
    for seeds in "$here/tests/fuzz/corpus/$target" "$here/tests/data/crashers/$target"; do
        [ -d "$seeds" ] && set -- "$@" "$seeds"
    done
    started=$(date +%s)
    status=0
    "$bin/fuzz_$target" -runs="$runs" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$@" >"$dir/log" 2>&1 || status=$?
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
    findings=$(find "$dir/artifacts" -type f | wc -l)
    echo "$target: ${executed:-?} executions in $(($(date +%s) - started)) s," \
        "exit $status, $findings finding(s) in $dir/artifacts"
    [ "$status" -eq 0 ] || failed=1
done
exit "$failed"
