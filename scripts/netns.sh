#!/usr/bin/env bash
# Runs a command inside a private network namespace: loopback, a veth pair with 192.0.2.1/24
# and a default route over it, so the limited broadcast 255.255.255.255 has a way out and
# loops back to local listeners -- and never reaches a real network.
#   scripts/netns.sh COMMAND [ARGS...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
exec unshare -rn sh -c '
  set -e
  ip link set lo up
  ip link add v0 type veth peer name v1
  ip addr add 192.0.2.1/24 dev v0
  ip link set v0 up
  ip link set v1 up
  ip route add default dev v0
  exec "$@"' sh "$@"
