#!/bin/sh
# Configures (once) and builds the project into build/: the targets given
# (./run gives "shipping", what ships), or everything.
set -eu
here="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "$#" -gt 0 ]; then
    cmake --build "$here/build" -j "$(nproc)" --target "$@"
else
    cmake --build "$here/build" -j "$(nproc)"
fi
