#!/usr/bin/env bash
# Whole batches at 144 dpi, every page, against pdftoppm and Ghostscript in the same run:
#   (a) the gnuplot manual and the corpus (one long PDF among short ones);
#   (b) 300 one- to four-page PDFs (corpus copies under distinct names).
# Ours: pagekiln-convert with the imaging method and its default jobs. The peers get the same
# PDFs through `xargs -P <processors>`, one process per PDF. Three rounds (ROUNDS=n), the tools
# interleaved; medians. Our CPU time counts the command and every child (user + sys).
# Last line: of_limit_a of_limit_b (CPU seconds / processors / wall seconds), vs_gs_a vs_gs_b,
# vs_pdftoppm_a vs_pdftoppm_b (their wall time / ours), cpu_per_page_ms.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${PAGEKILN_BUILD:-$here/../build}
command=$build/program/pagekiln-convert
corpus=$(cd "$here/../../shared/corpus" && pwd)
manual=/usr/share/doc/gnuplot/gnuplot.pdf
rounds=${ROUNDS:-3}
procs=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/a" "$work/b" "$work/home"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

cp "$manual" "$corpus"/*.pdf "$work/a/"
short=()
for pdf in "$corpus"/*.pdf; do
    n=$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
    [ -n "$n" ] && [ "$n" -ge 1 ] && [ "$n" -le 4 ] && short+=("$pdf")
done
for i in $(seq 0 299); do
    pdf=${short[$((i % ${#short[@]}))]}
    cp "$pdf" "$work/b/$(printf 'b%03d-' "$i")$(basename "$pdf")"
done

# Prints "<wall> <cpu>" in seconds; cpu is user + sys of the command and its children.
measure() {
    local TIMEFORMAT='%R %U %S' line
    line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    echo "$line" | awk '{printf "%s %.3f\n", $1, $2 + $3}'
}

ours() { # batch out
    "$command" --quiet --method gflax --pages 32767 --resolution 144 --output "$2/" "$work/$1"
}
poppler() {
    find "$work/$1" -name '*.pdf' -print0 | xargs -0 -n1 -P "$procs" sh -c \
        'exec pdftoppm -r 144 -jpeg -jpegopt quality=90 "$1" "$0/$(basename "$1" .pdf)"' "$2"
}
ghostscript() {
    find "$work/$1" -name '*.pdf' -print0 | xargs -0 -n1 -P "$procs" sh -c \
        'exec gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -r144 -dJPEGQ=90 \
            -sOutputFile="$0/$(basename "$1" .pdf)-%d.jpg" "$1"' "$2"
}

# run TOOL BATCH: appends "<wall> <cpu>" to $work/TOOL-BATCH and keeps the image count.
run() {
    local out=$work/out-$1-$2
    rm -rf "$out" && mkdir -p "$out"
    measure "$1" "$2" "$out" >>"$work/$1-$2"
    find "$out" -name '*.jpg' | wc -l >"$work/count-$1-$2"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
column() { awk -v c="$1" '{print $c}' "$2" | median; }

mkdir "$work/warm" && ours a "$work/warm" || true # warm the caches and the program
rm -rf "$work/warm"
for round in $(seq "$rounds"); do
    for batch in a b; do
        for tool in ours ghostscript poppler; do run "$tool" "$batch"; done
    done
    echo "round $round: $(for f in "$work"/ours-* "$work"/ghostscript-* "$work"/poppler-*; do
        printf '%s %s  ' "$(basename "$f")" "$(tail -n1 "$f")"; done)"
done

echo "processors $procs, load: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu
for batch in a b; do
    for tool in ours ghostscript poppler; do
        wall[$tool-$batch]=$(column 1 "$work/$tool-$batch")
        cpu[$tool-$batch]=$(column 2 "$work/$tool-$batch")
        echo "batch $batch $tool: $(cat "$work/count-$tool-$batch") images, median wall" \
            "${wall[$tool-$batch]} s, cpu ${cpu[$tool-$batch]} s (runs: $(awk '{printf "%s/%s ", $1, $2}' "$work/$tool-$batch"))"
    done
    [ "$(cat "$work/count-ours-$batch")" -eq "$(cat "$work/count-poppler-$batch")" ] ||
        echo "warning: batch $batch: pdftoppm wrote a different number of images"
done
pages=$(($(cat "$work/count-ours-a") + $(cat "$work/count-ours-b")))
awk -v p="$procs" -v pages="$pages" \
    -v wa="${wall[ours-a]}" -v wb="${wall[ours-b]}" -v ca="${cpu[ours-a]}" -v cb="${cpu[ours-b]}" \
    -v ga="${wall[ghostscript-a]}" -v gb="${wall[ghostscript-b]}" \
    -v pa="${wall[poppler-a]}" -v pb="${wall[poppler-b]}" 'BEGIN {
        printf "of_limit_a %.2f of_limit_b %.2f vs_gs_a %.2f vs_gs_b %.2f vs_pdftoppm_a %.2f vs_pdftoppm_b %.2f cpu_per_page_ms %.2f\n",
            ca / p / wa, cb / p / wb, ga / wa, gb / wb, pa / wa, pb / wb, (ca + cb) / pages * 1000
    }'
