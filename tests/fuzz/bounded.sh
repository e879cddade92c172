#!/bin/sh
# Runs one fuzzer for a fixed number of inputs with a fixed seed, starting
# from the given seed folders. New inputs go to a scratch folder that is
# made afresh each time, never into the checked-in seeds.
# Usage: bounded.sh FUZZER RUNS WORK SEEDS...
set -eu
fuzzer=$1
runs=$2
work=$3
shift 3

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
for folder do
    shift
    if [ -d "$folder" ]; then
        set -- "$@" "$folder"
    fi
done
exec "$fuzzer" -runs="$runs" -seed=1 -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" "$@"
