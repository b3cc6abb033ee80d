#!/usr/bin/env bash
# A lossy segment: 19 simulated adapters on a separate host (its own namespace) behind a veth,
# and nftables on both sides losing every fifth datagram each way, starting with the first:
# the host does not hear requests 1, 6, 11, ..., the client does not get answers 1, 6, 11, ...
# of each command (the rules start afresh before each). A fixed pattern instead of random
# loss, so every check holds on every run; scripts/bench-loss.sh measures random loss.
# CTest runs it in a fresh private namespace:
#   unshare -rn bash lossy.sh PATH/TO/dravmoor PATH/TO/dravmoor-sim
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/hosts.sh"

bash "$here/../../../scripts/netns.sh" --check "$0" || exit 1
if ! netns_is_fresh; then
  echo "$0: this namespace has links already; run it in a fresh one (unshare -rn)" >&2
  exit 1
fi

CLI=$1
SIM=$2
WORK=$(mktemp -d)
trap 'hosts_stop; rm -rf "$WORK"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() {  # what, expected, actual
  if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; fi
}
json() { jq -r "$1" <<<"$out"; }

ip link set lo up
host_start "v1:192.0.2.2/24" "$SIM" --adapters 19 --password-required none \
  --ready "$WORK/ready" 2>"$WORK/sim.log"
host=$HOST_PID
host_link v0 192.0.2.1/24 v1 "$host"
ip route add default dev v0
wait_for "$WORK/ready" || exit 1

# lossy CLI-ARGS...: runs dravmoor over freshly started loss rules; $requests is how many
# requests it sent, $heard how many the simulator answered or logged.
lossy() {
  local logged
  logged=$(grep -c ' -> ' "$WORK/sim.log")
  loss_rule "$host" requests input "udp dport 1638" "numgen inc mod 5 == 0"
  loss_rule answers input "udp sport 1638" "numgen inc mod 5 == 0"
  loss_rule sent output "udp dport 1638"
  "$CLI" "$@" >"$WORK/out" 2>"$WORK/err" <"$WORK/stdin"
  rc=$?
  out=$(cat "$WORK/out")
  err=$(cat "$WORK/err")
  requests=$(loss_count sent)
  heard=$(($(grep -c ' -> ' "$WORK/sim.log") - logged))
}
: >"$WORK/stdin"
MAC=02:44:4d:00:00:07

# Discovery: sent once, its one request is lost; asked again, every adapter is found.
lossy --retries 0 --json discover
expect_eq "once: exit status" 0 "$rc"
expect_eq "once: sent" 1 "$requests"
expect_eq "once: found" 0 "$(json '.devices | length')"
lossy --json discover
expect_eq "asked again: exit status" 0 "$rc"
expect_eq "asked again: sent" 3 "$requests"
expect_eq "asked again: found, each once" \
  "19 19" "$(json '.devices | length') $(json '[.devices[].mac] | unique | length')"

# Status: the first request and the first answer are lost, and one of each exchange later on;
# every exchange asks again and the query completes with the adapter's own data.
lossy --json status $MAC
expect_eq "status: exit status" 0 "$rc"
expect_eq "status: the adapter's data" "$MAC 192.0.2.8 2" \
  "$(json '"\(.mac) \(.ipAddress) \(.shares | length)"')"
expect_eq "status: said once on stderr" \
  "dravmoor: no answer yet from $MAC, asking again" "$err"
expect_eq "status: JSON only on stdout" 1 "$(jq -s length "$WORK/out")"
[ "$requests" -gt 5 ] || fail "status: asked again: $requests requests"

# Verification (found with a status query first) gets through the same loss.
echo admin >"$WORK/stdin"
lossy verify $MAC --user admin
expect_eq "verify: exit status" 0 "$rc"
: >"$WORK/stdin"

# Sent once, as the protocol alone does: the lost first request ends in the 20-second
# time-out with the window's message.
lossy --retries 0 status $MAC
expect_eq "once: status exit status" 3 "$rc"
expect_eq "once: status sent" "1 0" "$requests $heard"
expect_eq "once: status message" 1 "$(grep -c '^dravmoor: Time out:get system info!$' <<<"$err")"

if [ "$failures" -ne 0 ]; then
  echo "--- simulator log" >&2
  cat "$WORK/sim.log" >&2
  exit 1
fi
echo "lossy: passed"
