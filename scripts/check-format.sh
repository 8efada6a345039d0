#!/usr/bin/env bash
# Fails when any tracked C++ source differs from what clang-format makes of it, listing them.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
    echo "clang-format would change:" >&2
    printf '  %s\n' "${bad[@]}" >&2
    echo "Run: make format" >&2
    exit 1
fi
echo "format: all sources formatted"
