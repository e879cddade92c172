#!/bin/sh
# The Debian package as cpack -G DEB makes it from this build: it depends
# on Qt through dpkg-shlibdeps, holds the desktop files, the manual and the
# completion, and the kestrun unpacked from it runs on the library it
# brings. The package is made in a folder of its own, so that the test
# never meets a package a user is making in the build tree.
#
#   deb_package_test.sh CPACK BUILD_DIR
set -eu
cpack="$1" build="$2"

for tool in dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (tools/setup.sh test installs it)"
        exit 77
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
set -- "$work/out"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single .deb: $*"
package="$1"

depends="$(dpkg-deb -f "$package" Depends)"
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc\\+\\+6; do
    echo "$depends" | grep -qE "(^|, )$library( |,|\$)" || fail "Depends lacks $library"
done
# Kestrun comes with the package; no other package is asked for it.
echo "$depends" | grep -qi kestrun && fail "Depends names Kestrun"
[ "$(dpkg-deb -f "$package" Package)" = pelcor ] || fail "the package is not named pelcor"

dpkg-deb -c "$package" >"$work/contents"
for file in /usr/bin/Pelcor /usr/bin/kestrun /libKestrun.so.2 \
    /usr/share/applications/dev.pelcor.Pelcor.desktop /usr/share/metainfo/dev.pelcor.Pelcor.metainfo.xml \
    /usr/share/mime/packages/dev.pelcor.Pelcor.xml /apps/dev.pelcor.Pelcor.svg \
    /usr/share/man/man1/kestrun.1 /usr/share/bash-completion/completions/kestrun; do
    grep -qF "$file" "$work/contents" || fail "the package lacks $file"
done

dpkg-deb -x "$package" "$work/root"
kestrun="$work/root/usr/bin/kestrun"
"$kestrun" --version | grep -q '^Library  *Ver 203$' || fail "the packaged kestrun does not run"
loaded="$(LD_TRACE_LOADED_OBJECTS=1 "$kestrun" | sed -n 's/.*libKestrun.so.2 => \([^ ]*\).*/\1/p')"
case "$(readlink -f "$loaded")" in
    "$work/root/"*) ;;
    *) fail "the packaged kestrun loads ${loaded:-no Kestrun}, not the packaged library" ;;
esac
printf ':0400000001020304F2\r\n:00000001FF\r\n' >"$work/rom.hex"
"$kestrun" hex2bin "$work/rom.hex" -o "$work/rom.bin"
[ "$(od -An -tx1 "$work/rom.bin" | tr -d ' ')" = 01020304 ] || fail "the packaged kestrun converts wrongly"
echo "$(basename "$package"): installable contents, kestrun runs"
