#!/usr/bin/env bash
# Folder scan: "Add All PDF File(s) In Folder" on a tree of 100,000 entries (10,000 PDFs
# among other files in 2,000 folders, up to 6 deep) against `find -iname '*.pdf'` on the
# same tree, both warmed first, medians of several runs. A 1 ms timer inside the driver
# records the longest pause of the event loop during the scan.
set -euo pipefail
build=${PAGEKILN_BUILD:?PAGEKILN_BUILD must name the build folder}
driver=$build/bench/scan_driver
runs=${SCAN_RUNS:-7}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/tree
mkdir "$root"
"$driver" make-tree "$root"
echo "tree: $(find "$root" -mindepth 1 | wc -l) entries, $(find "$root" -iname '*.pdf' | wc -l) PDFs"

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

find "$root" -iname '*.pdf' >/dev/null
"$driver" scan "$root" >/dev/null

find_ms=()
scan_ms=()
stall_ms=()
for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    count=$(find "$root" -iname '*.pdf' | wc -l)
    end=$EPOCHREALTIME
    find_ms+=("$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", (b - a) * 1000}')")
    read -r _ entries _ ms _ stall < <("$driver" scan "$root")
    [ "$entries" = "$count" ] || { echo "scan found $entries PDFs, find $count" >&2; exit 1; }
    scan_ms+=("$ms")
    stall_ms+=("$stall")
    echo "run $((i + 1)): find_ms ${find_ms[-1]} scan_ms $ms max_stall_ms $stall entries $entries"
done

find_median=$(printf '%s\n' "${find_ms[@]}" | median)
scan_median=$(printf '%s\n' "${scan_ms[@]}" | median)
stall_median=$(printf '%s\n' "${stall_ms[@]}" | median)
echo "median: find_ms $find_median scan_ms $scan_median max_stall_ms $stall_median"
ratio=$(awk -v s="$scan_median" -v f="$find_median" 'BEGIN {printf "%.2f", s / f}')
echo "ratio_vs_find $ratio max_stall_ms $stall_median"
