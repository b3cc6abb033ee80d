#!/usr/bin/env bash
# Discovery under load, inside a private network namespace: 1, 10, 100, 1,000 and 5,000
# simulated adapters (dravmoor-sim), then 1,000 adapters among 100,000 invalid datagrams spread
# over 1.5 s, and among 1,000,000 sent at full speed; last, one host answering flat out for
# 8 s with valid answers whose MACs are always new (discovery must end at its bounds).
# For each row: adapters listed of expected, wall time, peak RSS and CPU time of the client,
# printed as a markdown table with the machine it ran on.
#   scripts/load.sh [BUILD_DIR]        (default build; the tools are built there if missing)
# DRAVMOOR_LOAD_BEFORE=PATH/TO/reliability_load_client adds the flood row for another build
# of the client (e.g. one without the bounds).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if [ "${DRAVMOOR_LOAD_IN_NETNS:-}" != 1 ]; then
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" -j 2 --target dravmoor-sim reliability_load_client \
    reliability_load_responder >/dev/null
  DRAVMOOR_LOAD_IN_NETNS=1 exec scripts/netns.sh bash "$0" "$@"
fi

bash scripts/netns.sh --check "$0"
sim=$build/sim/dravmoor-sim
client=$build/tests/integration/reliability/reliability_load_client
flooder=$build/tests/integration/reliability/reliability_load_responder
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Starts an adapter process, waits until it has bound its socket; leaves its pid in $server.
start() {
  rm -f "$tmp/ready"
  "$@" --ready "$tmp/ready" 2>/dev/null &
  server=$!
  for _ in $(seq 100); do [ -e "$tmp/ready" ] && return 0; sleep 0.05; done
  echo "load: $1 did not start" >&2
  exit 1
}

stop() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}

# measure LABEL EXPECTED: runs the client once, appends a table row.
rows=()
measure() {
  local label=$1 expected=$2 program=${3:-$client}
  /usr/bin/time -v -o "$tmp/time" "$program" >"$tmp/out" 2>"$tmp/err"
  local listed wall rss user sys
  listed=$(awk '{ print $2 }' "$tmp/out")
  distinct=$(awk '{ print $4 }' "$tmp/out")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$tmp/time" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }')
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$tmp/time")
  user=$(sed -n 's/.*User time (seconds): //p' "$tmp/time")
  sys=$(sed -n 's/.*System time (seconds): //p' "$tmp/time")
  rows+=("| $label | $listed / $expected | $distinct | $wall | $(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }') | $user + $sys |")
}

for n in 1 10 100 1000 5000; do
  start "$sim" --adapters "$n" --shares 0
  if [ "$n" -eq 1 ]; then label="1 adapter"; else label="$(printf "%'d" "$n") adapters"; fi
  measure "$label" "$n"
  stop
done
start "$flooder" --adapters 1000 --junk 100000 --junk-ms 1500
measure "1,000 adapters + 100,000 invalid datagrams" 1000
stop
# No pause at all: the junk comes as fast as one sender can push it, far past what a segment
# carries; shows where datagrams start to be lost.
start "$flooder" --adapters 1000 --junk 1000000 --junk-ms 0
measure "1,000 adapters + 1,000,000 invalid datagrams at full speed" 1000
stop
flood="one host answering with ever-new MACs, flat out for 8 s"
start "$flooder" --flood-ms 8000
measure "$flood" "at most 65,536"
stop
if [ -n "${DRAVMOOR_LOAD_BEFORE:-}" ]; then
  start "$flooder" --flood-ms 8000
  measure "$flood, before" "at most 65,536" "$DRAVMOOR_LOAD_BEFORE"
  stop
fi

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), Linux $(uname -r)"
echo
echo "| discovery | listed / expected | distinct | wall time (s) | peak RSS (MiB) | CPU user + sys (s) |"
echo "|---|---:|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
if [ -n "${DRAVMOOR_LOAD_BEFORE:-}" ]; then echo; echo "before: $DRAVMOOR_LOAD_BEFORE"; fi
