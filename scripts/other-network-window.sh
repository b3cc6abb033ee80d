#!/usr/bin/env bash
# The window on a PC with two networks: LAN A (192.0.2.0/26) with two simulated adapters that
# want the password "secret", and a cafe's network (192.0.2.64/26) whose one host sprays
# datagrams at our request ports (tests/integration/protocol/other_network_host.py; MODE junk,
# answers, or impostor: it also answers discoveries as NAS-Office). Under Xvfb, runs the setup
# wizard for NAS-Office by the keyboard as a user does, keeps a screenshot of each step, and
# prints what the discovery listed and what each network heard.
#   bash scripts/other-network-window.sh MODE OUTDIR [BUILD_DIR]
set -uo pipefail
if [ "${1:-}" != --inside ]; then
  exec unshare -rn bash "$0" --inside "$@"
fi
shift
cd "$(dirname "$0")/.."
source scripts/hosts.sh
netns_is_fresh || { echo "$0: needs a fresh private namespace" >&2; exit 1; }
mode=$1 out=$2 build=${3:-build}
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d)
trap 'hosts_stop; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
ip link set lo up
host_start "v1:192.0.2.2/26" "$build/sim/dravmoor-sim" --ready "$work/a.ready" --adapters 2 \
  --password-required all --admin-password secret 2>>"$out/lan_a.log"
host_link lan_a 192.0.2.1/26 v1 "$HOST_PID"
host_start "v1:192.0.2.66/26" sh -c 'ip route add default dev v1 && exec python3 "$@"' sh tests/integration/protocol/other_network_host.py "$mode" \
  "$out/cafe.log" "$work/cafe.ready"
host_link cafe 192.0.2.65/26 v1 "$HOST_PID"
ip route add default dev lan_a
wait_for "$work/a.ready" && wait_for "$work/cafe.ready" || exit 1

"$build/cli/dravmoor" discover >"$out/discover.txt" 2>&1
Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
sleep 1
export DISPLAY=:77
"$build/app/dravmoor-setup" >"$out/setup.log" 2>&1 &
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Quick setup wizard for Dravmoor$' >/dev/null 2>&1 && break
  sleep 0.1
done
shot() { sleep "$2"; import -window root "$out/$1.png"; }
shot 1-main 1
xdotool key Down && shot 2-selected 3                   # NAS-Office: its status
xdotool key Tab Tab Tab Return && shot 3-wizard 2       # Setup wizard: verification first
xdotool key Tab && xdotool type --delay 50 admin
xdotool key Tab && xdotool type --delay 50 secret
xdotool key Tab space && shot 4-verified 3              # OK
xdotool key Tab space && shot 5-system-written 4        # Next >> on the system page
xdotool key space && shot 6-network-written 4           # Next >> on the network page
xdotool key space && shot 7-finished 4                  # Finished

echo "discovery:"; sed 's/^/  /' "$out/discover.txt"
echo "the cafe's host heard (by command code):"
cut -d' ' -f3 "$out/cafe.log" | sort -n | uniq -c | sed 's/^/  /'
echo "LAN A's adapters logged:"
grep -oE '(VERIFY|SET_[A-Z_]+) [0-9a-f:]+' "$out/lan_a.log" | sort | uniq -c | sed 's/^/  /'
