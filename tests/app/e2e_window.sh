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

# The home-page draw opens the browser about one start in a hundred: a stand-in opener first
# on the PATH records the call instead.
mkdir -p "$home/bin" "$home/tmp"
cat > "$home/bin/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s\n' "$*" >> "$(dirname "$0")/opened"
OPENER
chmod +x "$home/bin/xdg-open"

PATH="$home/bin:$PATH" TMPDIR="$home/tmp" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    QT_QPA_PLATFORM=xcb "$program" &
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

# A logout ends the program with SIGTERM: it leaves no working folder behind.
kill -TERM "$app"
status=0
wait "$app" || status=$?
app=""
[ "$status" -eq 143 ] || { echo "exit status $status after SIGTERM, expected 143"; exit 1; }
left=$(find "$home/tmp" -mindepth 1 -maxdepth 1 -name 'pagekiln-*' | wc -l)
[ "$left" -eq 0 ] || { echo "$left working folders left after SIGTERM"; exit 1; }
echo "2 passed, 0 failed"
