#!/usr/bin/env bash
# Planning share 1 of 4 of a 1,000,000-line manifest with pagekiln-convert --dry-run: reading
# the list, one look-up per file, collision groups, the split by size, printing the share.
# 2,000 lines name real PDFs (links to the corpus under new names), the rest are missing
# files, which weigh nothing. Reference: GNU sort ordering the same manifest in the same run.
# Last line: plan_s (goal under 2), plan_cpu_s, plan_rss_mb (goal under 300), plan_vs_sort.
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
# The processor time tells the figure apart from a machine busy with other work.
awk -v p="$plan_s" -v u="$user_s" -v y="$system_s" -v k="$plan_kb" -v s="$sort_s" 'BEGIN {
    printf "plan_s %.2f plan_cpu_s %.2f plan_rss_mb %d sort_s %.2f plan_vs_sort %.2f\n",
        p, u + y, k / 1024, s, p / s
}'
