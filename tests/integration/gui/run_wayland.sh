#!/usr/bin/env bash
# Runs inside the private namespace: a headless Weston, dravmoor-sim (three adapters), and
# dravmoor-setup on Qt's Wayland platform with the probe plugin touring it: the adapters must
# be listed, the busy cursor must show during discovery, the system menu must offer About and
# the About box must open and close; then the program must end by itself with status 0.
#   run_wayland.sh SIM SETUP PLUGIN_DIR
set -euo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0"
sim=$1 setup=$2 plugins=$3
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-dravmoor --idle-time=0 \
  >"$work/weston.log" 2>&1 &
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/wayland-dravmoor" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/wayland-dravmoor" ] || { cat "$work/weston.log"; fail "weston did not start"; }

"$sim" --adapters 3 --ready "$work/ready" 2>"$work/sim.log" &
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
[ -e "$work/ready" ] || { cat "$work/sim.log"; fail "simulator did not start"; }

rc=0
env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-dravmoor QT_PLUGIN_PATH="$plugins" \
  QT_QPA_GENERIC_PLUGINS=dravmoorprobe:tour timeout 60 "$setup" >"$work/out.txt" 2>"$work/err.txt" || rc=$?
cat "$work/out.txt"
if [ -s "$work/err.txt" ]; then echo "--- stderr:"; cat "$work/err.txt"; fi
[ "$rc" -eq 0 ] || fail "dravmoor-setup ended with $rc"
grep -qx 'platform wayland' "$work/out.txt" || fail "not on the Wayland platform"
grep -qx 'busy-cursor 1' "$work/out.txt" || fail "no busy cursor during discovery"
for name in NAS-Office NAS-Studio NAS-Lounge; do
  grep -qx "row $name" "$work/out.txt" || fail "no row $name"
done
grep -Eq '^disk .*\|[0-9]+%$' "$work/out.txt" || fail "no disk rows"
grep -q '^menu ' "$work/out.txt" || fail "no system menu"
grep -q '^dialog ' "$work/out.txt" || fail "the About box did not open"
grep -qx 'closing' "$work/out.txt" || fail "the tour did not finish"
echo "ok: under Wayland the adapters were listed, the menu and About box worked, exit 0"
