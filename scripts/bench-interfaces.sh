#!/usr/bin/env bash
# Discovery on a client with several networks, inside a private network namespace; every
# network is a separate host (a nested namespace running dravmoor-sim) behind its own veth.
#  - 1, 3 and 8 interfaces with 2 adapters each: listed / expected and wall time (the
#    listening window stays about 2 s however many interfaces are asked);
#  - two LANs with 2 and 3 adapters and the default route on a third interface with nothing
#    behind it (as a VPN sets it), and one LAN with the default route on a tunnel;
#  - 5,000 adapters spread over 3 interfaces: listed, wall time, peak RSS of the client.
# Prints a markdown table.
#   scripts/bench-interfaces.sh [BUILD_DIR]     (default build)
# DRAVMOOR_BEFORE=PATH/TO/dravmoor adds a column with another build of the CLI (e.g. one
# without multi-interface discovery) for the same setups.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

source scripts/bench-enter.sh "$@"
cli=$build/cli/dravmoor
sim=$build/sim/dravmoor-sim
before=${DRAVMOOR_BEFORE:-}
tmp=$(mktemp -d)
trap 'hosts_stop; rm -rf "$tmp"' EXIT

# setup COUNTS...: one link per count, link k = 192.0.2.(8k)/29 with the client at .8k+1
# and a host serving COUNT adapters at .8k+2, numbered on from the previous hosts.
setup() {
  hosts_stop
  local link
  for link in $(ip -o link show | sed -n 's/^[0-9]*: \(net[0-9]*\)@.*/\1/p'); do
    ip link del "$link" 2>/dev/null || true
  done
  local k=0 first=1 n
  for n in "$@"; do
    rm -f "$tmp/ready$k"
    host_start "v1:192.0.2.$((8 * k + 2))/29" "$sim" --adapters "$n" --first "$first" \
      --shares 0 --ready "$tmp/ready$k" 2>/dev/null
    host_link "net$k" "192.0.2.$((8 * k + 1))/29" v1 "$HOST_PID"
    first=$((first + n))
    k=$((k + 1))
  done
  for ((j = 0; j < k; j++)); do wait_for "$tmp/ready$j"; done
}

# vpn: after setup, the default route on an interface with nothing behind it.
vpn() {
  ip link add vpn0 type veth peer name vpn1
  ip addr add 192.0.2.129/26 dev vpn0
  ip link set vpn0 up
  ip link set vpn1 up
  ip route add default dev vpn0
}
novpn() { ip link del vpn0 2>/dev/null || true; }
# tunnel: the default route on a point-to-point tunnel, as most VPNs set it.
tunnel() {
  ip tuntap add dev tun0 mode tun
  ip addr add 192.0.2.130/32 peer 192.0.2.131 dev tun0
  ip link set tun0 up
  ip route replace default dev tun0
}
notunnel() { ip link del tun0 2>/dev/null || true; }
route_first() { ip route replace default dev net0; }

# run CLI EXPECTED: "listed / expected | wall s | peak RSS MiB"
run() {
  local client=$1 expected=$2 start end listed rss
  start=$(date +%s%N)
  /usr/bin/time -v -o "$tmp/time" "$client" --json discover >"$tmp/out" 2>"$tmp/err" || true
  end=$(date +%s%N)
  listed=$(jq '.devices | length' "$tmp/out" 2>/dev/null || echo "?")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$tmp/time")
  printf '%s / %s | %s | %s' "$listed" "$expected" \
    "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }')" \
    "$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')"
}

rows=()
row() {  # LABEL EXPECTED
  local r="| $1 | $(run "$cli" "$2") |"
  if [ -n "$before" ]; then r="$r $(run "$before" "$2") |"; fi
  rows+=("$r")
}

setup 2
route_first
row "1 interface, 2 adapters" 2
setup 2 2 2
route_first
row "3 interfaces, 2 adapters each" 6
setup 2 2 2 2 2 2 2 2
route_first
row "8 interfaces, 2 adapters each" 16
setup 2 3
vpn
row "2 LANs (2 + 3 adapters), default route on a third interface (VPN-like)" 5
novpn
setup 2
tunnel
row "1 LAN (2 adapters), default route on a point-to-point tunnel (VPN)" 2
notunnel
setup 1667 1667 1666
route_first
row "5,000 adapters over 3 interfaces" 5000

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), Linux $(uname -r)"
echo
if [ -n "$before" ]; then
  echo "| discovery | listed / expected | wall time (s) | peak RSS (MiB) | before: listed / expected | wall time (s) | peak RSS (MiB) |"
  echo "|---|---:|---:|---:|---:|---:|---:|"
else
  echo "| discovery | listed / expected | wall time (s) | peak RSS (MiB) |"
  echo "|---|---:|---:|---:|"
fi
printf '%s\n' "${rows[@]}"
