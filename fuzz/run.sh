#!/usr/bin/env bash
# Runs the fuzz targets of the fuzzing build one after the other, each for a bounded time, and
# fails when any of them found a crash, a hang (an input taking over a minute) or a memory
# blow-up. The run goes on through the other targets first, so one run shows every failure.
#
#   fuzz/run.sh BUILD SECONDS [TARGET...]    every target when none is named
#
# Below BUILD:
#   fuzz-corpus/TARGET/    inputs found to reach new code, kept so each run goes on from the last
#   fuzz-crashes/TARGET/   the reproducer of a failure: crash-*, timeout-*, oom-*, leak-*
#   fuzz-logs/TARGET.log   libFuzzer's output of the last run
#   fuzz-logs/history.tsv  one line a run: when, target, seconds it ran, inputs run, coverage
#                          (edges, features), result
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?build folder}")
seconds=${2:?seconds per target}
shift 2
all=(page_tree image_rows jpeg_splice pdf_render component_server component_classes answer_line
    report_journal input_list)
targets=("${all[@]}")
[ $# -gt 0 ] && targets=("$@")

corpus=$(realpath -m ../shared/corpus)

# Starting inputs and dictionary of a target.
seeds_of() {
    case $1 in
    page_tree | pdf_render)
        echo fuzz/seeds/pdf
        [ -d "$corpus" ] && echo "$corpus" # the real PDFs, large ones too, read in place
        ;;
    *) echo "fuzz/seeds/$1" ;;
    esac
}
dict_of() {
    case $1 in
    page_tree | pdf_render) echo fuzz/dict/pdf.dict ;;
    jpeg_splice) echo fuzz/dict/jpeg.dict ;;
    component_server | component_classes | answer_line | report_journal) echo fuzz/dict/protocol.dict ;;
    esac
}

# Scratch files of the targets (each target writes its input to a file or folder) live in
# memory where the system offers it, and go when the run ends.
scratch_root=/dev/shm
[ -d "$scratch_root" ] && [ -w "$scratch_root" ] || scratch_root=$build
scratch=$(mktemp -d "$scratch_root/pagekiln-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

mkdir -p "$build/fuzz-logs"
failed=()
for target in "${targets[@]}"; do
    binary=$build/fuzz/fuzz_$target
    [ -x "$binary" ] || { echo "no fuzz target $binary (run make fuzz)" >&2; exit 2; }
    mkdir -p "$build/fuzz-corpus/$target" "$build/fuzz-crashes/$target"
    log=$build/fuzz-logs/$target.log
    mapfile -t seeds < <(seeds_of "$target")
    dict=$(dict_of "$target")
    args=(-max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 -close_fd_mask=3
        -print_final_stats=1 -artifact_prefix="$build/fuzz-crashes/$target/")
    [ -n "$dict" ] && args+=(-dict="$dict")
    status=0
    started=$SECONDS
    TMPDIR=$scratch UBSAN_OPTIONS=print_stacktrace=1 \
        "$binary" "${args[@]}" "$build/fuzz-corpus/$target" "${seeds[@]}" >"$log" 2>&1 || status=$?
    ran=$((SECONDS - started))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    result=ok
    [ "$status" -eq 0 ] || { result="failed ($status)"; failed+=("$target"); }
    printf '%-18s %-12s %5ss  %10s inputs  cov %-6s ft %s\n' "$target" "$result" "$ran" \
        "${runs:-?}" "${cov:-?}" "${ft:-?}"
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" "$ran" "${runs:-?}" \
        "${cov:-?}" "${ft:-?}" "$result" >>"$build/fuzz-logs/history.tsv"
    if [ "$status" -ne 0 ]; then
        grep -E 'ERROR|SUMMARY|broken promise|Test unit written|artifact_prefix' "$log" | head -20 >&2 || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}; reproducers in $build/fuzz-crashes/, logs in $build/fuzz-logs/" >&2
    echo "replay one with: $build/fuzz/fuzz_TARGET FILE" >&2
    exit 1
fi
echo "fuzzing: no failure in ${#targets[@]} targets, ${seconds}s each"
