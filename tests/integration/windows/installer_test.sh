#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own, as an administrator and as a
# user would use it:
#   - silently (/S) into a chosen folder (/D=): the files, the Start-menu shortcut, the "Apps"
#     entry; the installed dravmoor.exe --help; the window started from the shortcut lists the
#     simulator's adapters, and while it runs the uninstaller refuses and removes nothing; a
#     silent uninstall leaves no file, shortcut or entry;
#   - by its pages, into the default per-user folder, started from its last page, then removed
#     by the uninstaller's pages; screenshots of every page into SHOT_DIR; on the folder page,
#     a folder holding another program's file is refused with a message; run by its pages
#     again, it offers the install's folder and upgrades it in place;
#   - one install at a time, silently, with the install log's lines shown: a folder holding
#     another program's uninstall.exe or dravmoor.exe is refused and left as it was; a
#     reinstall upgrades in place; an install into a second folder removes the first (the
#     user's own file there stays); an uninstaller left by an older installer's second
#     install removes its own files only, not the entry or shortcut of the other.
#   installer_test.sh SETUP.EXE window_probe.exe DRAVMOOR_SIM SHOT_DIR
# Runs inside the private network namespace (the window broadcasts); uses $DISPLAY when set,
# otherwise an X server of its own.
set -uo pipefail
here=$(dirname "$0")
bash "$here/../../../scripts/netns.sh" --check "$0" || exit 1
INSTALLER=$1 PROBE=$2 SIM=$3 SHOTS=$4
mkdir -p "$SHOTS"
source "$here/wine_display.sh"
WORK=$(mktemp -d)
# Outside the source and build trees: the prefix's z: drive links to /.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/dravmoor-installer-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
SIM_PID=
cleanup() {
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null
  wineserver -k 2>/dev/null
  wine_display_stop
  rm -rf "$WINEPREFIX" "$WORK"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || wine_display_start
wineboot -i >/dev/null 2>&1
wine_fonts

SHOT_PREFIX=installer-
source "$here/wine_checks.sh"
# A line as typed at a command prompt, from a batch file: Wine would quote an argument with
# spaces, and /D= and _?= take the rest of the line unquoted. Its exit status.
at_prompt() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$WORK/line.bat"
  wine cmd /c "$(winepath -w "$WORK/line.bat")" >>"$WORK/prompt.log" 2>&1
}
# Windows paths of this prefix's user, and their Linux names.
win_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix() { winepath -u "$1" 2>/dev/null; }
KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\DravmoorQuickSetup'
reg_value() { wine reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
LNK=$(unix "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Dravmoor Quick Setup.lnk")
MAIN="Quick setup wizard for Dravmoor"
SETUP_TITLE="Dravmoor Quick Setup 1.0 Setup"
UNINSTALL_TITLE="Dravmoor Quick Setup 1.0 Uninstall"

# What an install into the Windows folder `dir` leaves.
check_installed() {
  local dir=$1 udir
  udir=$(unix "$dir")
  for f in dravmoor-setup.exe dravmoor.exe uninstall.exe; do
    [ -f "$udir/$f" ] || fail "$f is not in $dir"
  done
  # Besides a file of the user's (notes.txt), which is none of ours.
  expect_eq "three files in $dir" "dravmoor-setup.exe dravmoor.exe uninstall.exe" \
    "$(cd "$udir" 2>/dev/null && ls | grep -vx notes.txt | sort | xargs)"
  [ -f "$LNK" ] && strings -el "$LNK" | grep -qiF "$dir\\dravmoor-setup.exe" &&
    echo "  ok: Start-menu shortcut to $dir\\dravmoor-setup.exe" ||
    fail "no Start-menu shortcut to $dir\\dravmoor-setup.exe"
  expect_eq "Apps: name" "Dravmoor Quick Setup" "$(reg_value DisplayName)"
  expect_eq "Apps: version" "1.0" "$(reg_value DisplayVersion)"
  expect_eq "Apps: publisher" "Dravmoor" "$(reg_value Publisher)"
  expect_eq "Apps: icon" "\"$dir\\dravmoor-setup.exe\",0" "$(reg_value DisplayIcon)"
  expect_eq "Apps: uninstaller" "\"$dir\\uninstall.exe\" /S" "$(reg_value QuietUninstallString)"
  expect_eq "Apps: folder" "$dir" "$(reg_value InstallLocation)"
  # In KiB: the two programs take more than 4 MiB.
  local size
  size=$(reg_value EstimatedSize)
  [ $((size)) -gt 4096 ] && echo "  ok: Apps: size $((size)) KiB" || fail "Apps: size '$size'"
}
# The window lists the simulator's three adapters; close_window ends it on Escape.
check_window() {
  probe wait "$MAIN" 40 || { fail "the installed window did not open ($1)"; return; }
  for _ in $(seq 50); do [ "$(probe items "$MAIN" 1001 | wc -l)" -ge 3 ] && break; sleep 0.2; done
  expect_eq "the window started $1 lists the adapters" "NAS-Office NAS-Studio NAS-Lounge" \
    "$(probe items "$MAIN" 1001 | xargs)"
  [ -n "${2:-}" ] && shot "$2"
}
close_window() {
  keys "$MAIN" key Escape
  probe gone "$MAIN" 10 || fail "the window did not end on Escape"
}
# The uninstaller runs from a copy of itself: wait until its work is done.
check_nothing_left() {
  local udir
  udir=$(unix "$1")
  for _ in $(seq 100); do
    [ ! -e "$udir" ] && [ ! -e "$LNK" ] && ! wine reg query "$KEY" >/dev/null 2>&1 && break
    sleep 0.2
  done
  [ ! -e "$udir" ] && echo "  ok: $1 is gone" || fail "left in $1: $(ls "$udir")"
  [ ! -e "$LNK" ] && echo "  ok: the shortcut is gone" || fail "the shortcut is left"
  wine reg query "$KEY" >/dev/null 2>&1 && fail "the Apps entry is left" ||
    echo "  ok: the Apps entry is gone"
}

# Another program's folder: its own uninstall.exe (or dravmoor.exe) and a file beside it.
OTHER='C:\Other program'
other_folder() {
  rm -rf "$(unix "$OTHER")"
  mkdir -p "$(unix "$OTHER")"
  echo "the other program's $1" >"$(unix "$OTHER")/$1"
  echo "its notes" >"$(unix "$OTHER")/readme.txt"
}
check_other_folder() {
  expect_eq "the other program's $1 is left as it was" "the other program's $1" \
    "$(cat "$(unix "$OTHER")/$1")"
  expect_eq "nothing added to $OTHER" "$(printf '%s\n' "$1" readme.txt | sort | xargs)" \
    "$(ls "$(unix "$OTHER")" | sort | xargs)"
}
# A silent install into folder $1 with a log of its own, whose lines are shown; its exit status.
LOG='C:\install.log'
install_silent() {
  rm -f "$(unix "$LOG")"
  at_prompt "\"$(winepath -w "$INSTALLER")\" /S /LOG=$LOG /D=$1"
  local status=$?
  tr -d '\r' 2>/dev/null <"$(unix "$LOG")" | sed 's/^/  log: /'
  return $status
}
logged() {
  tr -d '\r' 2>/dev/null <"$(unix "$LOG")" | grep -qF "$2" && echo "  ok: logged: $1" ||
    fail "not logged: $1 ('$2')"
}
no_install() {
  ! wine reg query "$KEY" >/dev/null 2>&1 && echo "  ok: no Apps entry" || fail "an Apps entry"
  [ ! -e "$LNK" ] && echo "  ok: no shortcut" || fail "a shortcut"
}

"$SIM" --ready "$WORK/ready" 2>"$WORK/sim.log" &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/ready" ] && break; sleep 0.05; done
probe desktop || fail "Wine's desktop did not come up"

echo "== silent install into a chosen folder"
DIR='C:\Dravmoor tools\Quick Setup'
at_prompt "\"$(winepath -w "$INSTALLER")\" /S /D=$DIR"
expect_eq "installer exit status" 0 "$?"
check_installed "$DIR"
echo "== run"
help=$(wine "$(unix "$DIR")/dravmoor.exe" --help 2>&1 | tr -d '\r')
expect_eq "installed dravmoor.exe --help exit status" 0 "$?"
grep -q discover <<<"$help" && echo "  ok: --help lists the commands" || fail "--help: $help"
wine start /unix "$LNK" >/dev/null 2>&1
check_window "from the Start-menu shortcut"
echo "== uninstall while the window runs: refused, nothing removed"
# _?= runs the uninstaller in place and waits for it (it cannot remove itself then).
at_prompt "\"$DIR\\uninstall.exe\" /S _?=$DIR"
expect_eq "uninstaller exit status" 2 "$?"
expect_eq "the files stay" "dravmoor-setup.exe dravmoor.exe uninstall.exe" \
  "$(ls "$(unix "$DIR")" | sort | xargs)"
expect_eq "the Apps entry stays" "Dravmoor Quick Setup" "$(reg_value DisplayName)"
close_window
echo "== silent uninstall"
wine "$(unix "$DIR")/uninstall.exe" /S >/dev/null 2>&1
expect_eq "uninstaller exit status" 0 "$?"
echo "== nothing left"
check_nothing_left "$DIR"

echo "== by its pages, into the default folder"
DEFAULT="$(win_env LOCALAPPDATA)\\Programs\\Dravmoor Quick Setup"
# The pages' caption: the program's, with a space appended after the first page.
title() { xdotool getwindowname "$(xdotool search --name "^$1 ?\$" | tail -1)" 2>/dev/null; }
# Waits until the Next button (control 1) of window `prefix` reads `text`; then $page is its title.
next_reads() {
  for _ in $(seq "${3:-100}"); do
    page=$(title "$1")
    [ -n "$page" ] && [ "$(probe text "$page" 1)" = "$2" ] && return 0
    sleep 0.2
  done
  fail "'$1' never showed its button '$2'"
  return 1
}
wine "$INSTALLER" >"$WORK/install-pages.log" 2>&1 &
if next_reads "$SETUP_TITLE" "&Next >" 200; then
  shot 1-welcome
  probe click "$page" 1
  next_reads "$SETUP_TITLE" "&Install"
  expect_eq "the folder offered" "$DEFAULT" "$(probe text "$page" 1019)"
  shot 2-folder
  # Another program's folder: a message, and the page stays for another choice.
  other_folder uninstall.exe
  probe settext "$page" 1019 "$OTHER"
  probe click "$page" 1
  if probe wait "$SETUP_TITLE" 20; then
    text=$(probe text "$SETUP_TITLE" 65535)
    grep -qF "$OTHER already holds uninstall.exe" <<<"$text" &&
      echo "  ok: refused with a message: $text" || fail "the refusal's message: '$text'"
    shot 2-refused
    probe click "$SETUP_TITLE" 1
    probe gone "$SETUP_TITLE" 10 || fail "the message did not close"
  else
    fail "no message for $OTHER"
  fi
  next_reads "$SETUP_TITLE" "&Install"
  check_other_folder uninstall.exe
  probe settext "$page" 1019 "$DEFAULT"
  probe click "$page" 1
  next_reads "$SETUP_TITLE" "&Finish" 150
  shot 3-finish
  # "Start Dravmoor Quick Setup now" is ticked.
  probe click "$page" 1
  check_window "from the last page" 4-program
  close_window
  check_installed "$DEFAULT"
else
  fail "the installer's first page did not open"
fi
echo "== by its pages again: the folder offered is the install's, upgraded in place"
# The window just closed: its process may outlive it a moment under load, and a program still
# running holds its file against the upgrade (NSIS then asks to abort or retry).
for _ in $(seq 100); do pgrep -f 'dravmoor-setup\.exe' >/dev/null || break; sleep 0.1; done
wine "$INSTALLER" >"$WORK/install-pages.log" 2>&1 &
if next_reads "$SETUP_TITLE" "&Next >" 200; then
  probe click "$page" 1
  next_reads "$SETUP_TITLE" "&Install"
  # As read from the "Apps" entry, with a backslash appended.
  offered=$(probe text "$page" 1019)
  expect_eq "the folder offered" "$DEFAULT" "${offered%\\}"
  probe click "$page" 1
  next_reads "$SETUP_TITLE" "&Finish" 150
  probe click "$page" 1
  check_window "after the upgrade"
  close_window
  check_installed "$DEFAULT"
  tr -d '\r' 2>/dev/null <"$(unix "$(win_env TEMP)\\Dravmoor Quick Setup install.log")" |
    grep -qF "upgrading the install in $DEFAULT" && echo "  ok: logged: upgraded in place" ||
    fail "not logged: upgraded in place"
else
  fail "the installer's first page did not open again"
fi
wine "$(unix "$DEFAULT")/uninstall.exe" >/dev/null 2>&1
if next_reads "$UNINSTALL_TITLE" "&Uninstall" 200; then
  shot 5-uninstall
  probe click "$page" 1
  next_reads "$UNINSTALL_TITLE" "&Close" 150
  shot 6-uninstalled
  probe click "$page" 1
else
  fail "the uninstaller's first page did not open"
fi
check_nothing_left "$DEFAULT"

for name in uninstall.exe dravmoor.exe; do
  echo "== silently into a folder holding another program's $name: refused"
  other_folder $name
  install_silent "$OTHER"
  expect_eq "installer exit status" 2 "$?"
  logged "refused" "refused $OTHER: it holds $name"
  check_other_folder $name
  no_install
done

echo "== silent install, then again into the same folder: upgraded in place"
DIR='C:\Dravmoor tools\Quick Setup'
install_silent "$DIR"
expect_eq "installer exit status" 0 "$?"
logged "installed" "installed in $DIR"
echo "the user's own" >"$(unix "$DIR")/notes.txt"
install_silent "$DIR"
expect_eq "installer exit status" 0 "$?"
logged "upgraded in place" "upgrading the install in $DIR in place"
check_installed "$DIR"
expect_eq "the user's file stays" "the user's own" "$(cat "$(unix "$DIR")/notes.txt")"

echo "== silently into a second folder: the first install is removed"
DIR2='C:\Second'
install_silent "$DIR2"
expect_eq "installer exit status" 0 "$?"
logged "the first removed" "removed the install in $DIR"
check_installed "$DIR2"
expect_eq "the first folder keeps only the user's file" "notes.txt" \
  "$(ls "$(unix "$DIR")" 2>&1 | xargs)"

echo "== an older installer's second install: its uninstaller leaves the other's entry"
# What an older installer made of a second folder: the same files, the one entry the other's.
OLD='C:\Older second'
mkdir -p "$(unix "$OLD")"
cp "$(unix "$DIR2")"/*.exe "$(unix "$OLD")/"
wine "$(unix "$OLD")/uninstall.exe" /S >/dev/null 2>&1
for _ in $(seq 100); do [ ! -e "$(unix "$OLD")" ] && break; sleep 0.2; done
[ ! -e "$(unix "$OLD")" ] && echo "  ok: $OLD is gone" || fail "left in $OLD: $(ls "$(unix "$OLD")")"
sleep 2  # the entry and the shortcut are the uninstaller's last steps
check_installed "$DIR2"

echo "== silent uninstall of the second folder"
wine "$(unix "$DIR2")/uninstall.exe" /S >/dev/null 2>&1
expect_eq "uninstaller exit status" 0 "$?"
check_nothing_left "$DIR2"
expect_eq "the first folder still holds the user's file" "notes.txt" \
  "$(ls "$(unix "$DIR")" 2>&1 | xargs)"

finish installer "command prompt=$WORK/prompt.log" "probe=$WORK/probe.log" \
  "simulator=$WORK/sim.log"
