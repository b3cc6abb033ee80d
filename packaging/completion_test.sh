#!/usr/bin/env bash
# The bash completion of dravmoor: what it offers after a few typical command lines.
set -euo pipefail
source "$1"
complete_line() {  # words...; the last one is the word being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _dravmoor
    echo "${COMPREPLY[*]}"
}
check() {  # expected, words...
    local want=$1; shift
    local got
    got=$(complete_line "$@")
    [ "$got" = "$want" ] || { echo "FAIL: '$*' offers '$got', expected '$want'"; exit 1; }
}
check "set-system set-network" dravmoor set-
check "discover" dravmoor --json dis
check "discover" dravmoor --interface eth0 dis
check "discover" dravmoor --retries 0 dis
check "static dhcp" dravmoor set-network 02:44:4d:00:00:01 --mode ""
check "yes no" dravmoor set-system 02:44:4d:00:00:01 --password-required ""
check "--user" dravmoor --json verify 02:44:4d:00:00:01 --  # --json is given already
check "" dravmoor set-system 02:44:4d:00:00:01 --description ""
check "--user" dravmoor --json verify 02:44:4d:00:00:01 --u
check "--name --description --date --time --timezone --user --json" \
    dravmoor set-system 02:44:4d:00:00:01 --password-required yes --
check "--dry-run --force --user --json" dravmoor apply plan.csv --
check "--dry-run" dravmoor --json apply plan.csv --user admin --d
check "--interval --count --json" dravmoor watch --
check "export" dravmoor exp
plans=$(mktemp -d)
touch "$plans/office.csv"
check "$plans/office.csv" dravmoor apply "$plans/off"
check "$plans/office.csv" dravmoor export --output "$plans/o"
rm -rf "$plans"
sys_net=$(mktemp -d)
mkdir "$sys_net/lo" "$sys_net/eth0" "$sys_net/wlan0"
DRAVMOOR_SYS_NET=$sys_net check "eth0 wlan0" dravmoor --interface ""
rm -rf "$sys_net"
echo ok
