#!/usr/bin/env bash
# The window under Wine, end to end against the simulator, typed into as a user would (keys
# through xdotool on this namespace's X server) and checked by a second process
# (window_probe.exe) and the command line; screenshots of every window into SHOT_DIR.
#   window_e2e.sh dravmoor-setup.exe window_probe.exe DRAVMOOR_CLI DRAVMOOR_SIM SHOT_DIR
# Runs inside scripts/windows.sh's namespace, which provides WINEPREFIX and DISPLAY.
set -uo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0" || exit 1
SETUP=$1 PROBE=$2 CLI=$3 SIM=$4 SHOTS=$5
[ -n "${DISPLAY:-}" ] || { echo "no X server: run through scripts/windows.sh" >&2; exit 1; }
mkdir -p "$SHOTS"
WORK=$(mktemp -d)
APP_PID= SIM_PID=
trap '[ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null; [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$WORK"' EXIT

SHOT_PREFIX=wine-
source "$(dirname "$0")/wine_checks.sh"
MAIN="Quick setup wizard for Dravmoor"
# Tab until the control with `id` has the focus in window `title` (at most 20 presses).
tab_to() {
  for _ in $(seq 20); do
    [ "$(probe focus "$1")" = "$2" ] && return 0
    keys "$1" key Tab
  done
  fail "the focus never reached control $2 of '$1'"
}
# A field of what NAS-Studio holds now, as the command line reads it.
adapter() { "$CLI" --json status 02:44:4d:00:00:02 2>>"$WORK/cli.err" | head -1 | jq -r ".$1"; }
# An application message box (caption: the program's name): its text, then Return closes it.
message_box() {
  probe wait dravmoor-setup 25 || { fail "no message box: $1"; return; }
  shot "$2"
  keys dravmoor-setup key Return
  probe gone dravmoor-setup 10 || fail "the message box stayed"
}

LOGS=("program=$WORK/app.log" "probe=$WORK/probe.log" "simulator=$WORK/sim.log")
GIVE_UP_AFTER=260  # CTest ends this test at 300 s
"$SIM" --ready "$WORK/ready" --admin-password s3cret 2>"$WORK/sim.log" &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/ready" ] && break; sleep 0.05; done
[ -e "$WORK/ready" ] || give_up "the simulator did not start"

probe desktop || fail "Wine's desktop did not come up"
wine "$SETUP" >"$WORK/app.log" 2>&1 &
APP_PID=$!
if ! probe wait "$MAIN" 40; then
  kill -0 "$APP_PID" 2>/dev/null && state="still runs" || state="has ended"
  give_up "the main window did not open (the program $state)"
fi

# The list fills, a selection fills the panel and the disks.
for _ in $(seq 50); do [ "$(probe items "$MAIN" 1001 | wc -l)" -ge 3 ] && break; sleep 0.2; done
expect_eq "devices listed" "NAS-Office NAS-Studio NAS-Lounge" "$(probe items "$MAIN" 1001 | xargs)"
keys "$MAIN" key Down
for _ in $(seq 30); do [ -n "$(probe text "$MAIN" 1016)" ] && break; sleep 0.2; done
expect_eq "firmware of the selection" V21R04 "$(probe text "$MAIN" 1016)"
expect_eq "its address" 192.0.2.2 "$(probe text "$MAIN" 1017)"
shot main
# NAS-Studio asks for the administrator's password.
keys "$MAIN" key Down
for _ in $(seq 30); do [ "$(probe text "$MAIN" 1017)" = 192.0.2.3 ] && break; sleep 0.2; done
expect_eq "the next selection's address" 192.0.2.3 "$(probe text "$MAIN" 1017)"

# About from the system menu: its last item.
keys "$MAIN" key alt+space
shot system-menu
keys "$MAIN" key Up Return
if probe wait About 10; then
  shot about
  keys About key Return
  probe gone About 10 || fail "About stayed open"
else
  fail "About did not open from the system menu"
fi

# The wizard asks for the administrator: refused, then accepted.
probe click "$MAIN" 1007
probe wait Verify 20 || fail "no verification"
tab_to Verify 1065
keys Verify type admin
tab_to Verify 1066
keys Verify type wrong
shot verify
probe click Verify 1069
message_box "refused" verify-refused
probe wait Verify 5 || probe click "$MAIN" 1007
probe wait Verify 20 || fail "no second verification"
tab_to Verify 1065
keys Verify key ctrl+a type admin
tab_to Verify 1066
keys Verify key ctrl+a type s3cret
probe click Verify 1069
if probe wait Wizard 25; then
  # A typed year, as people change the date: a click on the picker's year, then the digits.
  read -r left top _ bottom < <(probe rect Wizard 1059)
  keys Wizard mousemove $((left + 12)) $(((top + bottom) / 2)) click 1
  keys Wizard type 2031
  shot wizard-system
  # Out of the picker by Tab (it keeps the keys only while its calendar is open). The timezone
  # list opens wide enough to read its entries; up to the ones with "&".
  tab_to Wizard 1062
  keys Wizard key F4 key --repeat 23 Up
  shot wizard-timezone-list
  keys Wizard key Escape
  # Typed over the entry: a text naming none is refused and sends nothing; an entry's text
  # and a part of one are sent as that entry.
  zone=$(adapter timezone)
  keys Wizard key ctrl+a type nowhere
  probe click Wizard 1022
  message_box "a timezone naming no entry" wizard-timezone-refused
  expect_eq "the typed text stays" nowhere "$(probe text Wizard 1062)"
  expect_eq "the focus is back in the box" 1062 "$(probe focus Wizard)"
  expect_eq "\"nowhere\" sent nothing" "$zone" "$(adapter timezone)"
  keys Wizard key ctrl+a type "(GMT+01:00) Brussels"
  probe click Wizard 1022
  sleep 1
  expect_eq "\"(GMT+01:00) Brussels\" reaches the adapter" 29 "$(adapter timezone)"
  echo s3cret | "$CLI" set-system 02:44:4d:00:00:02 --timezone 0 >/dev/null 2>>"$WORK/cli.err"
  expect_eq "timezone 0 set by the command line" 0 "$(adapter timezone)"
  probe click Wizard 1021
  tab_to Wizard 1062
  keys Wizard key ctrl+a type brussels
  probe click Wizard 1022
  sleep 1
  expect_eq "\"brussels\" reaches the adapter" 29 "$(adapter timezone)"
  # NAS-Studio takes DHCP: "Static IP" chosen by keys opens the address fields. Then addresses
  # typed digit by digit, each field's three digits moving on by themselves.
  tab_to Wizard 1045
  keys Wizard key Up
  expect_eq "the protocol chosen" "Static IP" "$(probe text Wizard 1045)"
  tab_to Wizard 1051
  keys Wizard type 255.255.0.0
  tab_to Wizard 1052
  keys Wizard type 192.168.100.1
  expect_eq "the typed mask" 255.255.0.0 "$(probe text Wizard 1051)"
  expect_eq "the typed gateway" 192.168.100.1 "$(probe text Wizard 1052)"
  shot wizard-network
  tab_to Wizard 1045
  keys Wizard key ctrl+a type nowhere
  probe click Wizard 1022
  message_box "a mode naming no entry" wizard-mode-refused
  expect_eq "the page stays" nowhere "$(probe text Wizard 1045)"
  keys Wizard key ctrl+a type dhcp
  probe click Wizard 1022
  sleep 1
  shot wizard-finish
  probe click Wizard 1022
  probe gone Wizard 20 || fail "the wizard did not finish"
else
  fail "the wizard did not open after the right password"
fi
status=$("$CLI" --json status 02:44:4d:00:00:02 2>"$WORK/cli.err" | head -1)
expect_eq "the adapter's year after the wizard" 2031 "$(jq -r .date <<<"$status" | cut -c1-4)"
expect_eq "the adapter's mask after the wizard" 255.255.0.0 "$(jq -r .subnetMask <<<"$status")"
expect_eq "the adapter's gateway after the wizard" 192.168.100.1 "$(jq -r .gateway <<<"$status")"
expect_eq "\"dhcp\" typed: the adapter's mode" 1 "$(jq -r .ipMode <<<"$status")"
expect_eq "the adapter's timezone after the wizard" 29 "$(jq -r .timezone <<<"$status")"
echo "The adapter afterwards: $status"

# Share mapping: Wine has no network provider, so mapping shows the system's message.
# The wizard's end refreshes the list (a discovery of 2 s, input dropped meanwhile); then a
# click on its first row selects again.
sleep 4
for _ in $(seq 50); do [ "$(probe items "$MAIN" 1001 | wc -l)" -ge 3 ] && break; sleep 0.2; done
read -r left top _ _ < <(probe rect "$MAIN" 1001)
keys "$MAIN" mousemove $((left + 20)) $((top + 8)) click 1
for _ in $(seq 30); do [ "$(probe text "$MAIN" 1017)" = 192.0.2.2 ] && break; sleep 0.2; done
expect_eq "a click selects" 192.0.2.2 "$(probe text "$MAIN" 1017)"
probe click "$MAIN" 1080
if probe wait Verify 5; then
  tab_to Verify 1066
  keys Verify type s3cret
  probe click Verify 1069
fi
if probe wait "Share Mapping" 25; then
  # A share and a drive letter chosen from their lists by keys.
  tab_to "Share Mapping" 1071
  keys "Share Mapping" key Down
  tab_to "Share Mapping" 1075
  keys "Share Mapping" key Down
  expect_eq "a share chosen" Documents "$(probe text "Share Mapping" 1071)"
  shot share-mapping
  probe click "Share Mapping" 1076
  message_box "mapping without a network provider" share-mapping-refused
  keys "Share Mapping" key Escape
  probe gone "Share Mapping" 10 || fail "Share Mapping stayed open"
else
  fail "Share Mapping did not open"
fi

# Escape on the main window ends the program.
keys "$MAIN" key Escape
for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$APP_PID" 2>/dev/null; then fail "the program did not end on Escape"; else APP_PID=; fi

finish "window end to end" "${LOGS[@]}"
