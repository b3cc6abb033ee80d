#!/usr/bin/env bash
# Demo: builds dravmoor-setup and dravmoor-sim, then runs both together inside a private
# network namespace (scripts/netns.sh), the simulator serving three adapters with shares and
# disks. On the user's display ($DISPLAY set, a local X server) the program simply runs until
# it is closed. Without a display it runs under Xvfb: the script selects the first adapter by
# clicking its row, saves a screenshot of the main window and prints the PNG's path.
#   scripts/demo.sh            (BUILD_DIR=... to choose the build folder, default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
title="Quick setup wizard for Dravmoor"

inside() {  # runs inside the namespace (and under Xvfb when headless)
  local sim=$1 setup=$2 shot=$3
  bash "$root/scripts/netns.sh" --check "$0 --inside"
  demo_tmp=$(mktemp -d)
  trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$demo_tmp"' EXIT
  local tmp=$demo_tmp
  "$sim" --adapters 3 --ready "$tmp/ready" 2>"$tmp/sim.log" &
  for _ in $(seq 100); do [ -e "$tmp/ready" ] && break; sleep 0.05; done
  [ -e "$tmp/ready" ] || { echo "demo: the simulator did not start" >&2; cat "$tmp/sim.log" >&2; exit 1; }
  if [ -z "$shot" ]; then
    "$setup"
    return
  fi
  "$setup" &
  local setup_pid=$! wid=""
  # The window appears once the first discovery (about 2 s) is over.
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "demo: the main window did not appear" >&2; exit 1; }
  sleep 0.5
  # The first row of the device list: the list box starts at 17,23 dialog units = 26,35 px.
  xdotool mousemove --window "$wid" 60 42 click 1
  sleep 2  # the status query against the simulator takes a few milliseconds; repaint settles
  import -window "$wid" "$shot"
  kill "$setup_pid" 2>/dev/null || true
  wait "$setup_pid" 2>/dev/null || true
}

if [ "${1:-}" = "--inside" ]; then
  shift
  inside "$@"
  exit
fi

bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target dravmoor-setup dravmoor-sim -j "$(nproc)"
sim="$build/sim/dravmoor-sim"
setup="$build/app/dravmoor-setup"

if [ -n "${DISPLAY:-}" ]; then
  # A local X server is reached through its socket file, which the namespace still sees.
  exec "$root/scripts/netns.sh" bash "$root/scripts/demo.sh" --inside "$sim" "$setup" ""
fi

mkdir -p "$root/out/demo"
shot="$root/out/demo/main-window.png"
rm -f "$shot"
"$root/scripts/netns.sh" xvfb-run -a -s '-screen 0 1280x900x24' \
  bash "$root/scripts/demo.sh" --inside "$sim" "$setup" "$shot"
[ -s "$shot" ] || { echo "demo: no screenshot was taken" >&2; exit 1; }
echo "$shot"
