#!/bin/sh
# kestrun's manual page and bash completion against what the program says
# of itself in --help: the same commands, the same options (long and short)
# and the same exit statuses; and in the manual an example of every command
# and every long option.
#
#   kestrun_manual_test.sh KESTRUN MANUAL COMPLETION
set -eu
kestrun="$1" manual="$2" completion="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# Two sorted lists, told apart by name.
compare() {
    if ! diff -u "$work/$1" "$work/$2" >"$work/diff"; then
        fail "$3"
        cat "$work/diff" >&2
    fi
}

# The lines of one section of the help text: from its title to a blank line.
help_section() { sed -n "/^$1:\$/,/^\$/p" "$work/help"; }
# The lines of one section of the manual, without its .SH line.
manual_section() { awk -v title=".SH $1" '$0 == title { on = 1; next } /^\.SH / { on = 0 } on' "$manual"; }
# The tag lines of a section's .TP paragraphs, with roff's \- as -.
manual_tags() { manual_section "$1" | awk 'tag { print; tag = 0 } /^\.TP/ { tag = 1 }' | sed 's/\\-/-/g'; }

# The English help: the sections are found by their English titles.
LANGUAGE=en "$kestrun" --help >"$work/help"

# The manual formats without a warning.
if command -v groff >/dev/null 2>&1; then
    groff -t -man -ww -z "$manual" 2>"$work/groff" || true
    [ ! -s "$work/groff" ] || fail "groff warns: $(cat "$work/groff")"
fi

# Commands: the first word of each line under "Commands:", and each tag of
# COMMANDS (".BI hex2bin ...").
help_section Commands | sed -n 's/^  \([a-z0-9][a-z0-9]*\) .*/\1/p' | sort -u >"$work/help-commands"
manual_tags COMMANDS | awk '{ print $2 }' | sort -u >"$work/manual-commands"
[ -s "$work/help-commands" ] || fail "no commands found in --help"
compare help-commands manual-commands "the manual's commands differ from --help's"

# Options: the names that start the lines under "Options:", and every name
# in the tags of OPTIONS.
help_section Options | grep -oE '^  (-[a-zA-Z], )?--[a-z][a-z0-9-]*' | grep -oE -- '--?[a-zA-Z][a-z0-9-]*' \
    | sort -u >"$work/help-options"
manual_tags OPTIONS | grep -oE -- '(^|[ "])--?[a-zA-Z][a-z0-9-]*' | grep -oE -- '--?[a-zA-Z][a-z0-9-]*' \
    | sort -u >"$work/manual-options"
[ -s "$work/help-options" ] || fail "no options found in --help"
compare help-options manual-options "the manual's options differ from --help's"

# Exit statuses: the numbers of the help's "Exit status:" sentence and the
# tags of EXIT STATUS.
sed -n 's/^Exit status: //p' "$work/help" | grep -oE '(^|, )[0-9]+ ' | grep -oE '[0-9]+' \
    | sort -u >"$work/help-statuses"
manual_tags "EXIT STATUS" | grep -oE '[0-9]+' | sort -u >"$work/manual-statuses"
[ -s "$work/help-statuses" ] || fail "no exit statuses found in --help"
compare help-statuses manual-statuses "the manual's exit statuses differ from --help's"

# Every command and long option shows in an example.
manual_section EXAMPLES | sed 's/\\-/-/g' >"$work/examples"
while read -r command; do
    grep -qE "^kestrun $command( |\$)" "$work/examples" || fail "no example of the command $command"
done <"$work/help-commands"
grep -- '^--' "$work/help-options" | while read -r option; do
    grep -qE -- "(^| )$option( |\$)" "$work/examples" || { echo "FAIL: no example of $option" >&2; touch "$work/missing"; }
done
[ ! -e "$work/missing" ] || failed=1

# The manual's header names the version kestrun reports ("Ver 201" is 2.0.1).
manual_version=$(sed -n 's/^\.TH .*"Pelcor \([0-9.]*\)".*/\1/p' "$manual" | tr -d .)
program_version=$("$kestrun" --version | sed -n 's/^kestrun *Ver \([0-9]*\)$/\1/p')
[ -n "$manual_version" ] && [ "$manual_version" = "$program_version" ] \
    || fail "the manual's header names version '$manual_version', kestrun '$program_version'"

# The completion offers the same commands and options.
if command -v bash >/dev/null 2>&1; then
    bash -c '
        . "$1"
        complete_words() {
            COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
            _kestrun
            printf "%s\n" "${COMPREPLY[@]}"
        }
        complete_words kestrun "" | sort -u >"$2/completed-commands"
        complete_words kestrun - | sort -u >"$2/completed-options"
        # Options of one command only are not offered after the others.
        complete_words kestrun dump in.bin --b >"$2/dump-b"
        complete_words kestrun bin2hex in.bin --from >"$2/bin2hex-from"
        complete_words kestrun hexdump in.hex --from >"$2/hexdump-from"
    ' completion "$completion" "$work"
    compare help-commands completed-commands "the completion's commands differ from --help's"
    compare help-options completed-options "the completion's options differ from --help's"
    if [ -n "$(cat "$work/dump-b" "$work/bin2hex-from")" ] \
        || [ "$(cat "$work/hexdump-from")" != "--from-lowest" ]; then
        echo "the completion offers --base or --from-lowest to the wrong commands"
        failed=1
    fi
fi

[ "$failed" -eq 0 ] && echo "manual and completion agree with --help"
exit "$failed"
