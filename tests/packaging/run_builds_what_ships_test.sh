#!/bin/sh
# ./run builds what ships before the window appears, and nothing else: the
# targets it hands to tools/build.sh, dry-run from scratch in the build
# tree, compile and link only Kestrun, Pelcor and kestrun.
#
#   run_builds_what_ships_test.sh SOURCE_DIR BUILD_DIR
set -eu
source="$1" build="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ ! -f "$build/Makefile" ]; then
    echo "SKIP: the build tree was not made by the Makefile generator"
    exit 77
fi
targets=$(sed -n 's|^"$here/tools/build.sh" *||p' "$source/run")
[ -n "$targets" ] || fail "./run builds no named targets, so it builds everything"

# -B takes every step as out of date, -n only prints it.
plan="$(mktemp)"
trap 'rm -f "$plan"' EXIT
# shellcheck disable=SC2086
make -C "$build" -n -B $targets >"$plan" 2>&1 || fail "make -n $targets: $(tail -5 "$plan")"

for made in "library/CMakeFiles/Kestrun.dir" "app/CMakeFiles/Pelcor.dir" "cli/CMakeFiles/kestrun.dir"; do
    grep -q "$made" "$plan" || fail "./run does not build $made"
done
for unwanted in "$build/tests" "$build/tools/bench" "_test.dir" "_bench" "fuzz"; do
    if grep -q -- "$unwanted" "$plan"; then
        fail "./run also builds $unwanted: $(grep -m 3 -- "$unwanted" "$plan")"
    fi
done
echo "./run builds: $targets"
