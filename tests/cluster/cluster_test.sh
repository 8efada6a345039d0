#!/usr/bin/env bash
# A real Slurm cluster of one node on this machine: munged, slurmctld and slurmd started here
# with their configuration, state and logs in a temporary folder, and stopped again by their
# pid files (nothing else is touched). The array script converts a list of 200+ PDFs (the
# corpus and the gnuplot manual under many names, colliding ones among them) in 4 tasks;
# the union of the tasks' images must equal one run on one machine byte for byte, with no
# image written by two tasks. Then one task is stopped mid-run and the array submitted again
# with --resume: the images must again equal the one-machine run. Needs root.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
corpus=$(cd "$top/../shared/corpus" && pwd)
manual=/usr/share/doc/gnuplot-doc/gnuplot.pdf
[ -f "$manual" ] || manual=/usr/share/doc/gnuplot/gnuplot.pdf
command=$build/program/pagekiln-convert
script=$top/contrib/slurm/pagekiln-array.sbatch
options=(--method gflax --resolution 300 --pages 1)

work=$(mktemp -d /tmp/pagekiln-cluster.XXXXXX)
chmod 711 "$work"
export SLURM_CONF=$work/slurm.conf
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config PAGEKILN_CONVERT=$command
mkdir -p "$HOME" "$work/state" "$work/spool" "$work/logs"

stop_daemons() {
    local name pid
    for name in slurmd slurmctld munged; do
        [ -s "$work/$name.pid" ] || continue
        pid=$(cat "$work/$name.pid")
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    done
}
finish() {
    local status=$?
    stop_daemons
    if [ $status -ne 0 ]; then
        echo "--- cluster logs" >&2
        tail -n 20 "$work"/logs/*.log "$work"/munged.log >&2 2>/dev/null || true
    fi
    [ -n "${KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
    exit $status
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

free_port() { # a TCP port on the loopback that nothing listens on
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

start_cluster() {
    local host ctld_port slurmd_port
    host=$(hostname -s)
    ctld_port=$(free_port)
    slurmd_port=$(free_port)
    [ "$slurmd_port" != "$ctld_port" ] || slurmd_port=$((ctld_port + 1))
    head -c 1024 /dev/urandom >"$work/munge.key"
    chmod 600 "$work/munge.key"
    munged --force --key-file="$work/munge.key" --socket="$work/munge.socket" \
        --pid-file="$work/munged.pid" --log-file="$work/munged.log"
    cat >"$SLURM_CONF" <<CONF
ClusterName=pagekilntest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/logs/slurmctld.log
SlurmdLogFile=$work/logs/slurmd.log
ReturnToService=2
KillWait=5
MpiDefault=none
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
    slurmctld -i
    slurmd
    for _ in $(seq 1 300); do
        [ "$(sinfo -h -o %t 2>/dev/null)" = idle ] && return
        sleep 0.2
    done
    fail "the node did not come up: $(sinfo 2>&1 || true)"
}

# The list: every corpus PDF and the manual under several names. Equal base names in two
# folders, and names such as "scan 1"/"scan 12"/"scan 123", share output names.
make_list() {
    local pdfs=() i=0 n=0 source name
    mapfile -t pdfs < <(find "$corpus" -name '*.pdf' | LC_ALL=C sort)
    pdfs+=("$manual")
    mkdir -p "$work/in/a" "$work/in/b0" "$work/in/b1" "$work/in/b2" "$work/in/c d"
    while [ "$n" -lt 220 ]; do
        i=$((i + 1))
        source=${pdfs[$((i % ${#pdfs[@]}))]}
        case $((i % 4)) in
        0) name="in/a/scan $i.pdf" ;;
        1) name="in/b$((i % 3))/$(basename "$source")" ;;
        2) name="in/c d/\$odd 'name' $i.pdf" ;;
        3) name="in/a/$(basename "$source" .pdf).$i.pdf" ;;
        esac
        [ -e "$work/$name" ] && continue
        ln "$source" "$work/$name" 2>/dev/null || cp "$source" "$work/$name"
        printf '%s\n' "$name" >>"$work/list"
        n=$((n + 1))
    done
    echo "list: $n PDFs"
    [ "$n" -ge 200 ] || fail "only $n PDFs in the list"
}

digests() { # folder -> "digest  name" of every image, sorted
    (cd "$1" && find . -type f ! -name '.*.part' -print0 | LC_ALL=C sort -z | xargs -0 -r sha1sum)
}

same_as_one_run() { # folder, what
    cmp -s <(digests "$work/single") <(digests "$1") && return
    diff <(digests "$work/single") <(digests "$1") | head -n 10 >&2
    fail "$2: the images differ from the one-machine run"
}

# Each PDF is in exactly one task's report, and no image in the reports of two tasks.
written_once() { # reports folder
    local converted paths images
    converted=$(cat "$1"/*.jsonl | jq -r 'select(.status != "skipped") | .path' | LC_ALL=C sort)
    paths=$(LC_ALL=C sort "$work/list")
    [ "$(printf '%s\n' "$converted" | uniq)" = "$paths" ] ||
        fail "the reports do not hold each PDF once"
    # Within one task PDFs of one collision group overwrite each other's images in list
    # order, as one run does; across tasks no image may appear twice.
    images=$(for report in "$1"/*.jsonl; do
        jq -r 'select(.status != "skipped") | .outputs[]' "$report" | LC_ALL=C sort -u
    done | LC_ALL=C sort)
    [ -z "$(printf '%s\n' "$images" | uniq -d)" ] ||
        fail "images written by two tasks: $(printf '%s\n' "$images" | uniq -d | head -n 3)"
}

# As many PDFs done as in the one-machine run. Only the last line of each path counts: a
# converted line, or a skipped line after one.
each_pdf_done() { # reports folder
    local pending expected
    pending=$(cat "$1"/*.jsonl | jq -r '"\(.status) \(.path)"' | awk '
        { status = $1; sub(/^[a-z]+ /, ""); if (status == "converted") done[$0] = 1
          else if (status != "skipped") delete done[$0] }
        END { for (p in done) n++; print n + 0 }')
    expected=$(jq -r 'select(.status == "converted") | .path' "$work/single.jsonl" | wc -l)
    [ "$pending" -eq "$expected" ] || fail "$pending PDFs recorded as done, not $expected"
}

bash "$top/scripts/setup-cluster.sh"
cd "$work"
make_list
start_cluster
echo "cluster: $(sinfo -h -o '%N %t %c cpus')"

started=$(date +%s)
set +e
"$command" --quiet --jobs 2 "${options[@]}" --files-from list --output single/ \
    --report single.jsonl 2>/dev/null
single_status=$?
set -e
mkdir -p single
echo "one machine: status $single_status, $(digests single | wc -l) images, $(( $(date +%s) - started )) s"
[ "$single_status" -le 1 ] || fail "the one-machine run ended with $single_status"

# 1. Four tasks, one share each.
started=$(date +%s)
set +e
PAGEKILN_REPORTS=$work/reports1 sbatch --wait --quiet --array=1-4 --cpus-per-task=1 \
    --output="$work/logs/run1-%a.log" "$script" list shared1/ "${options[@]}"
array_status=$?
set -e
echo "array of 4: status $array_status, $(( $(date +%s) - started )) s"
[ "$array_status" -eq "$single_status" ] || fail "array status $array_status"
same_as_one_run shared1 "array of 4"
written_once "$work/reports1"

# 2. The same array, task 2 stopped after its first PDFs, then submitted again with --resume.
export PAGEKILN_REPORTS=$work/reports2
job=$(sbatch --parsable --array=1-4 --cpus-per-task=1 --output="$work/logs/run2-%a.log" \
    "$script" list shared2/ "${options[@]}")
report=$work/reports2/task-2-of-4.jsonl
for _ in $(seq 1 1200); do
    [ -s "$report" ] && [ "$(wc -l <"$report")" -ge 1 ] && break
    sleep 0.05
done
scancel "${job}_2"
while squeue -h -j "$job" 2>/dev/null | grep -q .; do sleep 0.2; done
share2=$("$command" "${options[@]}" --files-from list --shard 2/4 --dry-run | wc -l)
done2=$(wc -l <"$report")
echo "task 2 stopped after $done2 of its $share2 PDFs"
[ "$done2" -lt "$share2" ] || fail "task 2 finished before it could be stopped"
sacct_state=$(scontrol show job "${job}_2" 2>/dev/null | grep -o 'JobState=[A-Z]*' || true)
echo "task 2: ${sacct_state:-gone}"

started=$(date +%s)
set +e
sbatch --wait --quiet --array=1-4 --cpus-per-task=1 --output="$work/logs/run3-%a.log" \
    "$script" list shared2/ "${options[@]}" --resume
resume_status=$?
set -e
echo "resumed: status $resume_status, $(( $(date +%s) - started )) s"
[ "$resume_status" -eq "$single_status" ] || fail "resumed array status $resume_status"
skipped=$(cat "$work"/reports2/*.jsonl | jq -r 'select(.status == "skipped") | .path' | wc -l)
echo "skipped on resume: $skipped"
[ "$skipped" -gt 0 ] || fail "nothing was skipped on resume"
same_as_one_run shared2 "stopped and resumed"
each_pdf_done "$work/reports2"
left=$(find shared1 shared2 -name '.*.part' | wc -l)
[ "$left" -eq 0 ] || echo "note: $left unfinished .part files left by the stopped task"
echo "3 passed, 0 failed"
