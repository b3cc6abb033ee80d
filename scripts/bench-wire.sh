#!/usr/bin/env bash
# Wall times of the wire side, measured inside a private network namespace:
#   - `dravmoor discover --json` against a dravmoor-sim serving 1,000 adapters (all listed?)
#   - the median of `dravmoor status MAC` against a responsive simulator
# Usage: scripts/bench-wire.sh [BUILD_DIR]   (default: build; builds the two tools if needed)
#        scripts/bench-wire.sh --inside CLI SIM   (what runs in the namespace)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" != "--inside" ]; then
  # A build directory given on the command line is relative to where we were called from.
  build=$(realpath -m "${1:-$root/build}")
  if [ "$build" = "$root" ]; then
    echo "bench-wire: the build directory must not be the source tree" >&2
    exit 2
  fi
  cd "$root"
  if [ ! -x "$build/cli/dravmoor" ] || [ ! -x "$build/sim/dravmoor-sim" ]; then
    cmake -S . -B "$build" -G Ninja >/dev/null
    cmake --build "$build" --target dravmoor dravmoor-sim -j 2 >/dev/null
  fi
  exec bash scripts/netns.sh bash scripts/bench-wire.sh --inside \
    "$(realpath "$build/cli/dravmoor")" "$(realpath "$build/sim/dravmoor-sim")"
fi

bash "$root/scripts/netns.sh" --check "$0 --inside"
CLI=$2
SIM=$3
WORK=$(mktemp -d)
SIM_PID=
stop_sim() {
  if [ -n "$SIM_PID" ]; then kill -TERM "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null || true; fi
  SIM_PID=
}
trap 'stop_sim; rm -rf "$WORK"' EXIT
start_sim() {
  rm -f "$WORK/ready"
  "$SIM" --ready "$WORK/ready" "$@" 2>/dev/null &
  SIM_PID=$!
  for _ in $(seq 100); do [ -e "$WORK/ready" ] && return; sleep 0.05; done
  echo "dravmoor-sim did not start" >&2
  exit 1
}
# Timestamps in microseconds from bash 5 itself: nothing is forked inside a measurement.
ms() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }  # microseconds as milliseconds

echo "machine: $(nproc) CPUs, Linux $(uname -r), rmem_max $(cat /proc/sys/net/core/rmem_max)"

start_sim --adapters 1000
for run in 1 2 3; do
  t0=${EPOCHREALTIME/./}
  "$CLI" --json discover >"$WORK/devices.json"
  t1=${EPOCHREALTIME/./}
  listed=$(jq '.devices | length' "$WORK/devices.json")
  distinct=$(jq -r '.devices[].mac' "$WORK/devices.json" | sort -u | wc -l)
  echo "discover, 1000 adapters, run $run: $(ms $((t1 - t0))) ms wall, $listed listed ($distinct distinct)"
done
stop_sim

# median_of RUNS COMMAND...: median wall time in microseconds, with min and max.
median_of() {
  local runs=$1; shift
  local times=() t0 t1
  for _ in $(seq "$runs"); do
    t0=${EPOCHREALTIME/./}
    "$@" >/dev/null
    t1=${EPOCHREALTIME/./}
    times+=($((t1 - t0)))
  done
  local sorted=($(printf '%s\n' "${times[@]}" | sort -n))
  echo "median $(ms ${sorted[$((runs / 2))]}) ms (min $(ms ${sorted[0]}), max $(ms ${sorted[$((runs - 1))]}))"
}

start_sim
echo "status MAC, 25 runs: $(median_of 25 "$CLI" status 02:44:4d:00:00:03) wall"
echo "process start alone (dravmoor --help), 25 runs: $(median_of 25 "$CLI" --help) wall"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
