#!/usr/bin/env bash
# 100 one-page PDFs through "Convert!" with the Ghostscript method (headless driver), against
# the same Ghostscript command run directly on each file, in the same run. Three rounds
# (ROUNDS=n for more), alternating; medians of the wall-clock and CPU totals.
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

# Prints "<wall> <cpu>" in seconds for the command given; cpu counts every child (user+sys),
# which the other users of a shared machine disturb far less than the wall clock.
measure() {
    local TIMEFORMAT='%R %U %S'
    local line
    line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    echo "$line" | awk '{printf "%s %.3f\n", $1, $2 + $3}'
}

direct_all() {
    for pdf in "${pdfs[@]}"; do
        base=$(basename "$pdf" .pdf)
        gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=jpeg -r150 -dJPEGQ=90 \
            -sOutputFile="$tmp/direct/$base-%d.jpg" "$pdf"
    done
}

direct_round() {
    rm -rf "$tmp/direct" && mkdir -p "$tmp/direct"
    measure direct_all
}

pagekiln_round() {
    rm -rf "$tmp/out" && mkdir -p "$tmp/out"
    measure "$driver" "$program" "$tmp/out/" "${pdfs[@]}"
    [ "$(ls "$tmp/out" | wc -l)" -eq "${#pdfs[@]}" ] || { echo "missing images" >&2; exit 1; }
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

direct=() direct_cpu=() pagekiln=() pagekiln_cpu=()
for round in $(seq 1 "$rounds"); do
    read -r d dc < <(direct_round)
    read -r p pc < <(pagekiln_round)
    direct+=("$d") direct_cpu+=("$dc") pagekiln+=("$p") pagekiln_cpu+=("$pc")
    echo "round $round wall: direct ${d}s pagekiln ${p}s; cpu: direct ${dc}s pagekiln ${pc}s"
done
dm=$(median "${direct[@]}") pm=$(median "${pagekiln[@]}")
dcm=$(median "${direct_cpu[@]}") pcm=$(median "${pagekiln_cpu[@]}")
echo "median wall: direct ${dm}s pagekiln ${pm}s; cpu: direct ${dcm}s pagekiln ${pcm}s"
echo "cpu_ratio $(echo "scale=3; $pcm / $dcm" | bc)"
echo "direct_seconds $dm pagekiln_seconds $pm overhead_ratio $(echo "scale=3; $pm / $dm" | bc)"
