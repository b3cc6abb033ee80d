#!/usr/bin/env bash
# Runs a command inside a private network namespace: loopback, a veth pair with 192.0.2.1/24
# and a default route over it, so the limited broadcast 255.255.255.255 has a way out and
# loops back to local listeners -- and never reaches a real network.
#   scripts/netns.sh COMMAND [ARGS...]
#   scripts/netns.sh --check NAME   (in the scripts that broadcast: fails, saying so, unless
#                                    already inside a private network namespace)
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

# Not the host's namespace: not that of process 1 or, where process 1 may not be inspected
# (unprivileged, in a user namespace, a sandbox), owned by our own user namespace, and that
# one not the initial user namespace (which maps every id): as `unshare -rn` makes it.
private_netns() {
  local own init owner
  own=$(readlink /proc/self/ns/net 2>/dev/null) || return 1
  if init=$(readlink /proc/1/ns/net 2>/dev/null); then [ "$own" != "$init" ]; return; fi
  owner=$(lsns -n -t net -o ONS -p $$ 2>/dev/null | tr -d ' ') || return 1
  [ "user:[$owner]" = "$(readlink /proc/self/ns/user)" ] || return 1
  ! grep -Eq '^ *0 +0 +4294967295$' /proc/self/uid_map
}

if [ "$1" = "--check" ]; then
  private_netns && exit 0
  echo "${2:-$0}: refusing to run in the host's network namespace, since it broadcasts; run it inside scripts/netns.sh" >&2
  exit 1
fi

exec unshare -rn sh -c '
  set -e
  ip link set lo up
  ip link add v0 type veth peer name v1
  ip addr add 192.0.2.1/24 dev v0
  ip link set v0 up
  ip link set v1 up
  ip route add default dev v0
  exec "$@"' sh "$@"
