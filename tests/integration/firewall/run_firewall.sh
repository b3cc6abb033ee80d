#!/usr/bin/env bash
# Run under `unshare -rn`: five simulated adapters on a separate host (a nested namespace
# behind a veth link), the client behind nftables with a stateful default-deny input policy.
#  1. default-deny: no adapter's answer gets in; discover lists 0 and prints the hint.
#  2. plus the rule the shipped firewalld service opens (its UDP <port> range, IPv4), as
#     nftables: all 5 are listed, there is no hint, and the request left from that range.
#  3. with that rule, a datagram from port 1638 to another local port (a listener on 9999)
#     does not get in; under the rule shipped before (any UDP from source port 1638) it did.
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

# The service's rules go to their own chain, so each step can replace them. The output chain
# notes the source port of every request to 1638.
"$nft" -f - <<'NFT'
table inet client {
  set request_ports { type inet_service; flags dynamic; }
  chain service {
  }
  chain input {
    type filter hook input priority 0; policy drop;
    ct state established,related accept
    iif lo accept
    jump service
  }
  chain output {
    type filter hook output priority 0; policy accept;
    udp dport 1638 add @request_ports { udp sport }
  }
}
NFT
allow() {  # nftables rule for the service chain
  "$nft" flush chain inet client service
  "$nft" add rule inet client service "$@" accept
}

discover() {  # label
  local rc=0
  "$cli" discover >"$work/out" 2>"$work/err" || rc=$?
  [ "$rc" -eq 0 ] || { cat "$work/err"; fail "$1: discover ended with $rc"; }
  count=$(sed -n 's/^\([0-9]*\) adapter(s)$/\1/p' "$work/out")
  echo "$1: $count of 5 adapters found"
}

# A datagram from UDP port 1638 of the adapters' host to a listener on the client's port
# 9999, as any host of the segment can send one. Sets `probe` to "got in" or "dropped".
probe() {  # label
  /usr/bin/python3 -c '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 9999))
open(__import__("sys").argv[1], "w").close()
s.settimeout(1.0)
try:
    data, sender = s.recvfrom(100)
    print("got in from %s:%d" % sender)
except socket.timeout:
    print("dropped")' "$work/listening" >"$work/probe" &
  local listener=$!
  for _ in $(seq 100); do [ -e "$work/listening" ] && break; sleep 0.02; done
  # A raw socket, since the simulator holds port 1638 over there.
  nsenter -t "$host" -n /usr/bin/python3 -c '
import socket, struct
s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_UDP)
s.sendto(struct.pack("!HHHH", 1638, 9999, 13, 0) + b"probe", ("192.0.2.1", 0))'
  wait "$listener"
  rm -f "$work/listening"
  probe=$(cat "$work/probe")
  echo "$1: datagram from port 1638 to port 9999: $probe"
}

discover "default-deny input"
[ "$count" -eq 0 ] || fail "expected 0 behind default-deny"
grep -q 'Nothing found?' "$work/err" || fail "no hint on stderr"
echo "hint on stderr:"
cat "$work/err"

ports=$(sed -n 's/.*<port protocol="udp" port="\([0-9]*-[0-9]*\)"\/>.*/\1/p' "$service")
[ -n "$ports" ] || fail "no UDP port range in $service"
grep -q '<destination ipv4="0.0.0.0/0"/>' "$service" || fail "the service is not IPv4 only"
! grep -q 'source-port' "$service" || fail "the service still opens by source port"
"$nft" flush set inet client request_ports
allow meta nfproto ipv4 udp dport "$ports"
discover "default-deny + udp dport $ports accept (the dravmoor service)"
[ "$count" -eq 5 ] || fail "expected 5 with the service's rule"
[ ! -s "$work/err" ] || { cat "$work/err"; fail "stderr not empty when adapters answered"; }
used=$("$nft" list set inet client request_ports | sed -n 's/.*elements = { \(.*\) }.*/\1/p')
echo "source port of the request to 1638: $used"
[[ "$used" =~ ^[0-9]+$ ]] && [ "$used" -ge "${ports%-*}" ] && [ "$used" -le "${ports#*-}" ] ||
  fail "requests left from $used, not from one port of $ports"

probe "the dravmoor service"
[ "$probe" = dropped ] || fail "the service lets in a datagram from port 1638 to port 9999"
allow udp sport 1638
probe "the rule shipped before (udp sport 1638 accept)"
[ "${probe%% *}" = got ] || fail "the probe did not reach the listener even under the old rule"
echo "ok"
