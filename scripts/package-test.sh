#!/usr/bin/env bash
# The Debian package from a finished build, tested as a user gets it (needs root or sudo):
# builds it with CPack, runs lintian (no errors allowed), installs it with apt, runs the
# installed `dravmoor --help`, starts the installed dravmoor-setup from its desktop entry's
# Exec line in a private network namespace against the simulator under Xvfb and reads the
# adapters from its window, checks the firewall definitions with the installed tools, then
# purges the package and checks that none of its files is left.
#   scripts/package-test.sh [BUILD_DIR]          (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
out=$build/package
sim=$build/sim/dravmoor-sim
plugins=$build/tests/integration/gui/plugins
title="Quick setup wizard for Dravmoor"
fail() { echo "package: FAIL: $*" >&2; exit 1; }

cmake --build "$build" --target dravmoor dravmoor-setup dravmoor-sim dravmoorprobe dravmoor_icons \
  dravmoor_packaging_files >/dev/null
rm -rf "$out"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$out"/*.deb)
name=$(dpkg-deb -f "$deb" Package)
echo "package: built $(basename "$deb")"
dpkg-deb -f "$deb" Depends | sed 's/^/package: Depends: /'
# The templates' CJK font: without it the About box's button draws as empty boxes.
dpkg-deb -f "$deb" Depends | grep -q 'fonts-arphic-uming' || fail "no dependency on the dialogs' font"
dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ {print "package:   " $6}'
lintian --fail-on error --tag-display-limit 0 "$deb" 2>/dev/null | sed 's/^/package: lintian: /' ||
  fail "lintian reports errors"
echo "package: lintian: no errors"

# Install with apt, which also installs the dependencies.
if dpkg-query -W "$name" >/dev/null 2>&1; then $sudo apt-get purge -y -qq "$name" >/dev/null; fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
echo "package: installed $(dpkg-query -W -f='${Package} ${Version}' "$name")"
dpkg-query -L "$name" >"$out/files.txt"
trap '$sudo apt-get purge -y -qq "$name" >/dev/null 2>&1 || true' EXIT

help=$(/usr/bin/dravmoor --help)
echo "package: /usr/bin/dravmoor --help: $(head -1 <<<"$help")"
desktop=/usr/share/applications/net.dravmoor.QuickSetup.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic /usr/share/metainfo/net.dravmoor.QuickSetup.metainfo.xml >/dev/null ||
  fail "metainfo"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
echo "package: desktop entry Exec=$exec_line"
ufw_rules=$($sudo unshare -n ufw --dry-run allow from 0.0.0.0/0 to any app Dravmoor 2>&1) ||
  fail "ufw: $ufw_rules"
grep -q -- '--dports 16380:16387 -j ACCEPT' <<<"$ufw_rules" || fail "ufw rule without ports 16380:16387"
! grep -q -e '--sport' -e '(v6)' <<<"$ufw_rules" || fail "ufw rule by source port or for IPv6"
echo "package: ufw reads the profile: $(grep -m1 -- '--dports 16380:16387' <<<"$ufw_rules")"
/usr/bin/python3 "$root/tests/integration/firewall/check_definitions.py" \
  /usr/lib/firewalld/services/dravmoor.xml /etc/ufw/applications.d/dravmoor >/dev/null ||
  fail "installed firewall definitions"

# The installed program, started as the desktop does, against three simulated adapters.
cat >"$out/inside.sh" <<'INSIDE'
set -euo pipefail
sim=$1 plugins=$2 out=$3 title=$4 exec_line=$5
tmp=$(mktemp -d)
export XDG_RUNTIME_DIR=$tmp/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
"$sim" --adapters 3 --ready "$tmp/ready" 2>/dev/null &
for _ in $(seq 100); do [ -e "$tmp/ready" ] && break; sleep 0.05; done
# First as the desktop starts it: a screenshot of its window, with the first adapter selected.
$exec_line &
pid=$! wid=""
for _ in $(seq 150); do
  wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
[ -n "$wid" ] || { echo "no main window"; exit 1; }
sleep 0.5
xdotool mousemove --window "$wid" 60 42 click 1
sleep 1.5
import -window "$wid" "$out/installed-main-window.png"
kill "$pid"; wait "$pid" 2>/dev/null || true
# Then with the probe plugin reading its window.
QT_PLUGIN_PATH=$plugins QT_QPA_GENERIC_PLUGINS=dravmoorprobe timeout 60 $exec_line >"$out/probe.txt"
INSIDE
"$root/scripts/netns.sh" xvfb-run -a -s '-screen 0 1280x900x24' \
  bash "$out/inside.sh" "$sim" "$plugins" "$out" "$title" "$exec_line" || fail "installed dravmoor-setup"
rows=$(grep -c '^row ' "$out/probe.txt" || true)
echo "package: installed dravmoor-setup listed $rows adapters: $(sed -n 's/^row //p' "$out/probe.txt" | paste -sd, -)"
[ "$rows" -eq 3 ] || fail "expected 3 adapters in the window"
echo "package: screenshot $out/installed-main-window.png"

trap - EXIT
$sudo apt-get purge -y -qq "$name" >/dev/null
echo "package: purged $name"
left=0
while read -r f; do
  [ -z "$f" ] && continue
  if [ -e "$f" ] && [ ! -d "$f" ]; then echo "package: left behind: $f"; left=1; fi
done <"$out/files.txt"
[ -d /usr/share/doc/"$name" ] && { echo "package: left behind: /usr/share/doc/$name"; left=1; }
[ "$left" -eq 0 ] || fail "files left after purge"
echo "package: no file left after purge"
