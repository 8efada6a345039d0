#!/usr/bin/env bash
# Time from process start to the window's first show, over 10 runs on a private X server.
# Last line: startup_ms <median>.
set -euo pipefail
build=${PAGEKILN_BUILD:-$(dirname "$0")/../build}
program=$build/program/pagekiln
runs=${RUNS:-10}

if [ -z "${PAGEKILN_BENCH_INNER:-}" ]; then
    PAGEKILN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# The home-page draw would open a real browser about one start in a hundred: a stand-in
# opener first on the PATH takes the call.
mkdir -p "$home/bin"
printf '#!/bin/sh\nexit 0\n' > "$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"
export PATH="$home/bin:$PATH"
HOME="$home" XDG_CONFIG_HOME="$home/.config" PAGEKILN_STARTUP_PROBE=1 "$program" >/dev/null

python3 - "$program" "$runs" "$home" <<'PY'
import os, statistics, subprocess, sys, time
program, runs, home = sys.argv[1], int(sys.argv[2]), sys.argv[3]
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config", PAGEKILN_STARTUP_PROBE="1")
times = []
for _ in range(runs):
    start = time.time_ns()
    out = subprocess.run([program], env=env, capture_output=True, text=True, check=True).stdout
    shown = int(out.split()[1])
    times.append((shown - start) / 1e6)
print("runs_ms " + " ".join(f"{t:.1f}" for t in times))
print(f"startup_ms {statistics.median(times):.1f}")
PY
