#!/usr/bin/env bash
# Run under `unshare -rn`: five simulated adapters on a separate host (a nested namespace
# behind a veth link), the client behind nftables with a stateful default-deny input policy.
#  1. default-deny: no adapter's answer gets in; discover lists 0 and prints the hint.
#  2. plus the rule the shipped firewalld service opens (its <source-port>), as nftables:
#     all 5 are listed and there is no hint.
#   run_firewall.sh NFT DRAVMOOR SIM SERVICE_XML
set -euo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0"
nft=$1 cli=$2 sim=$3 service=$4
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

ip link set lo up
unshare -n bash -c 'while ! ip link show v1 >/dev/null 2>&1; do sleep 0.05; done
  ip link set lo up; ip addr add 192.0.2.2/24 dev v1; ip link set v1 up
  ip route add default dev v1; exec "$0" --adapters 5 --ready "$1"' \
  "$sim" "$work/ready" >/dev/null 2>"$work/sim.log" &
host=$!
for _ in $(seq 100); do [ -e "/proc/$host/ns/net" ] && [ "$(readlink /proc/$host/ns/net)" != "$(readlink /proc/self/ns/net)" ] && break; sleep 0.05; done
ip link add v0 type veth peer name v1 netns "$host"
ip addr add 192.0.2.1/24 dev v0
ip link set v0 up
ip route add default dev v0
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
[ -e "$work/ready" ] || { cat "$work/sim.log"; fail "simulator did not start"; }

"$nft" -f - <<'NFT'
table inet client {
  chain input {
    type filter hook input priority 0; policy drop;
    ct state established,related accept
    iif lo accept
  }
}
NFT

discover() {  # label
  local rc=0
  "$cli" discover >"$work/out" 2>"$work/err" || rc=$?
  [ "$rc" -eq 0 ] || { cat "$work/err"; fail "$1: discover ended with $rc"; }
  count=$(sed -n 's/^\([0-9]*\) adapter(s)$/\1/p' "$work/out")
  echo "$1: $count of 5 adapters found"
}

discover "default-deny input"
[ "$count" -eq 0 ] || fail "expected 0 behind default-deny"
grep -q 'Nothing found?' "$work/err" || fail "no hint on stderr"
echo "hint on stderr:"
cat "$work/err"

port=$(sed -n 's/.*<source-port protocol="udp" port="\([0-9]*\)".*/\1/p' "$service")
[ -n "$port" ] || fail "no UDP source port in $service"
"$nft" add rule inet client input udp sport "$port" accept
discover "default-deny + udp sport $port accept (the dravmoor service)"
[ "$count" -eq 5 ] || fail "expected 5 with the service's rule"
[ ! -s "$work/err" ] || { cat "$work/err"; fail "stderr not empty when adapters answered"; }
echo "ok"
