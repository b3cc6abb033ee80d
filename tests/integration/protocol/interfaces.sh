#!/usr/bin/env bash
# Several networks: the dravmoor CLI on a client with two LANs of simulated adapters, each LAN
# a separate host (its own namespace), and a third interface that holds the default route and
# has nothing behind it, as a VPN does. CTest runs it in a fresh private namespace:
#   unshare -rn bash interfaces.sh CASE PATH/TO/dravmoor PATH/TO/dravmoor-sim
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/hosts.sh"

# Refuse to run anywhere but a private namespace of our own: the protocol broadcasts.
bash "$here/../../../scripts/netns.sh" --check "$0" || exit 1
if ! netns_is_fresh; then
  echo "$0: this namespace has links already; run it in a fresh one (unshare -rn)" >&2
  exit 1
fi

case_name=$1
CLI=$2
SIM=$3
WORK=$(mktemp -d)
trap 'hosts_stop; rm -rf "$WORK"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() {  # what, expected, actual
  if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; fi
}
cli() {
  "$CLI" "$@" >"$WORK/out" 2>"$WORK/err" <"${CLI_STDIN:-/dev/null}"
  rc=$?
  out=$(cat "$WORK/out")
  err=$(cat "$WORK/err")
}
json() { jq -r "$1" <<<"$out"; }
requests() {  # LOG WORD MAC: how many requests of this kind the host saw for MAC
  grep -c "$2 $3" "$WORK/$1.log"
}

# sim_host NAME "IF:ADDR ..." SIM-ARGS...: a host running dravmoor-sim, ready to answer.
sim_host() {
  local name=$1 links=$2
  shift 2
  host_start "$links" "$SIM" --ready "$WORK/$name.ready" "$@" 2>>"$WORK/$name.log"
}

# LAN A: 192.0.2.0/26 with adapters 1-2; LAN B: 192.0.2.64/26 with adapters 3-5; the
# default route over vpn0 (192.0.2.128/26), whose far end answers nothing.
two_lans_and_vpn() {
  ip link set lo up
  sim_host a "v1:192.0.2.2/26" --adapters 2 --first 1
  host_link lan_a 192.0.2.1/26 v1 "$HOST_PID"
  sim_host b "v1:192.0.2.66/26" --adapters 3 --first 3
  host_link lan_b 192.0.2.65/26 v1 "$HOST_PID"
  ip link add vpn0 type veth peer name vpn1
  ip addr add 192.0.2.129/26 dev vpn0
  ip link set vpn0 up
  ip link set vpn1 up
  ip route add default dev vpn0
  wait_for "$WORK/a.ready" && wait_for "$WORK/b.ready" || exit 1
}

MAC1=02:44:4d:00:00:01
MAC4=02:44:4d:00:00:04
MAC5=02:44:4d:00:00:05

case_vpn() {
  two_lans_and_vpn
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "found" 5 "$(json '.devices | length')"
  expect_eq "macs" "01 02 03 04 05" "$(json '[.devices[].mac[-2:]] | sort | join(" ")')"
  expect_eq "interfaces" "lan_a lan_a lan_b lan_b lan_b" \
    "$(json '[.devices[].interface] | sort | join(" ")')"
  expect_eq "asked three times per interface" 3 "$(grep -c DISCOVER "$WORK/b.log")"

  # Status without discovery asks by every interface, then only where the adapter answered.
  cli --json status $MAC4
  expect_eq "status: exit status" 0 "$rc"
  expect_eq "status: answered on" lan_b "$(json .interface)"
  expect_eq "status: firmware from LAN B" V22R01 "$(json .firmware)"
  expect_eq "status: LAN B saw the whole query" 1 "$(requests b GET_DISK_INFO $MAC4)"
  expect_eq "status: LAN A saw the first request only" \
    "1 0" "$(requests a GET_SYSTEM_INFO $MAC4) $(requests a GET_NETWORK_INFO $MAC4)"

  cli set-network $MAC5 --mode dhcp --ip 192.0.2.77 --mask 255.255.255.192 --gateway 192.0.2.65 \
    --dns1 192.0.2.65 --dns2 192.0.2.65
  expect_eq "write: exit status" 0 "$rc"
  expect_eq "write: arrived on LAN B" 1 "$(requests b SET_NETWORK_INFO $MAC5)"
  expect_eq "write: found first by every interface" 1 "$(requests a GET_SYSTEM_INFO $MAC5)"
  cli --json --interface lan_b status $MAC5
  expect_eq "write: the adapter reports it" "DHCP 192.0.2.77" "$(json '"\(.ipStatus) \(.ipAddress)"')"
  expect_eq "--interface: LAN A not asked" 1 "$(requests a GET_SYSTEM_INFO $MAC5)"
}

case_password_stays() {
  # The password goes out only by the network where the adapter answered: a host on the other
  # LAN (a guest or cafe network) hears the search for the adapter, never the password.
  two_lans_and_vpn
  CLI_STDIN=<(echo admin) cli verify $MAC1
  expect_eq "verify: exit status" 0 "$rc"
  expect_eq "verify: LAN A checked it" 1 "$(requests a VERIFY $MAC1)"
  expect_eq "verify: LAN B heard no password" 0 "$(grep -c VERIFY "$WORK/b.log")"
  CLI_STDIN=<(echo admin) cli verify 02:44:4d:00:00:09
  expect_eq "unknown adapter: no answer" 3 "$rc"
  expect_eq "unknown adapter: no password anywhere" 0 "$(cat "$WORK"/*.log | grep -c "VERIFY 02:44:4d:00:00:09")"
}

case_vpn_tunnel() {
  # A real VPN's tunnel is point-to-point: never asked itself, but it holds the default route,
  # so the one LAN must be asked by name.
  ip link set lo up
  sim_host a "v1:192.0.2.2/26" --adapters 2
  host_link lan_a 192.0.2.1/26 v1 "$HOST_PID"
  ip tuntap add dev tun0 mode tun
  ip addr add 192.0.2.130/32 peer 192.0.2.131 dev tun0
  ip link set tun0 up
  ip route add default dev tun0
  wait_for "$WORK/a.ready" || exit 1
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "found" "lan_a lan_a" "$(json '[.devices[].interface] | join(" ")')"
  cli --json status $MAC1
  expect_eq "status" "0 lan_a" "$rc $(json .interface)"
  cli --interface tun0 discover
  expect_eq "a tunnel cannot be named" 2 "$rc"
}

case_same_adapter_twice() {
  # One host on two links: its adapters answer by both interfaces and are listed once.
  ip link set lo up
  sim_host a "v1:192.0.2.2/26 v2:192.0.2.66/26" --adapters 3
  host_link eth 192.0.2.1/26 v1 "$HOST_PID"
  host_link wifi 192.0.2.65/26 v2 "$HOST_PID"
  ip route add default dev eth
  wait_for "$WORK/a.ready" || exit 1
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "asked three times by both" 6 "$(grep -c DISCOVER "$WORK/a.log")"
  expect_eq "listed once" 3 "$(json '.devices | length')"
  expect_eq "distinct" 3 "$(json '.devices[].mac' | sort -u | wc -l)"
}

case_laptop() {
  # Ethernet and Wi-Fi of one laptop on the same home network (one bridged segment): the
  # request leaves by both, and the answers to both come back by whichever interface answered
  # the adapter's address lookup first (here mostly Ethernet, for both addresses).
  ip link set lo up
  host_start "" bash -c '
    while ! ip link show v2 >/dev/null 2>&1; do sleep 0.02; done
    ip link add br0 type bridge forward_delay 0 && ip link set br0 up
    for v in v1 v2; do ip link set "$v" master br0 && ip link set "$v" up; done
    ip addr add 192.0.2.2/24 dev br0
    exec "$@"' sh "$SIM" --ready "$WORK/a.ready" --adapters 3 2>>"$WORK/a.log"
  host_link eth 192.0.2.1/24 v1 "$HOST_PID"
  host_link wifi 192.0.2.13/24 v2 "$HOST_PID"
  ip route add default dev eth
  wait_for "$WORK/a.ready" || exit 1
  sleep 1  # new bridge ports drop what comes in their first moments
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "asked by both" 6 "$(grep -c DISCOVER "$WORK/a.log")"
  expect_eq "listed once" "01 02 03" "$(json '[.devices[].mac[-2:]] | join(" ")')"
  cli --retries 0 discover
  expect_eq "sent once: listed once too" 3 "$(grep -c '^NAS-' <<<"$out")"
  cli --json status 02:44:4d:00:00:02
  expect_eq "status" 0 "$rc"
}

case_interface_down() {
  two_lans_and_vpn
  cli --json discover
  expect_eq "before: found" 5 "$(json '.devices | length')"
  ip link set lan_a down
  cli --json discover
  expect_eq "after: exit status" 0 "$rc"
  expect_eq "after: LAN B only" "lan_b lan_b lan_b" "$(json '[.devices[].interface] | join(" ")')"
  cli --json status $MAC4
  expect_eq "after: status on LAN B" "0 lan_b" "$rc $(json .interface)"
  expect_eq "after: no message" "" "$err"
  cli --interface lan_a status $MAC1
  expect_eq "a named interface that is down: usage" 2 "$rc"
}

# The adapters' LAN A, and a second network (a cafe's Wi-Fi, 192.0.2.64/26) whose one host sprays
# datagrams at our request ports (junk, or answers of every kind saying "done") and answers what
# it hears. Nothing secret and no write may reach it, and nothing it sends may pass for an answer.
other_network() {  # MODE
  ip link set lo up
  sim_host a "v1:192.0.2.2/26" --adapters 2 --password-required all \
    --admin-password secret --faulty 2 --silent SET_SYSTEM_INFO
  host_link lan_a 192.0.2.1/26 v1 "$HOST_PID"
  host_start "v1:192.0.2.66/26" sh -c 'ip route add default dev v1 && exec python3 "$@"' sh "$here/other_network_host.py" "$1" "$WORK/cafe.log" \
    "$WORK/cafe.ready"
  host_link cafe 192.0.2.65/26 v1 "$HOST_PID"
  ip route add default dev lan_a
  wait_for "$WORK/a.ready" && wait_for "$WORK/cafe.ready" || exit 1
}
heard_there() {  # requests of these commands the cafe's host heard (17, 19, 21: the secrets)
  grep -cE "heard cmd ($1) " "$WORK/cafe.log"
}

tally() {  # what each command ended with, counted at the end of a mode
  echo "$mode $1: exit $rc: $(tail -1 <<<"$err" | cut -c1-110)" >>"$WORK/tally"
}

case_other_network() {
  local runs=${OTHER_NETWORK_RUNS:-1} mode run
  for mode in junk answers; do
    hosts_stop
    ip link del lan_a 2>/dev/null; ip link del cafe 2>/dev/null
    rm -f "$WORK"/*.ready "$WORK"/*.log "$WORK/tally"
    other_network "$mode"
    for run in $(seq "$runs"); do
      # Named network: every exchange stays on LAN A, and the real adapter does the work.
      CLI_STDIN=<(echo secret) cli --interface lan_a verify $MAC1
      expect_eq "$mode: verify --interface: exit" 0 "$rc"
      tally "verify --interface"
      CLI_STDIN=<(echo secret) cli --interface lan_a set-system $MAC1 --description run$run
      expect_eq "$mode: set-system --interface: exit" 0 "$rc"
      tally "set-system --interface"
      CLI_STDIN=<(echo secret) cli --interface lan_a set-network $MAC1 --mode static
      expect_eq "$mode: set-network --interface: exit" 0 "$rc"
      tally "set-network --interface"
      cli --json --interface lan_a status $MAC1
      expect_eq "$mode: the adapter holds the write" "run$run" "$(json .description)"
      # Asked everywhere: the other network answers too, differently, so nothing secret and no
      # write goes out, and the command says why.
      CLI_STDIN=<(echo secret) cli verify $MAC1
      expect_eq "$mode: verify everywhere: exit" 1 "$rc"
      tally "verify everywhere"
      expect_eq "$mode: verify everywhere: says so" 1 "$(grep -cE 'answered by (lan_a and cafe|cafe and lan_a).*--interface' <<<"$err")"
      CLI_STDIN=<(echo secret) cli set-system $MAC1 --description other
      expect_eq "$mode: set-system everywhere: exit" 1 "$rc"
      tally "set-system everywhere"
      CLI_STDIN=<(echo secret) cli set-network $MAC1 --mode static
      expect_eq "$mode: set-network everywhere: exit" 1 "$rc"
      tally "set-network everywhere"
    done
    expect_eq "$mode: verifications by LAN A" $((3 * runs)) "$(requests a VERIFY $MAC1)"
    expect_eq "$mode: system writes by LAN A" "$runs" "$(requests a SET_SYSTEM_INFO $MAC1)"
    expect_eq "$mode: network writes by LAN A" "$runs" "$(requests a SET_NETWORK_INFO $MAC1)"
    expect_eq "$mode: secrets and writes heard there" 0 "$(heard_there '17|19|21')"
    sort "$WORK/tally" | uniq -c | sed 's/^/  /'
    echo "$mode, $runs run(s): LAN A logged $(requests a VERIFY $MAC1) verifications," \
      "$(requests a SET_SYSTEM_INFO $MAC1) system and $(requests a SET_NETWORK_INFO $MAC1)" \
      "network writes; the other network heard $(heard_there '16|18|20|32|33') status" \
      "requests and $(heard_there '17|19|21') verifications or writes"
    # Only the other network's "done" can answer a write: that is no answer, never success.
    CLI_STDIN=<(echo secret) cli --interface lan_a set-system 02:44:4d:00:00:02 --description lost
    expect_eq "$mode: a write only the other network answers: no answer" \
      "3 dravmoor: no answer to the system settings" "$rc $(tail -1 <<<"$err")"
  done
}

if ! declare -F "case_$case_name" >/dev/null; then
  echo "unknown case $case_name" >&2
  exit 2
fi
"case_$case_name"
[ -n "${KEEP_LOGS:-}" ] && cp "$WORK"/*.log /tmp/ 2>/dev/null
if [ "$failures" -ne 0 ]; then
  for log in "$WORK"/*.log; do echo "--- $log" >&2; cat "$log" >&2; done
  exit 1
fi
echo "$case_name: passed"
