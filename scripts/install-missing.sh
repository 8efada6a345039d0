#!/usr/bin/env bash
# Installs the Debian packages named as arguments, but only those that are missing. As root it
# installs them; otherwise it prints the command to run and fails. When another package
# manager holds apt's or dpkg's lock (an unattended upgrade, a second set-up), it says which
# process it waits for and waits, up to PAGEKILN_APT_WAIT seconds (default 1200), instead of
# failing.
set -euo pipefail

# One query for all of them: this runs before every build, so it must cost next to nothing.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true)
missing=()
for p in "$@"; do
    grep -qx "${p%:*} installed" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

wait_seconds=${PAGEKILN_APT_WAIT:-1200}
deadline=$((SECONDS + wait_seconds))

# "pid (name)" of the process holding a lock on the file, from the kernel's table of locks.
lock_holder() {
    local inode pid
    inode=$(stat -c %i "$1" 2>/dev/null) || return 0
    pid=$(awk -v ino="$inode" '{ n = split($0, f, " "); for (i = 1; i <= n; i++)
              if (f[i] ~ "^[0-9a-f]+:[0-9a-f]+:" ino "$") { print f[i - 1]; exit } }' /proc/locks)
    [ -n "$pid" ] && echo "$pid ($(cat "/proc/$pid/comm" 2>/dev/null || echo gone))"
    return 0
}

# Waits while another process holds the lock on $1, saying once who holds it and why we wait.
wait_for_lock() {
    local file=$1 what=$2 holder said=""
    while holder=$(lock_holder "$file") && [ -n "$holder" ]; do
        if [ -z "$said" ]; then
            echo "Waiting for process $holder, which is $what (lock $file)..." >&2
            said=1
        fi
        [ $SECONDS -lt $deadline ] || { echo "Gave up waiting after ${wait_seconds}s." >&2; exit 1; }
        sleep 2
    done
    return 0
}

apt_options=(-q -o "DPkg::Lock::Timeout=$wait_seconds")
export DEBIAN_FRONTEND=noninteractive
echo "Installing missing packages: ${missing[*]}" >&2

# apt-get update takes the package lists' lock, which apt itself does not wait for; another
# process may take it between our look and apt's, so a refusal sends us back to waiting.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
while :; do
    wait_for_lock /var/lib/apt/lists/lock "updating the package lists"
    apt-get "${apt_options[@]}" update 2>&1 | tee "$log" && break
    grep -q 'Could not get lock' "$log" && [ $SECONDS -lt $deadline ] || exit 1
    sleep 2
done

wait_for_lock /var/lib/dpkg/lock-frontend "installing or removing packages"
apt-get "${apt_options[@]}" install -y --no-install-recommends "${missing[@]}"
