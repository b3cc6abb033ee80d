#!/usr/bin/env bash
# Integration cases: the dravmoor CLI over the real POSIX sockets against dravmoor-sim.
# Runs inside a private network namespace (CTest wraps it in scripts/netns.sh):
#   cases.sh CASE PATH/TO/dravmoor PATH/TO/dravmoor-sim
set -uo pipefail

# Refuse to run anywhere but a private namespace: the protocol broadcasts.
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0" || exit 1

case_name=$1
CLI=$2
SIM=$3
WORK=$(mktemp -d)
SIM_PID=
trap 'stop_sim; rm -rf "$WORK"' EXIT


failures=0
fail() {
  echo "FAIL: $*" >&2
  [ -n "${last_cli:-}" ] && echo "      after: $last_cli" >&2
  failures=$((failures + 1))
}
expect_eq() {  # what, expected, actual
  if [ "$2" != "$3" ]; then fail "$1: expected '$2', got '$3'"; fi
}

start_sim() {
  rm -f "$WORK/ready"
  "$SIM" --ready "$WORK/ready" "$@" 2>>"$WORK/sim.log" &
  SIM_PID=$!
  for _ in $(seq 100); do
    [ -e "$WORK/ready" ] && return 0
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "dravmoor-sim did not start" >&2
  cat "$WORK/sim.log" >&2
  exit 1
}
stop_sim() {
  if [ -n "$SIM_PID" ]; then
    kill -TERM "$SIM_PID" 2>/dev/null
    wait "$SIM_PID" 2>/dev/null
    SIM_PID=
  fi
}

# cli ARGS...: runs the CLI; stdout in $out, stderr in $err, exit status in $rc.
cli() {
  "$CLI" "$@" >"$WORK/out" 2>"$WORK/err" <"${CLI_STDIN:-/dev/null}"
  rc=$?
  out=$(cat "$WORK/out")
  err=$(cat "$WORK/err")
  last_cli="$(basename "$CLI") $* (exit $rc${err:+, stderr: $(tail -3 <<<"$err")})"
}
# How many requests the simulator logged that match PATTERN. Compared before and after a
# command rather than as totals: on a slow machine (Wine) an answer can take past the first
# resend interval, and the request is then rightly sent again.
requests() { grep -c "$1" "$WORK/sim.log"; }
json() { head -1 <<<"$out" | jq -r "$1"; }  # the result, not a following error document

MAC1=02:44:4d:00:00:01
MAC2=02:44:4d:00:00:02
MAC3=02:44:4d:00:00:03

case_discover_three() {
  start_sim
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "count" 3 "$(json '.devices | length')"
  expect_eq "names" "NAS-Office NAS-Studio NAS-Lounge" "$(json '[.devices[].name] | join(" ")')"
  expect_eq "macs" "$MAC1 $MAC2 $MAC3" "$(json '[.devices[].mac] | join(" ")')"
  expect_eq "addresses" "192.0.2.2 192.0.2.3 192.0.2.4" "$(json '[.devices[].ipAddress] | join(" ")')"
  expect_eq "web ports" "80 8080 8088" "$(json '[.devices[].webPort] | join(" ")')"
  expect_eq "interfaces" "v0 v0 v0" "$(json '[.devices[].interface] | join(" ")')"
  cli discover
  expect_eq "table exit status" 0 "$rc"
  grep -q "^NAS-Studio  *$MAC2  *192.0.2.3  *8080  *v0\$" <<<"$out" || fail "table row: $out"
}

case_discover_thousand() {
  start_sim --adapters 1000
  local started=$(date +%s%N)
  cli --json discover
  local ms=$((($(date +%s%N) - started) / 1000000))
  expect_eq "exit status" 0 "$rc"
  expect_eq "count" 1000 "$(json '.devices | length')"
  expect_eq "distinct macs" 1000 "$(json '.devices[].mac' | sort -u | wc -l)"
  expect_eq "last reported address" "198.18.2.242" "$(json '.devices[999].ipAddress')"
  echo "discovery of 1000 adapters: $ms ms"
  [ "$ms" -lt 4000 ] || fail "discovery took $ms ms"
}

case_discover_faults() {
  # Doubled replies are listed twice; replies with another cmd or signature are ignored.
  start_sim --double --wrong-cmd-first --bad-signature-first
  cli --json discover
  expect_eq "exit status" 0 "$rc"
  expect_eq "count with doubles" 6 "$(json '.devices | length')"
  stop_sim
  start_sim --adapters 5 --silent DISCOVER --faulty 2,4
  cli --json discover
  expect_eq "silent adapters missing" "NAS-Office NAS-Lounge NAS-0005" "$(json '[.devices[].name] | join(" ")')"
  stop_sim
  start_sim --drop 100
  cli --json discover
  expect_eq "nobody answers: exit status" 0 "$rc"
  expect_eq "nobody answers: count" 0 "$(json '.devices | length')"
}

case_texts() {
  # Names that fill their fields are shown whole; 8-bit texts stay valid JSON.
  start_sim --long-names
  cli --json discover
  expect_eq "16-character name" 16 "$(json '.devices[0].name | length')"
  cli --json status $MAC1
  expect_eq "64-character description" 64 "$(json '.description | length')"
  expect_eq "15-character mask" "255.255.255.252" "$(json '.subnetMask')"
  expect_eq "36-character share" 36 "$(json '.shares[0] | length')"
  expect_eq "16-character device id" 16 "$(json '.disks[0].deviceId | length')"
  expect_eq "10-character fs type" 10 "$(json '.disks[0].fsType | length')"
  stop_sim
  start_sim --non-utf8
  cli --json discover
  expect_eq "latin-1 name" "NAS-Büro" "$(json '.devices[0].name')"
  cli discover
  grep -q 'NAS-Büro' <<<"$out" || fail "table shows the decoded name: $out"
}

case_status() {
  start_sim --shares 3,20,45
  cli --json status $MAC3
  expect_eq "exit status" 0 "$rc"
  expect_eq "firmware" V19R07 "$(json .firmware)"
  expect_eq "ip" 192.0.2.4 "$(json .ipAddress)"
  expect_eq "mac" $MAC3 "$(json .mac)"
  expect_eq "description" "Lounge media library" "$(json .description)"
  expect_eq "ip status" "Static ip" "$(json .ipStatus)"
  expect_eq "timezone" 56 "$(json .timezone)"
  expect_eq "share count" 45 "$(json .shareCount)"
  expect_eq "shares in page order" "Movies Series Kids Music Photos Folder0006" \
    "$(json '.shares[0:6] | join(" ")')"
  expect_eq "all 45 shares" 45 "$(json '.shares | length')"
  expect_eq "last share" Folder0045 "$(json '.shares[44]')"
  expect_eq "disks" "Movies/sdd1/NTFS/1907729/54 Photos/sde1/FAT32/30533/3" \
    "$(json '[.disks[] | "\(.shareName)/\(.deviceId)/\(.fsType)/\(.totalSizeMB)/\(.freePercent)"] | join(" ")')"
  expect_eq "pages asked for 45 shares" 3 "$(grep -c "GET_SHARE_LIST $MAC3" "$WORK/sim.log")"

  cli --json status $MAC2
  expect_eq "20 shares" 20 "$(json '.shares | length')"
  expect_eq "DHCP adapter" DHCP "$(json .ipStatus)"
  expect_eq "password flag" true "$(json .passwordRequired)"
  expect_eq "pages asked for 20 shares" 2 "$(grep -c "GET_SHARE_LIST $MAC2" "$WORK/sim.log")"

  cli status $MAC1
  expect_eq "table exit status" 0 "$rc"
  grep -q '^Firmware: *V21R04$' <<<"$out" || fail "table firmware: $out"
  grep -q '^Documents *sda1 *NTFS *953869 *37%$' <<<"$out" || fail "table disk row: $out"

  cli status 02:44:4d:00:00:09
  expect_eq "unknown adapter: time-out" 3 "$rc"
  expect_eq "unknown adapter: waiting said" \
    "dravmoor: no answer yet from 02:44:4d:00:00:09, asking again" "$(head -1 <<<"$err")"
  expect_eq "unknown adapter: message" "dravmoor: Time out:get system info!" "$(sed -n 2p <<<"$err")"
  expect_eq "unknown adapter: hint" 1 "$(grep -c 'dravmoor discover' <<<"$err")"
  expect_eq "unknown adapter: asked again at 1, 3, 7 and 15 s" 5 \
    "$(grep -c "GET_SYSTEM_INFO 02:44:4d:00:00:09" "$WORK/sim.log")"
}

case_status_faults() {
  # A reply with another cmd arrives first: each exchange takes the datagram ahead of its
  # own and uses nothing that does not match, but the query still completes.
  start_sim --wrong-cmd-first
  cli --json status $MAC1
  expect_eq "wrong cmd first: exit status" 1 "$rc"
  expect_eq "wrong cmd first: firmware unused" V "$(json .firmware)"
  stop_sim
  # Replies cut after the firmware: what arrived is used, the rest reads as zero.
  start_sim --short 20
  cli --json status $MAC1
  expect_eq "short: exit status" 0 "$rc"
  expect_eq "short: firmware" V21R04 "$(json .firmware)"
  expect_eq "short: description" "" "$(json .description)"
  expect_eq "short: share count" 3 "$(json .shareCount)"
  expect_eq "short: no share records" 0 "$(json '.shares | length')"
  stop_sim
  # Slow replies are still waited for.
  start_sim --delay 300
  cli --json status $MAC1
  expect_eq "delayed: exit status" 0 "$rc"
  expect_eq "delayed: shares" 3 "$(json '.shares | length')"
}

case_verify() {
  start_sim --admin boss --admin-password s3cret
  CLI_STDIN=<(echo s3cret) cli verify $MAC2 --user boss
  expect_eq "accepted: exit status" 0 "$rc"
  CLI_STDIN=<(echo wrong) cli verify $MAC2 --user boss
  expect_eq "refused: exit status" 4 "$rc"
  expect_eq "refused: message" "dravmoor: Verify failed!" "$err"
  CLI_STDIN=<(echo s3cret) cli --json verify $MAC2 --user admin
  expect_eq "wrong name: exit status" 4 "$rc"
  local asked=$(requests "VERIFY $MAC2")
  CLI_STDIN=<(echo 123456789) cli verify $MAC2 --user boss
  expect_eq "password too long: exit status" 2 "$rc"
  expect_eq "nothing sent for a bad password" "$asked" "$(requests "VERIFY $MAC2")"
  stop_sim
  start_sim --silent VERIFY
  CLI_STDIN=<(echo x) cli verify $MAC2
  expect_eq "silent: exit status" 3 "$rc"
  expect_eq "silent: message" "dravmoor: Time out:Verify name & password!" "$(tail -1 <<<"$err")"
}

case_write_system() {
  start_sim
  cli set-system $MAC1 --description "Renamed by the test" --date 2030-01-02 --time 03:04:05 \
    --timezone 5 --password-required yes
  expect_eq "exit status" 0 "$rc"
  cli --json status $MAC1
  expect_eq "description" "Renamed by the test" "$(json .description)"
  expect_eq "date" 20300102 "$(json .date)"
  [[ "$(json .time)" == 0304* ]] || fail "time: $(json .time)"
  expect_eq "timezone" 5 "$(json .timezone)"
  expect_eq "password flag" true "$(json .passwordRequired)"
  grep -q "SET_SYSTEM_INFO $MAC1 -> NAS-Office: 12-byte reply\$" "$WORK/sim.log" ||
    fail "the name went back unchanged: $(grep SET_SYSTEM_INFO "$WORK/sim.log")"

  # The adapter now wants the administrator: a write without the password sends nothing.
  local writes=$(requests SET_SYSTEM_INFO)
  cli set-system $MAC1 --name NAS-Office --password-required no
  expect_eq "no password: exit status" 4 "$rc"
  CLI_STDIN=<(echo wrong) cli set-system $MAC1 --name NAS-Office --password-required no
  expect_eq "wrong password: exit status" 4 "$rc"
  expect_eq "refused writes sent nothing" "$writes" "$(requests SET_SYSTEM_INFO)"
  # Only one field given: the others keep the adapter's values.
  CLI_STDIN=<(echo admin) cli set-system $MAC1 --name NAS-Office --password-required no
  expect_eq "partial: exit status" 0 "$rc"
  cli --json status $MAC1
  expect_eq "partial: description kept" "Renamed by the test" "$(json .description)"
  expect_eq "partial: password flag" false "$(json .passwordRequired)"
  expect_eq "partial: timezone kept" 5 "$(json .timezone)"

  writes=$(requests SET_SYSTEM_INFO)
  cli set-system $MAC1 --description "no dots."
  expect_eq "invalid description: exit status" 2 "$rc"
  expect_eq "an invalid write sent nothing" "$writes" "$(requests SET_SYSTEM_INFO)"
}

case_write_network() {
  start_sim
  cli set-network $MAC3 --mode dhcp --ip 192.0.2.77 --mask 255.255.255.255 --gateway 192.0.2.1 \
    --dns1 192.0.2.9 --dns2 192.0.2.8
  expect_eq "exit status" 0 "$rc"
  cli --json status $MAC3
  expect_eq "mode" DHCP "$(json .ipStatus)"
  expect_eq "addresses" "192.0.2.77 255.255.255.255 192.0.2.1 192.0.2.9 192.0.2.8" \
    "$(json '[.ipAddress, .subnetMask, .gateway, .dns1, .dns2] | join(" ")')"
  cli --json discover
  expect_eq "discovery reports the new address" 192.0.2.77 "$(json '.devices[2].ipAddress')"

  cli set-network $MAC3 --ip 300.1.1.1
  expect_eq "bad address: exit status" 2 "$rc"
}

case_network_refused() {
  start_sim --refuse-network --faulty 1
  cli set-network $MAC1 --mode static --ip 192.0.2.50 --mask 255.255.255.0 --gateway 192.0.2.1 \
    --dns1 192.0.2.1 --dns2 192.0.2.1
  expect_eq "exit status" 4 "$rc"
  expect_eq "message" "dravmoor: Set network info failed!" "$err"
  cli --json status $MAC1
  expect_eq "address unchanged" 192.0.2.2 "$(json .ipAddress)"
}

case_silent_adapter() {
  # Adapter 2 takes requests but never answers the system-info request: about 20 seconds.
  start_sim --silent GET_SYSTEM_INFO --faulty 2
  local started=$(date +%s)
  cli status $MAC2
  local took=$(($(date +%s) - started))
  expect_eq "exit status" 3 "$rc"
  expect_eq "message" "dravmoor: Time out:get system info!" "$(sed -n 2p <<<"$err")"
  [ "$took" -ge 19 ] && [ "$took" -le 23 ] || fail "time-out took $took s"
  # A write finds the adapter (and whether it wants the password) first: not found, not sent.
  cli set-network $MAC2 --mode dhcp --ip 1.2.3.4 --mask 255.255.0.0 --gateway 1.2.3.4 --dns1 1.2.3.4 \
    --dns2 1.2.3.4
  expect_eq "a write to an adapter not found" 3 "$rc"
  expect_eq "nothing written" 0 "$(grep -c "SET_NETWORK_INFO" "$WORK/sim.log")"
}

case_write_no_answer() {
  start_sim --silent SET_NETWORK_INFO
  cli set-network $MAC1 --mode dhcp --ip 1.2.3.4 --mask 255.255.0.0 --gateway 1.2.3.4 --dns1 1.2.3.4 \
    --dns2 1.2.3.4
  expect_eq "exit status" 3 "$rc"
  expect_eq "message" "dravmoor: no answer to the network settings" "$(tail -1 <<<"$err")"
  expect_eq "asked again while nothing answered" 5 "$(grep -c "SET_NETWORK_INFO" "$WORK/sim.log")"
}

case_sim_signals() {
  start_sim
  kill -INT "$SIM_PID"
  wait "$SIM_PID"
  expect_eq "SIGINT ends the simulator cleanly" 0 "$?"
  SIM_PID=
  grep -q 'dravmoor-sim: stopped' "$WORK/sim.log" || fail "no clean stop in the log"
}

# as_spreadsheet CSV: the file as a spreadsheet in a decimal-comma locale saves it: a byte
# order mark, ';' between cells (quoted cells keep their commas), CRLF lines.
as_spreadsheet() {
  python3 -c '
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
for row in rows[1:]:
    if row[0] == sys.argv[2]: row[2], row[9] = "Front desk", "192.0.2.20"
    if row[0] == sys.argv[3]: row[7] = "yes"
with open(sys.argv[1], "w", newline="", encoding="utf-8-sig") as f:
    csv.writer(f, delimiter=";", lineterminator="\r\n").writerows(rows)' "$1" "$MAC1" "$MAC3"
}

case_many_export_apply() {
  start_sim
  cli export --output "$WORK/plan.csv"
  expect_eq "export: exit status" 0 "$rc"
  expect_eq "export: header and three rows" 4 "$(wc -l <"$WORK/plan.csv")"
  grep -q "^$MAC2,NAS-Studio,Studio archive with the raw footage,,,26,\"(GMT) Greenwich Mean Time: Dublin,Edinburgh,Lisbon,London\",yes,dhcp,192.0.2.3," "$WORK/plan.csv" \
    || fail "export row: $(cat "$WORK/plan.csv")"
  local writes=$(requests "SET_")
  cli apply "$WORK/plan.csv"
  expect_eq "as exported: exit status" 0 "$rc"
  grep -q "3 adapter(s): 3 unchanged" <<<"$out" || fail "as exported: $out"
  expect_eq "as exported: no write" "$writes" "$(requests "SET_")"

  as_spreadsheet "$WORK/plan.csv"
  cli --json apply --dry-run "$WORK/plan.csv"
  expect_eq "dry run: exit status" 0 "$rc"
  expect_eq "dry run: changes" "description ip passwordRequired" \
    "$(json '[.adapters[].changes[].field] | join(" ")')"
  expect_eq "dry run: no write" "$writes" "$(requests "SET_")"
  CLI_STDIN=<(echo admin) cli --json apply "$WORK/plan.csv"
  expect_eq "apply: exit status" 0 "$rc"
  expect_eq "apply: results" "confirmed unchanged confirmed" "$(json '[.adapters[].result] | join(" ")')"
  expect_eq "one system write each for two adapters" 2 "$(($(requests "SET_SYSTEM_INFO") - writes))"
  expect_eq "one network write for the one whose address changed" 1 "$(requests "SET_NETWORK_INFO")"
  cli --json status $MAC1
  expect_eq "read back by status" "Front desk 192.0.2.20" "$(json '.description + " " + .ipAddress')"
  cli export
  grep -q "^$MAC1,NAS-Office,Front desk,.*,static,192.0.2.20," <<<"$out" || fail "export afterwards: $out"
}

case_many_refused() {
  start_sim
  printf 'mac,ip\n%s,192.0.2.50\n%s,192.0.2.50\n02:44:4d:00:00:09,\n%s,192.0.2.4\n' \
    "$MAC1" "$MAC3" "$MAC1" >"$WORK/plan.csv"
  cli apply "$WORK/plan.csv"
  expect_eq "exit status" 2 "$rc"
  for said in "line 2: ip 192.0.2.50 is also planned for NAS-Lounge ($MAC3) on line 3" \
    "line 4: MAC 02:44:4d:00:00:09 is not on the segment" \
    "line 5: MAC $MAC1 is also on line 2" "the plan was refused; nothing was sent"; do
    grep -qF "$said" <<<"$err" || fail "not said: $said"
  done
  expect_eq "no write and no verification" 0 "$(requests "SET_\|VERIFY")"
  printf 'mac,ip,mask,gateway\n%s,10.0.0.5,255.0.0.0,10.0.0.1\n' "$MAC1" >"$WORK/plan.csv"
  cli apply "$WORK/plan.csv"
  expect_eq "outside the interface's subnet: exit status" 2 "$rc"
  grep -q "warning: ip 10.0.0.5 is outside every subnet of v0" <<<"$err" || fail "warning: $err"
  cli apply --force "$WORK/plan.csv"
  expect_eq "--force: exit status" 0 "$rc"
  expect_eq "--force: written" 1 "$(requests "SET_NETWORK_INFO")"
}

case_many_watch() {
  "$CLI" --json watch --interval 2 >"$WORK/watch" 2>"$WORK/watch.err" &
  local watch=$!
  sleep 3
  start_sim --adapters 1 --first 7 --rename
  sleep 3
  cli set-system 02:44:4d:00:00:07 --name Lobby
  expect_eq "rename: exit status" 0 "$rc"
  sleep 3
  stop_sim
  sleep 7
  kill "$watch"
  wait "$watch" 2>/dev/null
  expect_eq "events" "appeared changed gone" "$(jq -r .event "$WORK/watch" | tr '\n' ' ' | sed 's/ $//')"
  expect_eq "renamed" "NAS-Office Lobby" "$(jq -r 'select(.event == "changed") | .was.name + " " + .name' "$WORK/watch")"
}

if ! declare -F "case_$case_name" >/dev/null; then
  echo "unknown case $case_name" >&2
  exit 2
fi
"case_$case_name"
stop_sim
if [ "$failures" -ne 0 ]; then
  echo "--- simulator log" >&2
  cat "$WORK/sim.log" >&2
  exit 1
fi
echo "$case_name: passed"
