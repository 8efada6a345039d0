#!/usr/bin/env bash
# What setting up costs, the Debian packages being present already: configure and build of
# what `make run` builds, then of what `make test` builds, each in a fresh clone of the
# committed tree and without a compiler cache, in CPU seconds (user + system of every process
# the build starts); then the size of the Debian package (made from the `make run` clone, which
# has no tests) and of what it installs; and how soon a second `make run`, with nothing to
# rebuild, shows the window (median of 5, on a private X server). Uses every processor (JOBS=
# to change); a long run.
# Last line: run_build_cpu_s, test_build_cpu_s, package_mb, installed_mb (MB = 10^6 bytes),
# run_again_ms.
set -euo pipefail
if [ -z "${PAGEKILN_BENCH_INNER:-}" ]; then
    PAGEKILN_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No compiler cache, however it would be reached: a launcher from the environment, ccache's
# compiler links first on the PATH, or ccache's own settings.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
PATH=$(tr ':' '\n' <<<"$PATH" | grep -v ccache | paste -sd: -)
export PATH CCACHE_DISABLE=1

# Builds make target $2 in a fresh clone $1; prints "wall_s cpu_s".
timed_build() {
    local clone=$work/$1
    git clone -q --no-hardlinks "$top" "$clone"
    /usr/bin/time -f '%e %U %S' -o "$work/$1.time" make -C "$clone" "$2" JOBS="$jobs" \
        >"$work/$1.log" 2>&1 || { tail -n 30 "$work/$1.log" >&2; exit 1; }
    awk '{ printf "%.1f %.1f\n", $1, $2 + $3 }' "$work/$1.time"
}

read -r run_wall run_cpu < <(timed_build run build)
echo "make run's build:  ${run_wall} s wall, ${run_cpu} s CPU ($jobs jobs)"
read -r test_wall test_cpu < <(timed_build test build-tests)
echo "make test's build: ${test_wall} s wall, ${test_cpu} s CPU ($jobs jobs)"
echo "ratio run/test CPU: $(awk -v r="$run_cpu" -v t="$test_cpu" 'BEGIN { printf "%.2f", r / t }') (goal: at most 0.33)"

# The window's first show after `make run`, from the command's start; the program's start-up
# probe prints the moment and ends it. A stand-in opener takes the rare home-page draw.
mkdir -p "$work/home/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/home/bin/xdg-open"
chmod +x "$work/home/bin/xdg-open"
runs=()
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    out=$(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" PATH="$work/home/bin:$PATH" \
        PAGEKILN_STARTUP_PROBE=1 make -s -C "$work/run" run 2>/dev/null)
    shown=$(awk '$1 == "first_show_ns" { print $2 }' <<<"$out")
    [ -n "$shown" ] || { echo "make run showed no window: $out" >&2; exit 1; }
    runs+=($(((shown - start) / 1000000)))
done
run_again_ms=$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p)
echo "make run again, to the window: ${runs[*]} ms (median ${run_again_ms} ms; goal: 2000)"

make -C "$work/run" deb >"$work/deb.log" 2>&1 || { tail -n 30 "$work/deb.log" >&2; exit 1; }
deb=$(find "$work/run/build" -maxdepth 1 -name 'pagekiln_*.deb')
dpkg-deb -x "$deb" "$work/root"
package_mb=$(awk -v b="$(stat -c %s "$deb")" 'BEGIN { printf "%.1f", b / 1e6 }')
installed_mb=$(awk -v b="$(du -sb "$work/root" | cut -f1)" 'BEGIN { printf "%.1f", b / 1e6 }')
echo "package $(basename "$deb"): ${package_mb} MB (goal: under 30), ${installed_mb} MB installed"

echo "run_build_cpu_s $run_cpu test_build_cpu_s $test_cpu package_mb $package_mb" \
    "installed_mb $installed_mb run_again_ms $run_again_ms"
