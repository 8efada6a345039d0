#!/usr/bin/env bash
# Peak resident memory of the imaging server loading and saving one Letter page at 1152 dpi
# (9792 x 12672 pixels): the gnuplot manual's first page and a Letter page with colour. The
# peak (VmHWM) is read from /proc while the server still runs, after it answered the save.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
server="$build/program/pagekiln-gflax"
corpus=$(cd "$(dirname "$0")/../../shared/corpus" 2>/dev/null && pwd || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak=0
for pdf in /usr/share/doc/gnuplot/gnuplot.pdf "$corpus/pdflatex-forms.pdf"; do
    [ -f "$pdf" ] || continue
    coproc SERVER { exec "$server"; }
    pid=$SERVER_PID
    start=$(date +%s.%N)
    printf '%s\n' \
        '{"id":1,"op":"create","class":"GflAx.GflAx"}' \
        '{"id":2,"op":"set","object":1,"name":"EpsDpi","value":1152}' \
        '{"id":3,"op":"set","object":1,"name":"Page","value":1}' \
        "{\"id\":4,\"op\":\"call\",\"object\":1,\"name\":\"LoadBitmap\",\"args\":[\"$pdf\"]}" \
        "{\"id\":5,\"op\":\"call\",\"object\":1,\"name\":\"saveBitmap\",\"args\":[\"$work/page.jpg\"]}" \
        >&"${SERVER[1]}"
    for _ in 1 2 3 4 5; do
        read -r answer <&"${SERVER[0]}"
        case $answer in *'"ok":false'*) echo "$answer" >&2; exit 1 ;; esac
    done
    end=$(date +%s.%N)
    kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
    exec {SERVER[1]}>&-
    wait "$pid" || true
    size=$(identify -ping -format '%wx%h %[colorspace]' "$work/page.jpg" 2>/dev/null || echo '?')
    printf '%s: %s, %.2f s, peak %d MB\n' "$(basename "$pdf")" "$size" \
        "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')" $((kb / 1024))
    [ "$kb" -gt "$peak" ] && peak=$kb
done
printf 'peak_rss_mb %d\n' $((peak / 1024))
