#!/usr/bin/env bash
# Planning share 1 of 4 of a 1,000,000-line manifest with pagekiln-convert --dry-run: reading
# the list, one look-up per file, collision groups, the split by size, printing the share.
# 2,000 lines name real PDFs (links to the corpus under new names), the rest are missing
# files, which weigh nothing. Reference: GNU sort ordering the same manifest in the same run.
# Then the balance of a split by pages: the corpus plus the gnuplot manual (311 pages) split in
# 4, and the corpus alone in 2 and in 4, each share's pages counted by pdfinfo, or for a PDF
# whose pages the split divided, the pages the share says it converts of it.
# Last line: plan_s (goal under 2), plan_cpu_s, plan_rss_mb (goal under 300), plan_vs_sort,
# spread (largest share's pages / smallest's, goal under 1.5), spread_corpus_2,
# spread_corpus_4.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
command=$build/program/pagekiln-convert
corpus=$(cd "$(dirname "$0")/../../shared/corpus" && pwd)
lines=${LINES_COUNT:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/real" "$work/home"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

mapfile -t originals < <(find "$corpus" -name '*.pdf' | LC_ALL=C sort)
for i in $(seq 1 2000); do
    ln "${originals[$((i % ${#originals[@]}))]}" "$work/real/report $i.pdf" 2>/dev/null ||
        cp "${originals[$((i % ${#originals[@]}))]}" "$work/real/report $i.pdf"
done
awk -v n="$lines" -v real="$work/real" -v gone="$work/gone" 'BEGIN {
    for (i = 1; i <= n; i++)
        if (i <= 2000) printf "%s/report %d.pdf\n", real, i
        else printf "%s/box%d/scan %d.pdf\n", gone, i % 100, i
}' >"$work/manifest"
echo "manifest: $(wc -l <"$work/manifest") lines, $(du -m "$work/manifest" | cut -f1) MB"

/usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$command" --files-from "$work/manifest" --shard 1/4 --dry-run >"$work/share"
read -r plan_s user_s system_s plan_kb <"$work/time"
echo "share 1/4: $(wc -l <"$work/share") PDFs"
start=$(date +%s.%N)
LC_ALL=C sort "$work/manifest" >/dev/null
end=$(date +%s.%N)
sort_s=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')

# The pages of each share of a split of the given paths in $1 shares, and largest / smallest.
# A PDF whose pages the split divided counts the pages the share is told it converts of it.
spread() {
    local shares=$1 share
    shift
    for share in $(seq 1 "$shares"); do
        "$command" --dry-run --shard "$share/$shares" "$@" 2>"$work/parts" >"$work/listing"
        while IFS= read -r pdf; do
            part=$(awk -v p="$pdf" 'index($0, " of " p) && substr($0, length($0) - length(p) + 1) == p {
                print $6}' "$work/parts")
            if [ -n "$part" ]; then
                last=$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
                echo "$part" | tr ',' '\n' | sed "s/N/$last/g" |
                    awk -F- '{p += ($2 == "" ? 1 : $2 - $1 + 1)} END {print p}'
            else
                pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}'
            fi
        done <"$work/listing" |
            awk -v s="$share/$shares" '{p += $1; n++} END {printf "share %s: %d PDFs, %d pages\n", s, n, p}'
    done | tee /dev/stderr | awk '{p = $5 + 0; if (NR == 1 || p > hi) hi = p; if (NR == 1 || p < lo) lo = p}
        END {printf "%.2f\n", (lo > 0 ? hi / lo : 0)}'
}
manual=/usr/share/doc/gnuplot-doc/gnuplot.pdf
[ -f "$manual" ] || manual=/usr/share/doc/gnuplot/gnuplot.pdf
[ -f "$manual" ] || { echo "the gnuplot manual is missing: apt-get install gnuplot-doc" >&2; exit 1; }
echo "corpus and $manual in 4:"
spread_all=$(spread 4 "$corpus" "$manual")
echo "corpus in 2, then in 4:"
spread_2=$(spread 2 "$corpus")
spread_4=$(spread 4 "$corpus")

# The processor time tells the figure apart from a machine busy with other work.
awk -v p="$plan_s" -v u="$user_s" -v y="$system_s" -v k="$plan_kb" -v s="$sort_s" \
    -v a="$spread_all" -v b="$spread_2" -v c="$spread_4" 'BEGIN {
    printf "plan_s %.2f plan_cpu_s %.2f plan_rss_mb %d sort_s %.2f plan_vs_sort %.2f " \
        "spread %s spread_corpus_2 %s spread_corpus_4 %s\n", p, u + y, k / 1024, s, p / s, a, b, c
}'
