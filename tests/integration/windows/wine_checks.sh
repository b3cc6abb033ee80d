# Shared by the Wine window tests (sourced): checks that count failures, the probe, keys to a
# window by its title and screenshots. The sourcing script sets PROBE, WORK, SHOTS and
# SHOT_PREFIX, and LOGS ("label=file" each) where it gives up early.
failures=0
# Past GIVE_UP_AFTER seconds (when set), a failure ends the test with the logs in LOGS.
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
  if [ -n "${GIVE_UP_AFTER:-}" ] && [ "$SECONDS" -gt "$GIVE_UP_AFTER" ]; then
    echo "FAIL: giving up after $SECONDS s" >&2
    finish "" "${LOGS[@]}"
  fi
}
expect_eq() { [ "$2" = "$3" ] && echo "  ok: $1" || fail "$1: expected '$2', got '$3'"; }
probe() { wine "$PROBE" "$@" 2>>"$WORK/probe.log" | tr -d '\r'; }
shot() { sleep 0.5; import -window root "$SHOTS/$SHOT_PREFIX$1.png"; }
# Keys go to the X window of the given title (no window manager: each window is its own).
keys() {
  local title=$1 wid
  shift
  wid=$(xdotool search --name "^$title\$" | tail -1)
  [ -n "$wid" ] || { fail "no X window '$title' for keys $*"; return; }
  xdotool windowfocus --sync "$wid" 2>/dev/null
  sleep 0.2
  xdotool "$@"
  sleep 0.3
}
# A failure the rest cannot follow from: the logs in LOGS now, while they can still be printed
# (a test that runs into CTest's timeout is killed before it prints them).
give_up() {
  fail "$1"
  finish "" "${LOGS[@]}"
}
# The end of a test named $1: passed, or the logs given as "label=file" and exit 1.
finish() {
  local name=$1 log
  shift
  if [ "$failures" -ne 0 ]; then
    for log in "$@"; do echo "--- ${log%%=*}" >&2; cat "${log#*=}" >&2 2>/dev/null; done
    exit 1
  fi
  echo "$name: passed (screenshots in $SHOTS)"
}
