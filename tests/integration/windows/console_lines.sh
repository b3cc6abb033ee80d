#!/usr/bin/env bash
# Runs a Windows console program under Wine with its standard output and error passed on with
# line ends as on POSIX (the C runtime writes CR LF), so the CLI cases compare lines unchanged.
#   console_lines.sh WINE PROGRAM.exe [ARGS...]
set -uo pipefail
wine=$1
shift
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err"
rc=$?
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
exit $rc
