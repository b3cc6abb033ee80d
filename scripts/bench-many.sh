#!/usr/bin/env bash
# Many adapters at once: `dravmoor apply` with a plan that changes the description and the
# static address of every adapter, against simulated adapters on a separate host (a nested
# namespace) behind a veth; the lossy case drops datagrams at random each way with nftables,
# as scripts/bench-loss.sh does. Prints a markdown table: adapters, loss, how many ended
# confirmed, the time of each phase (discovery, status queries, writes with their read-back)
# and in all, and the writes the simulator logged.
#   scripts/bench-many.sh [BUILD_DIR]      (default build)
#   DRAVMOOR_BENCH_CASES="100:0 1000:0 100:5"  adapters:loss-percent, the default
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cases=${DRAVMOOR_BENCH_CASES:-100:0 1000:0 100:5}

source scripts/bench-enter.sh "$@"
cli=$(realpath "$build/cli/dravmoor")
sim=$(realpath "$build/sim/dravmoor-sim")
tmp=$(mktemp -d)
[ -n "${DRAVMOOR_BENCH_KEEP:-}" ] && echo "files in $tmp" >&2
trap 'hosts_stop; [ -n "${DRAVMOOR_BENCH_KEEP:-}" ] || rm -rf "$tmp"' EXIT

wait_for() {
  local _
  for _ in $(seq 200); do [ -e "$1" ] && return 0; sleep 0.05; done
  echo "$0: the simulator did not start" >&2
  exit 1
}

# plan N: every adapter static at 198.19.x.y/15 (a subnet the client is on too), with a new
# description.
plan() {
  local n=$1 i
  echo "mac,description,mode,ip,mask,gateway"
  for ((i = 1; i <= n; i++)); do
    printf '02:44:4d:%02x:%02x:%02x,Bench adapter %d,static,198.19.%d.%d,255.254.0.0,198.18.0.1\n' \
      $((i >> 16)) $(((i >> 8) & 255)) $((i & 255)) "$i" $((i / 250)) $((i % 250 + 1))
  done
}

echo "| adapters | loss each way | confirmed | discovery (s) | status queries (s) | writes + read-back (s) | total (s) | wall (s) | writes logged (system + network) |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
k=0
for c in $cases; do
  n=${c%%:*}
  loss=${c#*:}
  k=$((k + 1))
  host_start "v1:192.0.2.2/24" "$sim" --adapters "$n" --ready "$tmp/ready$k" 2>"$tmp/sim$k.log"
  sim_host=$HOST_PID
  host_link "l$k" 192.0.2.1/24 v1 "$sim_host"
  ip addr add 198.18.0.1/15 dev "l$k"
  ip route add default dev "l$k"  # the limited broadcast leaves by the one link
  wait_for "$tmp/ready$k"
  if [ "$loss" != 0 ]; then
    loss_rule "$sim_host" requests input "udp dport 1638" "numgen random mod 100 < $loss"
    loss_rule "answers$k" input "iifname l$k udp sport 1638" "numgen random mod 100 < $loss"
  fi
  plan "$n" >"$tmp/plan$k.csv"
  start=$(date +%s%N)
  rc=0
  echo admin | "$cli" --json --interface "l$k" apply "$tmp/plan$k.csv" >"$tmp/out$k" \
    2>"$tmp/err$k" || rc=$?
  end=$(date +%s%N)
  wall=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }')
  if ! jq -e '.seconds' "$tmp/out$k" >/dev/null 2>&1; then
    echo "$0: apply of $n adapters ended with $rc:" >&2
    tail -5 "$tmp/err$k" >&2
    exit 1
  fi
  read -r confirmed discovery status apply total < <(jq -r \
    '[.summary.confirmed // 0, (.seconds.discovery, .seconds.status, .seconds.apply, .seconds.total | . * 100 | round / 100)] | @tsv' \
    "$tmp/out$k")
  writes_system=$(grep -c 'SET_SYSTEM_INFO.*reply' "$tmp/sim$k.log" || true)
  writes_network=$(grep -c 'SET_NETWORK_INFO.*reply' "$tmp/sim$k.log" || true)
  echo "| $n | $loss % | $confirmed / $n | $discovery | $status | $apply | $total | $wall | $writes_system + $writes_network |"
  kill "$sim_host" 2>/dev/null || true
  wait "$sim_host" 2>/dev/null || true
  ip link del "l$k" 2>/dev/null || true
done
