#!/usr/bin/env bash
# Starts the real program on a private X server and checks that a window titled "Pagekiln"
# appears with a client area of 465 x 385 pixels.
set -euo pipefail
program=${1:?program path}

if [ -z "${PAGEKILN_E2E_INNER:-}" ]; then
    PAGEKILN_E2E_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

home=$(mktemp -d)
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=xcb "$program" &
app=$!
id=""
for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name '^Pagekiln$' 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
done
[ -n "$id" ] || { echo "no window titled Pagekiln"; exit 1; }
size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
echo "window $id client size $size"
[ "$size" = "465x385" ] || { echo "expected 465x385"; exit 1; }
echo "1 passed, 0 failed"
