#!/usr/bin/env bash
# Runs inside scripts/netns.sh: starts one simulated adapter that asks for the administrator,
# waits until it listens, runs the wizard round trip against it, shows what the adapter then
# holds (dravmoor --json status, when given), stops it.
#   run_roundtrip.sh SIMULATOR ROUNDTRIP [DRAVMOOR]
set -euo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0"
sim=$1
prog=$2
cli=${3:-}
dir=$(mktemp -d)
"$sim" --adapters 1 --password-required all --ready "$dir/ready" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  [ -e "$dir/ready" ] && break
  sleep 0.05
done
[ -e "$dir/ready" ] || { echo "simulator did not start" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$prog"
if [ -n "$cli" ]; then
  echo "The adapter afterwards:"
  "$cli" --json status 02:44:4d:00:00:01
fi
