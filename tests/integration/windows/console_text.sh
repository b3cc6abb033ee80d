#!/usr/bin/env bash
# dravmoor.exe on a console and redirected (console_text.py), against a simulator whose
# adapter is named "NAS-Büro". Inside scripts/windows.sh's namespace, which provides
# WINEPREFIX.
#   console_text.sh WINE DRAVMOOR.EXE DRAVMOOR_SIM
set -uo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0" || exit 1
WINE=$1 EXE=$2 SIM=$3
WORK=$(mktemp -d)
SIM_PID=
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
"$SIM" --adapters 1 --non-utf8 --ready "$WORK/ready" 2>"$WORK/sim.log" &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/ready" ] && break; sleep 0.05; done
[ -e "$WORK/ready" ] || { echo "the simulator did not start" >&2; exit 1; }
python3 "$(dirname "$0")/console_text.py" "$WINE" "$EXE" || {
  echo "--- simulator" >&2
  cat "$WORK/sim.log" >&2
  exit 1
}
