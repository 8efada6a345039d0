#!/usr/bin/env bash
# What a terminal shows while pagekiln-convert converts one long PDF (the 311-page gnuplot
# manual) with its defaults: how soon the first status line comes and how many follow; then the
# same with the export method, whose server tells each page it saves. The
# command runs on a pseudo-terminal; the reference is pdftoppm -progress on the same PDF at the
# same resolution, in the same run. Last line: first_update_s (goal under 1), updates (goal at
# least 10), seconds, pdftoppm_first_update_s, pdftoppm_updates, and for the export method
# acrobat_first_update_s and acrobat_page_counts (how many different page counts the status
# line showed: 0 would mean it jumped from nothing to the end).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${PAGEKILN_BUILD:-$here/../build}
command=$build/program/pagekiln-convert
manual=${MANUAL:-/usr/share/doc/gnuplot/gnuplot.pdf}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/ref" "$work/home"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config

# Runs a command on a pseudo-terminal and prints, for every update on it (every appearance of
# the marker: the start of a redrawn status line, or pdftoppm's "N 311 FILE" line), the seconds
# since the start, then "end" and the seconds to the end, then "counts" and how many different
# "pages N/" figures the output showed.
watch() { # marker command...
    python3 - "$@" <<'PY'
import os, pty, re, sys, time
marker = sys.argv[1].encode()
start = time.monotonic()
pid, fd = pty.fork()
if pid == 0:
    os.execvp(sys.argv[2], sys.argv[2:])
seen = b""
times = []
counts = set()
while True:
    try:
        chunk = os.read(fd, 65536)
    except OSError:
        break
    if not chunk:
        break
    now = time.monotonic() - start
    seen += chunk
    while marker in seen:
        times.append(now)
        seen = seen[seen.index(marker) + len(marker):]
    counts.update(re.findall(rb"pages (\d+)/", chunk))
os.waitpid(pid, 0)
print(" ".join(f"{t:.3f}" for t in times), f"end {time.monotonic() - start:.3f}",
      f"counts {len(counts)}")
PY
}

ours=$(watch $'\r\033[K[' "$command" -o "$work/out" "$manual")
export_run=$(watch $'\r\033[K[' "$command" --method acrobat -o "$work/out" "$manual")
theirs=$(watch ' 311 ' pdftoppm -progress -jpeg -r 144 "$manual" "$work/ref/page")
echo "pagekiln-convert: $(wc -w <<<"$ours") words of timings; pdftoppm: $(wc -w <<<"$theirs")"
summary() { # timings -> first count seconds
    awk '{ n = 0; first = -1
           for (i = 1; i <= NF; i++) { if ($i == "end") { total = $(i + 1); break }
                                       if (first < 0) first = $i; n++ }
           printf "%.3f %d %.3f", first, n, total }' <<<"$1"
}
read -r first updates seconds <<<"$(summary "$ours")"
read -r export_first _ <<<"$(summary "$export_run")"
export_counts=$(grep -o 'counts [0-9]*' <<<"$export_run" | cut -d' ' -f2)
read -r ref_first ref_updates ref_seconds <<<"$(summary "$theirs")"
echo "pagekiln-convert: first update ${first} s, ${updates} updates in ${seconds} s"
echo "pagekiln-convert --method acrobat: first update ${export_first} s, ${export_counts} page counts shown"
echo "pdftoppm -progress: first update ${ref_first} s, ${ref_updates} updates in ${ref_seconds} s"
echo "first_update_s $first updates $updates seconds $seconds pdftoppm_first_update_s $ref_first pdftoppm_updates $ref_updates acrobat_first_update_s $export_first acrobat_page_counts $export_counts"
