#!/usr/bin/env bash
# Installs the build into a temporary prefix and converts a PDF with the installed command
# by every method, which must find its program folder (scripts, rendering server and its
# links) from where it is installed. Then the uninstall, after a second install over the
# first, must leave the prefix as it found it: empty, or holding only what was there before.
set -euo pipefail
build=${1:?build folder}
pdf=${2:?a PDF}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir "$out"
# The record of these installs stays out of the build folder's own.
export PAGEKILN_INSTALL_RECORD=$work/record

install_into() {
    cmake --install "$build" --prefix "$1" >"$work/install.log" ||
        { cat "$work/install.log"; exit 1; }
}
uninstall() {
    cmake -P "$build/uninstall.cmake" >"$work/uninstall.log" ||
        { cat "$work/uninstall.log"; exit 1; }
}
# Every path below $1, one a line, sorted.
listing() {
    (cd "$1" && find . -mindepth 1 | sort)
}

prefix=$work/prefix
mkdir "$prefix"
install_into "$prefix"
for f in bin/pagekiln bin/pagekiln-convert lib/pagekiln/pagekiln lib/pagekiln/pagekiln-convert \
         lib/pagekiln/pagekiln-render lib/pagekiln/pagekiln-gflax lib/pagekiln/pagekiln-acroexch \
         lib/pagekiln/ps/pdf2tiff.sh lib/pagekiln/bw/convert.sh lib/pagekiln/components.ini \
         lib/pagekiln/HAND-M.CUR lib/pagekiln/drag.ico share/applications/pagekiln.desktop \
         share/man/man1/pagekiln.1.gz share/man/man1/pagekiln-convert.1.gz; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
for link in bin/pagekiln bin/pagekiln-convert lib/pagekiln/pagekiln-gflax \
            lib/pagekiln/pagekiln-acroexch; do
    [ -L "$prefix/$link" ] || { echo "not a link: $link"; exit 1; }
done
# Debian's copyright file and changelog belong to the package alone.
[ ! -e "$prefix/share/doc" ] || { echo "a plain install wrote share/doc:"; listing "$prefix/share/doc"; exit 1; }
grep -q '^MimeType=application/pdf;' "$prefix/share/applications/pagekiln.desktop"

# The command's manual page tells every option and exit status its --help tells.
manual=$(zcat "$prefix/share/man/man1/pagekiln-convert.1.gz" | sed 's/\\-/-/g')
help=$("$prefix/bin/pagekiln-convert" --help)
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$manual" || { echo "the manual page leaves out $option"; exit 1; }
done
statuses=$(sed -n '/Exit status/,$p' <<<"$manual")
for status in 0 1 2 130 143; do
    grep -qw "$status" <<<"$statuses" || { echo "the manual page leaves out exit status $status"; exit 1; }
done

passed=0
for method in ghostscript bw gflax acrobat; do
    rm -rf "${out:?}"/*
    (cd / && "$prefix/bin/pagekiln-convert" --quiet --method "$method" --pages 2 \
        --output "$out/" "$pdf")
    count=$(find "$out" -name '*.jpg' | wc -l)
    [ "$count" -ge 2 ] || { echo "$method from the install location made $count images"; exit 1; }
    passed=$((passed + 1))
done

# An upgrade installs over the last install; one uninstall then takes away both.
install_into "$prefix"
uninstall
left=$(listing "$prefix")
[ -z "$left" ] || { echo "left after uninstall:"; echo "$left"; exit 1; }
[ ! -e "$PAGEKILN_INSTALL_RECORD" ] || { echo "the record outlived the uninstall"; exit 1; }
passed=$((passed + 1))

# A prefix in use: its folders and the files in them stay, what the install added goes.
mkdir -p "$prefix/bin" "$prefix/share/applications"
echo mine >"$prefix/bin/other-program"
echo mine >"$prefix/share/applications/other.desktop"
before=$(listing "$prefix")
install_into "$prefix"
uninstall
[ "$(listing "$prefix")" = "$before" ] ||
    { echo "the uninstall changed what was there before:"; diff <(echo "$before") <(listing "$prefix"); exit 1; }
passed=$((passed + 1))

echo "$passed passed, 0 failed"
