#!/usr/bin/env bash
# The shipped programs load the DLLs that are not among Windows' KnownDLLs only once they have
# restricted the search to the system folder: each such DLL is missing from the import table
# that the loader resolves at start (and searches for beside the program first), named instead
# for the delay-load helper, and the program asks for the restriction.
#   delay_loaded_dlls.sh OBJDUMP PROGRAM.exe=DLL[,DLL...]...
set -uo pipefail
objdump=$1
shift
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
for entry in "$@"; do
  program=${entry%%=*}
  IFS=, read -ra dlls <<<"${entry#*=}"
  name=$(basename "$program")
  imports=$("$objdump" -p "$program" |
    sed -n '/^The Import Tables/,/^The /s/^[[:space:]]*DLL Name: //p' | xargs)
  [ -n "$imports" ] || { fail "$name: no import table read"; continue; }
  echo "$name imports at start: $imports"
  texts=$(strings -a "$program")
  for dll in "${dlls[@]}"; do
    if grep -qiw -- "$dll" <<<"$imports"; then
      fail "$name imports $dll at start"
    elif ! grep -qix -- "$dll" <<<"$texts"; then
      fail "$name does not name $dll for the delay-load helper"
    else
      echo "  ok: $dll delay-loaded"
    fi
  done
  grep -qx SetDefaultDllDirectories <<<"$texts" &&
    echo "  ok: restricts the DLL search" || fail "$name never asks for SetDefaultDllDirectories"
done
exit $((failures > 0))
