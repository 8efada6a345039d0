#!/usr/bin/env bash
# A drop from another program, as every user drops files: on a private X server a second
# program starts a real drag of two PDFs and a folder, xdotool carries it over the running
# window's list and lets go. The list then holds the three paths in order; "Convert!" shows
# it: both PDFs' pages appear in the output folder, then the folder is warned about.
set -euo pipefail
program=${1:?program path}
source_program=${2:?drag source path}
corpus=${3:?corpus folder}

if [ -z "${PAGEKILN_E2E_INNER:-}" ]; then
    PAGEKILN_E2E_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

home=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT

# Polls a condition (a command) every 50 ms for up to $2 seconds.
wait_for() {
    local condition=$1 seconds=$2
    for _ in $(seq 1 $((seconds * 20))); do
        eval "$condition" && return 0
        sleep 0.05
    done
    echo "gave up waiting for: $condition"
    return 1
}

mkdir -p "$home/bin" "$home/tmp" "$home/in/a folder"
printf '#!/bin/sh\nexit 0\n' > "$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"
cp "$corpus/pdflatex-4-pages.pdf" "$home/in/first one.pdf"
cp "$corpus/minimal-document.pdf" "$home/in/second.pdf"
export PATH="$home/bin:$PATH" TMPDIR="$home/tmp" HOME="$home" XDG_CONFIG_HOME="$home/.config"
export QT_QPA_PLATFORM=xcb

# The window converts with Ghostscript into the home folder (the settings' defaults).
"$program" &
pids+=($!)
wait_for 'window=$(xdotool search --onlyvisible --name "^Pagekiln$" 2>/dev/null | head -n 1)' 20
eval "$(xdotool getwindowgeometry --shell "$window")"
left=$X top=$Y
echo "window $window at $left,$top"

status="$home/drag-status"
"$source_program" "$status" "$home/in/first one.pdf" "$home/in/second.pdf" "$home/in/a folder" &
pids+=($!)
wait_for 'grep -qx shown "$status" 2>/dev/null && xdotool search --onlyvisible --name "^drag-source$" >/dev/null 2>&1' 20

# Press on the source, carry the drag to the middle of the list (8,8 449x105 in the window)
# step by step, and let go once the window has taken it.
xdotool mousemove 100 60 mousedown 1
wait_for 'grep -qx dragging "$status"' 20
list_x=$((left + 232)) list_y=$((top + 60))
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((100 + (list_x - 100) * step / 8)) $((60 + (list_y - 60) * step / 8))
done
wait_for 'grep -qx accepted "$status" || { xdotool mousemove_relative 1 0; false; }' 20
xdotool mouseup 1
wait_for 'grep -qxE "copied|refused" "$status"' 20
grep -qx copied "$status" || { echo "drop refused"; cat "$status"; exit 1; }

# "Convert!" (312,264 145x81): the list's entries are converted in order.
xdotool mousemove $((left + 384)) $((top + 304)) click 1
wait_for '[ -e "$home/first one-004.jpg" ] && [ -e "$home/second-001.jpg" ]' 60

wait_for 'xdotool search --onlyvisible --name "^Could not create JPG$" >/dev/null 2>&1' 60
ls "$home"/*.jpg
echo "1 passed, 0 failed"
