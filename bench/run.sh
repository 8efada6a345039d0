#!/usr/bin/env bash
# bench/run.sh NAME: builds the release tree if needed and runs bench/NAME.sh, which prints
# its figures and, as its last line, `key value` pairs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
name=${1:?usage: bench/run.sh NAME}
[ -f "$here/$name.sh" ] || { echo "no benchmark '$name'" >&2; exit 2; }
export PAGEKILN_BUILD=${PAGEKILN_BUILD:-$top/build}
make -C "$top" build-tests >/dev/null
exec bash "$here/$name.sh" "${@:2}"
