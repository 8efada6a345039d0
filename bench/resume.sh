#!/usr/bin/env bash
# Resuming a large run: pagekiln-convert --resume --dry-run over a 10,000,000-line list whose
# report already records 9,000,000 of its PDFs as converted with the same options (nine in
# ten, in list order, as a stopped run leaves them). The PDFs are missing files in 100
# folders that exist, so the look-ups of the PDFs still to convert go to the file system.
# Reference: GNU sort ordering the same list in the same run.
# Last line: resume_s (goal under 10), resume_cpu_s, resume_rss_mb (goal under 1000), sort_s,
# resume_vs_sort. `bench/run.sh resume N` (or LINES_COUNT=N) makes an N-line list instead.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
command=$build/program/pagekiln-convert
lines=${1:-${LINES_COUNT:-10000000}}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/out"
for box in $(seq 0 99); do mkdir -p "$work/pdfs/box$box"; done
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

# The report's lines are those the command writes for a one-page PDF converted with its
# defaults into $work/out/.
awk -v n="$lines" -v pdfs="$work/pdfs" -v out="$work/out/" -v list="$work/list" 'BEGIN {
    options = "{\"colour\":\"auto\",\"output\":\"" out "\",\"pages\":\"all\",\"quality\":\"90\"," \
              "\"resolution\":\"144\"}"
    for (i = 1; i <= n; i++) {
        path = sprintf("%s/box%d/scan %d.pdf", pdfs, i % 100, i)
        print path > list
        if (i % 10 == 0) continue
        printf "{\"method\":\"gflax\",\"options\":%s,\"outputs\":[\"%sscan %d1.jpg\"],\"pages\":1," \
               "\"path\":\"%s\",\"reason\":{\"code\":\"none\",\"text\":\"\"},\"seconds\":0.412," \
               "\"status\":\"converted\"}\n", options, out, i, path
    }
}' >"$work/report"
# The 3 GB just written go to the disk first: their write-back is the setup's, and would
# otherwise compete with the timed run for the disk and the processors.
sync
echo "list: $(wc -l <"$work/list") lines, $(du -m "$work/list" | cut -f1) MB;" \
    "report: $(wc -l <"$work/report") lines, $(du -m "$work/report" | cut -f1) MB"

/usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$command" --files-from "$work/list" --output "$work/out" --report "$work/report" \
    --resume --dry-run >"$work/remaining"
read -r resume_s user_s system_s resume_kb <"$work/time"
remaining=$(wc -l <"$work/remaining")
echo "to convert: $remaining PDFs"
[ "$remaining" -eq $((lines / 10)) ] || { echo "expected $((lines / 10)) PDFs to convert" >&2; exit 1; }
start=$(date +%s.%N)
LC_ALL=C sort "$work/list" >/dev/null
end=$(date +%s.%N)
sort_s=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')
# The processor time tells the figure apart from a machine busy with other work.
awk -v r="$resume_s" -v u="$user_s" -v y="$system_s" -v k="$resume_kb" -v s="$sort_s" 'BEGIN {
    printf "resume_s %.2f resume_cpu_s %.2f resume_rss_mb %d sort_s %.2f resume_vs_sort %.2f\n",
        r, u + y, k / 1024, s, r / s
}'
