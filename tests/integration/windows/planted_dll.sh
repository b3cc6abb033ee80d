#!/usr/bin/env bash
# A DLL of a system name beside the program is never loaded: dravmoor.exe is copied into a
# folder with a stand-in IPHLPAPI.DLL and runs a discovery, which calls into IPHLPAPI. Wine
# takes its own DLLs first; told to prefer one found on the search path, as Windows does for a
# DLL that is not among its KnownDLLs, it loads the stand-in unless the program restricted the
# search to the system folder.
#   planted_dll.sh WINE DRAVMOOR.exe IPHLPAPI.DLL
set -uo pipefail
bash "$(dirname "$0")/../../../scripts/netns.sh" --check "$0" || exit 1
wine=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$2" "$folder/dravmoor.exe"
cp "$3" "$folder/IPHLPAPI.DLL"
cd "$folder" || exit 1
WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}iphlpapi=n,b" \
  "$wine" dravmoor.exe discover >out.txt 2>&1
status=$?
tr -d '\r' <out.txt
if [ -e planted-dll-loaded ]; then
  echo "FAIL: dravmoor.exe loaded the IPHLPAPI.DLL beside it" >&2
  exit 1
fi
[ "$status" -eq 0 ] || { echo "FAIL: discover exit status $status" >&2; exit 1; }
echo "ok: the IPHLPAPI.DLL beside dravmoor.exe was not loaded; discover exit status 0"
