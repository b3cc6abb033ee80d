#!/usr/bin/env bash
# The programs and scripts that send or answer datagrams for the tests and the demo refuse to
# start in the host's network namespace, with one line naming scripts/netns.sh; dravmoor-sim
# starts there with --lab-network, and every one of them starts inside a private namespace.
# The "host" is a stand-in: a fresh network namespace whose process 1 (this script, in a new
# PID namespace) shares it, so a program that failed to refuse still reaches no real network.
#   refuse_outside_netns.sh SIM PROGRAM...
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${1:-}" != --inside ]; then
  exec unshare -rn --pid --fork --mount-proc bash "$0" --inside "$@"
fi
shift
sim=$1
ip link set lo up
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

refuses() {  # COMMAND...: ends at once, unsuccessfully, naming scripts/netns.sh
  local out rc
  out=$(timeout 10 "$@" 2>&1 </dev/null)
  rc=$?
  if [ $rc -ne 0 ] && [ $rc -ne 124 ] && [ "$(grep -c 'scripts/netns.sh' <<<"$out")" -eq 1 ]; then
    echo "ok: refused: $out"
  else
    echo "FAIL: $* (status $rc) did not refuse: $(head -n 1 <<<"$out")"
    fail=1
  fi
}

starts() {  # COMMAND...: a simulator that binds its socket
  rm -f "$tmp/ready"
  "$@" --ready "$tmp/ready" 2>/dev/null &
  local pid=$!
  for _ in $(seq 100); do [ -e "$tmp/ready" ] && break; sleep 0.05; done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ -e "$tmp/ready" ]; then echo "ok: started: $*"; else echo "FAIL: did not start: $*"; fail=1; fi
}

for program in "$@"; do refuses "$program"; done
refuses bash "$root/tests/integration/protocol/cases.sh" discover_three /bin/false /bin/false
refuses bash "$root/tests/integration/protocol/interfaces.sh" vpn /bin/false /bin/false
refuses bash "$root/tests/integration/wizard/run_roundtrip.sh" /bin/false /bin/false
refuses bash "$root/tests/integration/gui/run_gui.sh" /bin/false /bin/false /bin/false "$tmp"
refuses bash "$root/tests/integration/gui/run_wayland.sh" /bin/false /bin/false "$tmp"
refuses bash "$root/tests/integration/firewall/run_firewall.sh" /bin/false /bin/false /bin/false /dev/null
refuses bash "$root/scripts/demo.sh" --inside /bin/false /bin/false ""
refuses bash "$root/scripts/bench-wire.sh" --inside /bin/false /bin/false
refuses env DRAVMOOR_LOAD_IN_NETNS=1 bash "$root/scripts/load.sh" "$tmp"
refuses env DRAVMOOR_BENCH_IN_NETNS=1 bash "$root/scripts/bench-interfaces.sh" "$tmp"

starts "$sim" --lab-network
starts unshare -n "$sim"
exit $fail
