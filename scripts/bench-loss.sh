#!/usr/bin/env bash
# Lossy segments, sent once and asked again, in the same run: 20 simulated adapters on a
# separate host (a nested namespace) behind a veth, nftables on both sides dropping datagrams
# at random (numgen random), 0 %, 5 % and 20 % each way. For each loss and each way of
# sending -- "before": dravmoor --retries 0, every request sent once; "after": the default,
# asking again -- it runs discovery, the status query and verification 20 times each and
# prints a markdown table, then the requests the simulator heard per operation at 0 %.
# Each loss level has two hosts of its own (one for discovery and status, one for
# verification), and the six run side by side, each client asking by its own link only.
#   scripts/bench-loss.sh [BUILD_DIR]     (default build; DRAVMOOR_BENCH_RUNS=N for fewer runs)
# Takes about ten minutes: a request sent once and lost costs the whole 20-second time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${DRAVMOOR_BENCH_RUNS:-20}

source scripts/bench-enter.sh "$@"
cli=$build/cli/dravmoor
sim=$build/sim/dravmoor-sim
tmp=$(mktemp -d)
trap 'hosts_stop; rm -rf "$tmp"' EXIT
MAC=02:44:4d:00:00:01
levels=(0 5 20)

# Link k: the client at 192.0.2.(8k+1)/29 on "lk", a host serving 20 adapters at .8k+2 with
# loss on its input (requests) and the client's input from it (answers).
link() {
  local k=$1 loss=$2
  host_start "v1:192.0.2.$((8 * k + 2))/29" "$sim" --adapters 20 --password-required all \
    --ready "$tmp/ready$k" 2>"$tmp/sim$k.log"
  host_link "l$k" "192.0.2.$((8 * k + 1))/29" v1 "$HOST_PID"
  wait_for "$tmp/ready$k"
  loss_rule "$HOST_PID" requests input "udp dport 1638" "numgen random mod 100 < $loss"
  loss_rule "answers$k" input "iifname l$k udp sport 1638" "numgen random mod 100 < $loss"
  loss_rule "sent$k" output "oifname l$k udp dport 1638"
}

# timed K MODE CLI-ARGS...: one run by link K; prints "exit-status seconds requests-sent".
timed() {
  local k=$1 mode=$2 start end before sent rc=0
  shift 2
  local retries=()
  [ "$mode" = before ] && retries=(--retries 0)
  before=$(loss_count "sent$k")
  start=$(date +%s%N)
  "$cli" "${retries[@]}" --interface "l$k" "$@" >"$tmp/out$k" 2>/dev/null <"$tmp/stdin$k" || rc=$?
  end=$(date +%s%N)
  sent=$(($(loss_count "sent$k") - before))
  echo "$rc $(awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }') $sent"
}

# heard K: requests the simulator of link K has logged so far.
heard() { grep -c ' -> ' "$tmp/sim$1.log" || true; }

# Discovery and status on link K, both ways of sending; results in $tmp/K.MODE.*.
discovery_and_status() {
  local k=$1 mode i r
  : >"$tmp/stdin$k"
  for mode in before after; do
    local h0 h1 h2
    h0=$(heard "$k")
    for ((i = 0; i < runs; i++)); do
      r=$(timed "$k" "$mode" --json discover)
      echo "$r $(jq '.devices | length' "$tmp/out$k" 2>/dev/null || echo 0)" >>"$tmp/$k.$mode.discover"
    done
    h1=$(heard "$k")
    for ((i = 0; i < runs; i++)); do
      timed "$k" "$mode" status "$MAC" >>"$tmp/$k.$mode.status"
    done
    h2=$(heard "$k")
    echo "$(((h1 - h0) / runs)) $(((h2 - h1) / runs))" >"$tmp/$k.$mode.heard"
  done
}

verification() {
  local k=$1 mode i h0
  echo admin >"$tmp/stdin$k"
  for mode in before after; do
    h0=$(heard "$k")
    for ((i = 0; i < runs; i++)); do
      timed "$k" "$mode" verify "$MAC" --user admin >>"$tmp/$k.$mode.verify"
    done
    echo "$((($(heard "$k") - h0) / runs))" >"$tmp/$k.$mode.heard"
  done
}

jobs=()
for j in "${!levels[@]}"; do
  link $((2 * j)) "${levels[j]}"
  link $((2 * j + 1)) "${levels[j]}"
done
ip route add default dev l0
for j in "${!levels[@]}"; do
  discovery_and_status $((2 * j)) &
  jobs+=($!)
  verification $((2 * j + 1)) &
  jobs+=($!)
done
for p in "${jobs[@]}"; do wait "$p"; done

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), Linux $(uname -r); $runs runs each"
echo
echo "| loss each way | sending | discovery: listed (mean: adapters x runs) | runs with all 20 | wall, median (s) | status: succeeded | wall, median (s) | requests resent | verification: succeeded |"
echo "|---|---|---|---:|---:|---:|---:|---:|---:|"
for j in "${!levels[@]}"; do
  a=$((2 * j)) v=$((2 * j + 1))
  for mode in before after; do
    d=$tmp/$a.$mode.discover s=$tmp/$a.$mode.status
    # "mean %: count x runs, ..." from the most listed down
    listed=$(awk '{ n[$4]++; sum += $4 } END {
      printf "%.1f %%:", 100 * sum / (NR * 20)
      for (c = 20; c >= 0; c--) if (c in n) printf " %d x%d", c, n[c] }' "$d")
    whole=$(awk '$4 == 20' "$d" | wc -l)
    dwall=$(awk '{ print $2 }' "$d" | median)
    ok=$(awk '$1 == 0' "$s" | wc -l)
    swall=$(awk '{ print $2 }' "$s" | median)
    # A completed query makes five exchanges (one page of shares): what it sent beyond them.
    resent=$(awk '$1 == 0 { r += $3 - 5 } END { print r + 0 }' "$s")
    vok=$(awk '$1 == 0' "$tmp/$v.$mode.verify" | wc -l)
    label=$([ "$mode" = before ] && echo "before (--retries 0)" || echo "after")
    echo "| ${levels[j]} % | $label | $listed | $whole / $runs | $dwall | $ok / $runs | $swall | $resent | $vok / $runs |"
  done
done
echo
echo "Requests the simulator heard per operation at 0 % loss (log lines):"
echo
echo "| sending | discovery | status query | verification (with its status query) |"
echo "|---|---:|---:|---:|"
for mode in before after; do
  read -r dh sh <"$tmp/0.$mode.heard"
  echo "| $mode | $dh | $sh | $(cat "$tmp/1.$mode.heard") |"
done
