#!/usr/bin/env bash
# Installs the build into a temporary prefix and converts a PDF with the installed command,
# which must find its program folder (scripts, component servers) from where it is installed.
set -euo pipefail
build=${1:?build folder}
pdf=${2:?a PDF}
prefix=$(mktemp -d)
out=$(mktemp -d)
trap 'rm -rf "$prefix" "$out"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/pagekiln bin/pagekiln-convert lib/pagekiln/pagekiln lib/pagekiln/ps/pdf2tiff.sh \
         lib/pagekiln/bw/convert.sh lib/pagekiln/components.ini lib/pagekiln/HAND-M.CUR \
         lib/pagekiln/drag.ico share/applications/pagekiln.desktop; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -q '^MimeType=application/pdf;' "$prefix/share/applications/pagekiln.desktop"

passed=0
for method in ghostscript gflax; do
    rm -f "$out"/*
    (cd / && "$prefix/bin/pagekiln-convert" --quiet --method "$method" --pages 2 \
        --output "$out/" "$pdf")
    count=$(find "$out" -name '*.jpg' | wc -l)
    [ "$count" -ge 2 ] || { echo "$method from the install location made $count images"; exit 1; }
    passed=$((passed + 1))
done
echo "$passed passed, 0 failed"
