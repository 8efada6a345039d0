#!/usr/bin/env bash
# Installs what the local Slurm cluster test needs on top of scripts/setup.sh: the Slurm
# daemons and commands, MUNGE for their authentication, and jq to read the run reports.
# Only missing packages are installed; as root it installs them, otherwise it prints the
# command to run.
set -euo pipefail

packages=(slurm-wlm munge jq)

exec bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
