#!/usr/bin/env bash
# Scheduling 100,000 PDFs named scan1 ... scan100000, each a prefix of others, with
# conversions that do nothing. Reference: GNU sort ordering the same names in the same run.
# Last line: plan_s (grouping the names; goal under 1 s), run_s (handing all to two jobs) and
# plan_vs_sort.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
count=${COUNT:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/schedule" "$count" >"$work/out"
head -n -1 "$work/out"
line=$(tail -n 1 "$work/out")
seq -f 'scan%.0f' 1 "$count" >"$work/names"
start=$(date +%s.%N)
LC_ALL=C sort "$work/names" >/dev/null
end=$(date +%s.%N)
sort_s=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')
plan_s=$(echo "$line" | awk '{print $2}')
echo "$line sort_s $sort_s plan_vs_sort $(awk -v p="$plan_s" -v s="$sort_s" 'BEGIN {printf "%.2f", p / s}')"
