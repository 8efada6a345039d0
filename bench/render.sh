#!/usr/bin/env bash
# Pages 1-60 of the gnuplot manual at 144 dpi: ConvertWithGflAx (the whole program path,
# component server start included) against pdftoppm and Ghostscript at the same JPEG quality.
# Five runs each, interleaved; medians.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
pdf=${PDF:-/usr/share/doc/gnuplot/gnuplot.pdf}
pages=${PAGES:-60}
dpi=${DPI:-144}
quality=90 # the imaging component's JPEG quality
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

: >"$work/ours"; : >"$work/pdftoppm"; : >"$work/gs"
for run in $(seq "$runs"); do
    rm -rf "$work/out"; mkdir "$work/out"
    "$build/bench/render" "$build/program" "$pdf" "$pages" "$dpi" "$work/out/" >>"$work/ours"
    n=$(find "$work/out" -name '*.jpg' | wc -l)
    [ "$n" -eq "$pages" ] || { echo "GflAx wrote $n images, expected $pages" >&2; exit 1; }

    rm -rf "$work/out"; mkdir "$work/out"
    t0=$(now)
    pdftoppm -jpeg -jpegopt "quality=$quality" -r "$dpi" -f 1 -l "$pages" "$pdf" "$work/out/p"
    t1=$(now); awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}' >>"$work/pdftoppm"

    rm -rf "$work/out"; mkdir "$work/out"
    t0=$(now)
    gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=jpeg "-dJPEGQ=$quality" "-r$dpi" -dFirstPage=1 \
        "-dLastPage=$pages" -sOutputFile="$work/out/g%03d.jpg" "$pdf"
    t1=$(now); awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}' >>"$work/gs"
done

ours=$(median <"$work/ours")
poppler=$(median <"$work/pdftoppm")
ghost=$(median <"$work/gs")
printf 'runs: %s\n' "$runs"
printf 'GflAx (ConvertWithGflAx): %s\n' "$(tr '\n' ' ' <"$work/ours")"
printf 'pdftoppm:                 %s\n' "$(tr '\n' ' ' <"$work/pdftoppm")"
printf 'gs:                       %s\n' "$(tr '\n' ' ' <"$work/gs")"
printf 'median seconds: gflax %.3f pdftoppm %.3f gs %.3f\n' "$ours" "$poppler" "$ghost"
awk -v o="$ours" -v p="$poppler" -v g="$ghost" \
    'BEGIN {printf "speedup_vs_pdftoppm %.2f speedup_vs_gs %.2f\n", p / o, g / o}'
