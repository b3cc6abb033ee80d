# Separate hosts behind veth links, for tests and measurements that need the client on
# several networks. Source it from a shell that already runs inside a private network
# namespace (unshare -rn); each host is a nested `unshare -n` of its own.
#
#   host_start NAME "IF:ADDR/PREFIX ..." COMMAND [ARGS...]
#       starts COMMAND in a new namespace once its interfaces exist and are configured;
#       leaves the pid in $HOST_PID and adds it to HOST_PIDS
#   host_link CLIENT_IF CLIENT_ADDR/PREFIX HOST_IF PID
#       a veth link from this namespace (CLIENT_IF, addressed and up) to the host's HOST_IF
#   hosts_stop
#       ends every host started here
#   netns_is_fresh
#       true in a private namespace that has nothing but loopback (nothing can leak out)
#   loss_rule [PID] NAME HOOK MATCH [DROP]
#       in this namespace or the host PID's, table "loss_NAME": nftables counts the datagrams
#       MATCH names on HOOK (input or output) and drops those DROP picks, e.g.
#       "numgen random mod 100 < 20"; given again, it starts afresh (counters and numgen
#       state at zero)
#   loss_count [PID] NAME
#       how many datagrams that rule has seen

HOST_PIDS=()

netns_is_fresh() {
  [ "$(ip -o link show | grep -vc ': lo:')" -eq 0 ]
}

host_start() {
  local links=$1
  shift
  # The nested shell waits for each interface to be moved in, then configures it.
  unshare -n bash -c '
    for l in $1; do
      while ! ip link show "${l%%:*}" >/dev/null 2>&1; do sleep 0.02; done
    done
    ip link set lo up
    for l in $1; do
      ip addr add "${l#*:}" dev "${l%%:*}"
      ip link set "${l%%:*}" up
    done
    shift
    exec "$@"' sh "$links" "$@" &
  HOST_PID=$!
  HOST_PIDS+=("$HOST_PID")
  # The link may only be made once the host has its own namespace.
  local _
  for _ in $(seq 250); do
    [ "$(readlink "/proc/$HOST_PID/ns/net")" != "$(readlink /proc/self/ns/net)" ] && return 0
    sleep 0.01
  done
  echo "hosts: no namespace of its own for $*" >&2
  return 1
}

host_link() {
  local cif=$1 caddr=$2 hif=$3 pid=$4
  ip link add "$cif" type veth peer name "$hif" netns "$pid"
  ip addr add "$caddr" dev "$cif"
  ip link set "$cif" up
}

hosts_stop() {
  local pid
  for pid in "${HOST_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${HOST_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  HOST_PIDS=()
}

# wait_for FILE: until FILE exists (a simulator's --ready file), at most 5 s.
wait_for() {
  local _
  for _ in $(seq 250); do [ -e "$1" ] && return 0; sleep 0.02; done
  echo "hosts: $1 did not appear" >&2
  return 1
}

# A lossy segment, made with nftables (tc netem is not available everywhere).
loss_rule() {
  local in=()
  if [[ $1 =~ ^[0-9]+$ ]]; then in=(nsenter "--net=/proc/$1/ns/net"); shift; fi
  local name=$1 hook=$2 match=$3 drop=${4:-}
  "${in[@]}" nft delete table ip "loss_$name" 2>/dev/null || true
  "${in[@]}" nft -f - <<EOF_NFT
table ip loss_$name {
  chain c {
    type filter hook $hook priority 0; policy accept;
    $match counter ${drop:+$drop drop}
  }
}
EOF_NFT
}

loss_count() {
  local in=()
  if [[ $1 =~ ^[0-9]+$ ]]; then in=(nsenter "--net=/proc/$1/ns/net"); shift; fi
  "${in[@]}" nft list table ip "loss_$1" | sed -n 's/.*counter packets \([0-9]*\).*/\1/p' | head -1
}
