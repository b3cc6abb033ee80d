#!/usr/bin/env bash
# Shows the commands for many adapters against dravmoor-sim in a private network namespace:
# an export of three adapters, the file as a spreadsheet saves it (byte order mark, ';',
# CRLF) with cells edited, apply --dry-run and apply, the export afterwards; a wrong plan
# refused with the simulator's log showing no write; watch while an adapter is started,
# renamed with set-system and stopped.
#   scripts/demo-many.sh [BUILD_DIR]      (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ "${DRAVMOOR_DEMO_IN_NETNS:-}" != 1 ]; then
  cmake --build "$build" -j 2 --target dravmoor dravmoor-sim >/dev/null
  DRAVMOOR_DEMO_IN_NETNS=1 exec bash scripts/netns.sh bash "$0" "$@"
fi
bash scripts/netns.sh --check "$0" || exit 1
cli=$(realpath "$build/cli/dravmoor")
sim=$(realpath "$build/sim/dravmoor-sim")
tmp=$(mktemp -d)
sim_pid=
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
cd "$tmp"

start_sim() {
  rm -f ready
  "$sim" --ready ready "$@" 2>>sim.log &
  sim_pid=$!
  while [ ! -e ready ]; do sleep 0.05; done
}
stop_sim() {
  kill "$sim_pid"
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}
dravmoor() { "$cli" "$@"; }
show() {  # prints the command line, then runs it; its exit status is shown too
  echo "\$ $*"
  local rc=0
  eval "$@" || rc=$?
  echo "(exit $rc)"
  echo
}

echo "=== export, a spreadsheet's edit, dry run, apply, export afterwards"
start_sim
show dravmoor export --output office.csv
show cat office.csv
# A spreadsheet in a decimal-comma locale: ';' between cells, a byte order mark, CRLF.
python3 - <<'EOF'
import csv
rows = list(csv.reader(open("office.csv", newline="")))
rows[1][2], rows[1][9] = "Front desk", "192.0.2.20"   # NAS-Office: description, address
rows[3][7] = "yes"                                    # NAS-Lounge: ask for the password
rows[2][3] = rows[2][4] = "now"                       # NAS-Studio: clock (right already)
with open("office-sheet.csv", "w", newline="", encoding="utf-8-sig") as f:
    csv.writer(f, delimiter=";", lineterminator="\r\n").writerows(rows)
EOF
show "head -c 200 office-sheet.csv | od -c | head -4"
show dravmoor apply --dry-run office-sheet.csv
show "echo admin | dravmoor apply office-sheet.csv"
show dravmoor export
echo "Writes in the simulator's log:"
grep 'SET_' sim.log | sed 's/^dravmoor-sim: //'
stop_sim
: >sim.log
echo
echo "=== a wrong plan: two adapters on one address, a MAC that is not there"
start_sim
printf 'mac,ip\n02:44:4d:00:00:01,192.0.2.50\n02:44:4d:00:00:03,192.0.2.50\n02:44:4d:00:00:09,\n' >wrong.csv
show cat wrong.csv
show dravmoor apply wrong.csv
echo "The simulator's log (discoveries and status queries only, no write):"
sed 's/^dravmoor-sim: //' sim.log
stop_sim
echo
echo "=== watch while an adapter is started, renamed with set-system and stopped"
"$cli" watch --interval 2 >watch.out 2>&1 &
watch=$!
sleep 3
echo "\$ dravmoor-sim --adapters 1 --first 7 --rename &"
start_sim --adapters 1 --first 7 --rename
sleep 3
show dravmoor set-system 02:44:4d:00:00:07 --name Lobby
sleep 3
echo "\$ kill %dravmoor-sim"
stop_sim
sleep 7
kill "$watch"
wait "$watch" 2>/dev/null || true
echo "\$ dravmoor watch --interval 2     (beside the above, until stopped)"
cat watch.out
