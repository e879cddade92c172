#!/bin/sh
# A staged install (DESTDIR) as a distribution makes it: every file in its
# place, the desktop entry, metainfo and MIME type accepted by their
# validators and agreeing with each other, the icons of the sizes their
# folders say, and kestrun running from the staged tree on its own library.
#
#   staged_install_test.sh CMAKE BUILD_DIR LIBDIR
set -eu
cmake="$1" build="$2" libdir="$3"
id=dev.pelcor.Pelcor

for tool in desktop-file-validate appstreamcli update-mime-database; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (tools/setup.sh test installs it)"
        exit 77
    fi
done

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr --component Runtime >/dev/null
root="$stage/usr"

for file in bin/Pelcor bin/kestrun "$libdir/libKestrun.so.2" \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/mime/packages/$id.xml share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/kestrun.1 share/bash-completion/completions/kestrun; do
    [ -e "$root/$file" ] || fail "$file is not installed"
done
# The runtime component leaves the development files out.
[ ! -e "$root/$libdir/libKestrun.so" ] || fail "the runtime install holds the development link"
[ -L "$root/$libdir/libKestrun.so.2" ] || fail "libKestrun.so.2 is not the SONAME link"

desktop="$root/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >/dev/null \
    || fail "appstreamcli refuses the metainfo: $(appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml")"

# The entry starts an installed program, shows an installed icon and
# opens a type the MIME definition gives; the metainfo launches the entry.
exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$root/bin/$exec_name" ] || fail "Exec names $exec_name, which is not in bin/"
grep -qx "Icon=$id" "$desktop" || fail "the entry's icon is not $id"
for type in text/x-ihex text/x-srecord; do
    grep -q "^MimeType=.*$type;" "$desktop" || fail "the entry does not open $type"
    grep -q "<mediatype>$type</mediatype>" "$root/share/metainfo/$id.metainfo.xml" \
        || fail "the metainfo does not provide $type"
done
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root/share/metainfo/$id.metainfo.xml" || fail "the metainfo does not launch $id.desktop"

# The MIME database built from the definition alone.
cp -r "$root/share/mime" "$stage/mime"
XDG_DATA_HOME="$stage" XDG_DATA_DIRS="$stage" update-mime-database "$stage/mime" 2>"$stage/mime.log" || fail "update-mime-database: $(cat "$stage/mime.log")"
[ ! -s "$stage/mime.log" ] || fail "update-mime-database warns: $(cat "$stage/mime.log")"
for entry in 'text/x-ihex *.hex *.ihex *.ihx' 'text/x-srecord *.s19 *.s28 *.s37 *.srec *.mot'; do
    set -f
    set -- $entry
    set +f
    type=$1
    shift
    for glob in "$@"; do
        awk -F: -v type="$type" -v glob="$glob" '$2 == type && $3 == glob { found = 1 } END { exit !found }' \
            "$stage/mime/globs2" || fail "no glob $glob for $type"
    done
    grep -qx "$type text/plain" "$stage/mime/subclasses" || fail "$type is no text/plain"
    grep -q "$type" "$stage/mime/magic" || fail "$type has no magic"
done

# PNG width and height are the big-endian words at bytes 16 and 20.
for size in 48 256; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
    dims="$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')"
    expected="0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))"
    [ "$dims" = "$expected" ] || fail "$size px icon measures $dims"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"

# kestrun runs from the staged tree on the staged library, not the build's.
"$root/bin/kestrun" --version | grep -q '^Library  *Ver 203$' || fail "staged kestrun does not run"
loaded="$(LD_TRACE_LOADED_OBJECTS=1 "$root/bin/kestrun" | sed -n 's/.*libKestrun.so.2 => \([^ ]*\).*/\1/p')"
[ "$(readlink -f "$loaded")" = "$(readlink -f "$root/$libdir/libKestrun.so.2")" ] \
    || fail "staged kestrun loads ${loaded:-no Kestrun}"
# No search path, built or installed, holds an empty entry, which the
# loader takes for the current folder.
for file in "$build/bin/kestrun" "$build/bin/Pelcor" "$build/bin/libKestrun.so.2" \
    "$root/bin/kestrun" "$root/bin/Pelcor" "$root/$libdir/libKestrun.so.2"; do
    path="$(readelf -d "$file" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p')"
    case ":$path:" in
    *::*) [ -z "$path" ] || fail "$file looks for libraries in the current folder ($path)" ;;
    esac
done
printf ':0400000001020304F2\r\n:00000001FF\r\n' > "$stage/rom.hex"
"$root/bin/kestrun" hex2bin "$stage/rom.hex" -o "$stage/rom.bin"
[ "$(od -An -tx1 "$stage/rom.bin" | tr -d ' ')" = 01020304 ] || fail "staged kestrun converts wrongly"
echo "staged install in $root: complete and valid"
