#!/usr/bin/env bash
# 100 one-page PDFs through "Convert!" with the Ghostscript method (headless driver), against
# the same Ghostscript command run directly on each file, in the same run. Three rounds,
# alternating; medians of the wall-clock totals.
set -euo pipefail
build=${PAGEKILN_BUILD:?set PAGEKILN_BUILD to the build folder}
driver=$build/bench/ghostscript_driver
program=$build/program
rounds=${ROUNDS:-3}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

mkdir -p "$tmp/in"
manual=/usr/share/doc/gnuplot/gnuplot.pdf
if [ -f "$manual" ]; then
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -dFirstPage=1 -dLastPage=100 \
        -sOutputFile="$tmp/in/page%03d.pdf" "$manual" >/dev/null 2>&1
else
    corpus=$(cd "$(dirname "$0")/.." && pwd)/../shared/corpus/minimal-document.pdf
    for i in $(seq -w 1 100); do cp "$corpus" "$tmp/in/page$i.pdf"; done
fi
pdfs=("$tmp"/in/page*.pdf)
echo "pdfs ${#pdfs[@]} (one page each)"

now() { date +%s.%N; }

direct_round() {
    rm -rf "$tmp/direct" && mkdir -p "$tmp/direct"
    local start end
    start=$(now)
    for pdf in "${pdfs[@]}"; do
        base=$(basename "$pdf" .pdf)
        gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=jpeg -r150 -dJPEGQ=90 \
            -sOutputFile="$tmp/direct/$base-%d.jpg" "$pdf"
    done
    end=$(now)
    echo "$end - $start" | bc
}

pagekiln_round() {
    rm -rf "$tmp/out" && mkdir -p "$tmp/out"
    local start end
    start=$(now)
    "$driver" "$program" "$tmp/out/" "${pdfs[@]}" >"$tmp/driver.log"
    end=$(now)
    [ "$(ls "$tmp/out" | wc -l)" -eq "${#pdfs[@]}" ] || { echo "missing images" >&2; exit 1; }
    echo "$end - $start" | bc
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

direct=()
pagekiln=()
for round in $(seq 1 "$rounds"); do
    d=$(direct_round)
    p=$(pagekiln_round)
    direct+=("$d")
    pagekiln+=("$p")
    echo "round $round direct ${d}s pagekiln ${p}s ($(cat "$tmp/driver.log"))"
done
dm=$(median "${direct[@]}")
pm=$(median "${pagekiln[@]}")
echo "median direct ${dm}s pagekiln ${pm}s"
echo "direct_seconds $dm pagekiln_seconds $pm overhead_ratio $(echo "scale=3; $pm / $dm" | bc)"
