#!/usr/bin/env bash
# Runs inside the private namespace and under Xvfb: starts dravmoor-sim (three adapters), then
#  1. the real dravmoor-setup, given options Qt would act on (it takes none): its main window
#     must appear unstyled, a screenshot is kept, and Escape must end the program;
#  2. setup-probe (the same start-up and window, with a reading driver): the simulated names
#     must be the list's rows, and selecting the first must fill the panel and the disk list.
#   run_gui.sh SIM SETUP PROBE OUTDIR
set -euo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0"
sim=$1 setup=$2 probe=$3 out=$4
title="Quick setup wizard for Dravmoor"
mkdir -p "$out"
# Under the sanitizer build: the X11 platform plugin's system libraries keep some memory.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

"$sim" --adapters 3 --ready "$work/ready" 2>"$work/sim.log" &
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.05; done
[ -e "$work/ready" ] || { echo "simulator did not start"; cat "$work/sim.log"; exit 1; }

fail() { echo "FAIL: $*"; exit 1; }

# 1. The shipped program. A red background would mean it read the style sheet.
echo 'QDialog { background: #ff0000; }' >"$work/red.qss"
"$setup" -platform nonexistent -reverse -stylesheet "$work/red.qss" &
pid=$!
wid=""
for _ in $(seq 150); do
  wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || fail "dravmoor-setup showed no main window"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -ge 600 ] && [ "$HEIGHT" -ge 350 ] || fail "main window is ${WIDTH}x${HEIGHT}"
sleep 0.3
import -window "$wid" "$out/dravmoor-setup.png"
corner=$(convert "$out/dravmoor-setup.png" -format '%[hex:p{3,3}]' info:)
case $corner in FF0000*) fail "dravmoor-setup took the style sheet from its command line" ;; esac
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key Escape
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end dravmoor-setup"
wait "$pid" || fail "dravmoor-setup ended with $?"
echo "ok: dravmoor-setup window ${WIDTH}x${HEIGHT}, screenshot $out/dravmoor-setup.png"

# 2. What the window lists and shows.
"$probe" >"$work/probe.txt" 2>"$work/probe.err" || { cat "$work/probe.err"; fail "setup-probe failed"; }
cat "$work/probe.txt"
rows=$(grep -c '^row ' "$work/probe.txt" || true)
[ "$rows" -eq 3 ] || fail "expected 3 rows, got $rows"
for name in NAS-Office NAS-Studio NAS-Lounge; do
  grep -qx "row $name" "$work/probe.txt" || fail "no row $name"
done
grep -q '^panel 1016 V' "$work/probe.txt" || fail "no firmware text"
grep -Eq '^panel 1020 ([0-9a-f]{2}:){5}[0-9a-f]{2}$' "$work/probe.txt" || fail "no lower-case MAC"
grep -Eq '^panel 1043 (Static ip|DHCP)$' "$work/probe.txt" || fail "no IP status"
grep -Eq '^disk .*\|[0-9]+\|[0-9]+%$' "$work/probe.txt" || fail "no disk rows"
grep -qx 'buttons 1 1 1' "$work/probe.txt" || fail "device commands not enabled"
echo "ok: three simulated adapters listed, panel and disks filled"
