#!/usr/bin/env bash
# pagekiln-convert with the imaging method at 144 dpi on the first 40 PDFs of a folder of
# one- to twenty-page PDFs (the corpus, and pieces of the gnuplot manual), with --jobs 1 and
# --jobs 2 in the same run. Last line: jobs2_speedup <x> (median of the runs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${PAGEKILN_BUILD:-$here/../build}
command=$build/program/pagekiln-convert
corpus=$here/../../shared/corpus
manual=/usr/share/doc/gnuplot/gnuplot.pdf
runs=${RUNS:-3}

work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out1" "$work/out2" "$work/home"
cp "$corpus"/*.pdf "$work/in/"
# Pieces of the manual, 1 to 20 pages each, named so that they sort among the corpus files.
first=1
for size in 20 1 12 5 17 3 9 14 2 20 7 11 16 4; do
    last=$((first + size - 1))
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -dFirstPage=$first -dLastPage=$last \
        -o "$work/in/gnuplot-$(printf '%03d' "$first").pdf" "$manual"
    first=$((last + 1))
done
mapfile -t pdfs < <(find "$work/in" -name '*.pdf' | LC_ALL=C sort | head -n 40)
pages=$(for p in "${pdfs[@]}"; do gs -q -dNODISPLAY -dNOSAFER -c "($p) (r) file runpdfbegin pdfpagecount = quit" 2>/dev/null || echo 0; done | awk '{s+=$1} END {print s}')
echo "inputs ${#pdfs[@]} pdfs, $pages pages"

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
timed() { # jobs output -> seconds
    local start end
    rm -f "$2"/*
    start=$(date +%s.%N)
    "$command" --quiet --method gflax --resolution 144 --pages 20 --jobs "$1" --output "$2/" \
        "${pdfs[@]}" 2>/dev/null || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f\n", b - a}' 
}
timed 2 "$work/out2" >/dev/null # warm the caches
one=(); two=()
for _ in $(seq 1 "$runs"); do
    one+=("$(timed 1 "$work/out1")")
    two+=("$(timed 2 "$work/out2")")
done
cmp -s <(cd "$work/out1" && find . -type f | sort | xargs sha1sum) \
       <(cd "$work/out2" && find . -type f | sort | xargs sha1sum) \
    && echo "outputs identical: $(ls "$work/out1" | wc -l) images" \
    || { echo "OUTPUTS DIFFER"; diff <(cd "$work/out1" && find . -type f | sort | xargs sha1sum) <(cd "$work/out2" && find . -type f | sort | xargs sha1sum) | head -5; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
m1=$(median "${one[@]}"); m2=$(median "${two[@]}")
echo "jobs1_s ${one[*]}"
echo "jobs2_s ${two[*]}"
printf 'jobs1_median_s %.3f jobs2_median_s %.3f\n' "$m1" "$m2"
awk -v a="$m1" -v b="$m2" 'BEGIN {printf "jobs2_speedup %.2f\n", a / b}' 
