#!/usr/bin/env bash
# Peak resident memory of the imaging server loading and saving one Letter page at 1152 dpi
# (9792 x 12672 pixels): the gnuplot manual's first page and a Letter page with colour.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
server="$build/program/pagekiln-gflax"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak=0
for pdf in /usr/share/doc/gnuplot/gnuplot.pdf "$(dirname "$0")/../../shared/corpus/pdflatex-forms.pdf"; do
    [ -f "$pdf" ] || continue
    printf '%s\n' \
        '{"id":1,"op":"create","class":"GflAx.GflAx"}' \
        '{"id":2,"op":"set","object":1,"name":"EpsDpi","value":1152}' \
        '{"id":3,"op":"set","object":1,"name":"Page","value":1}' \
        "{\"id\":4,\"op\":\"call\",\"object\":1,\"name\":\"LoadBitmap\",\"args\":[\"$pdf\"]}" \
        "{\"id\":5,\"op\":\"call\",\"object\":1,\"name\":\"saveBitmap\",\"args\":[\"$work/page.jpg\"]}" \
        >"$work/requests"
    /usr/bin/time -f '%M %e' -o "$work/time" "$server" <"$work/requests" >"$work/answers"
    if grep -q '"ok":false' "$work/answers"; then
        cat "$work/answers" >&2
        exit 1
    fi
    read -r kb seconds <"$work/time"
    size=$(identify -ping -format '%wx%h %[colorspace]' "$work/page.jpg" 2>/dev/null || echo '?')
    printf '%s: %s, %s s, peak %d MB\n' "$(basename "$pdf")" "$size" "$seconds" $((kb / 1024))
    [ "$kb" -gt "$peak" ] && peak=$kb
done
printf 'peak_rss_mb %d\n' $((peak / 1024))
