#!/usr/bin/env bash
# What a screen reader gets from the program's windows, over AT-SPI under Xvfb, inside a private
# network namespace (the program's discovery broadcasts): the main window of dravmoor-setup with
# no adapter to find (plus a screenshot of it, empty), then every other window from a11y_tree.
# Fails when an interactive control has no name.
#   scripts/a11y.sh [OUTDIR]   (default /tmp/a11y; BUILD_DIR=... chooses the build, default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${1:-/tmp/a11y}
title="Quick setup wizard for Dravmoor"

inside() {
  bash "$root/scripts/netns.sh" --check "$0 --inside"
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
  local dump="/usr/bin/python3 $root/tests/gui/app/atspi_tree.py" status=0 pid wid=""
  "$build/app/dravmoor-setup" &
  pid=$!
  # The window appears once the first discovery (about 2 s) is over.
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "a11y: the main window did not appear" >&2; kill "$pid"; exit 1; }
  sleep 0.5
  import -window "$wid" "$out/main-empty.png"
  $dump dravmoor-setup >"$out/atspi-main.txt" || status=1
  kill "$pid"; wait "$pid" 2>/dev/null || true
  "$build/tests/gui/app/a11y_tree" --hold 30 >/dev/null &
  pid=$!
  sleep 1
  $dump a11y_tree 20 >"$out/atspi-windows.txt" || status=1
  kill "$pid"; wait "$pid" 2>/dev/null || true
  exit $status
}

if [ "${1:-}" = "--inside" ]; then
  out=$2
  inside
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
exec bash "$root/scripts/netns.sh" xvfb-run -a -s "-screen 0 1024x768x24" \
  dbus-run-session -- bash "$root/scripts/a11y.sh" --inside "$out"
