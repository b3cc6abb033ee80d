#!/usr/bin/env bash
# Prints the dialog framework's size: lines per part (neutral, Qt, Win32, fake), the number of
# virtual methods of the window driver (and how many a backend must write), and the lines of
# the framework's own tests.
#   scripts/measure-ui.sh [GIT_REVISION]   (default: the working tree)
set -euo pipefail
cd "$(dirname "$0")/.."
rev=${1:-}
ui=ui  # the framework's folder at that revision (platform/ui before it moved)
if [ -n "$rev" ]; then git cat-file -e "$rev:ui/driver.h" 2>/dev/null || ui=platform/ui
else [ -f ui/driver.h ] || ui=platform/ui; fi
show() {  # the text of path $1 at the revision
  if [ -n "$rev" ]; then git show "$rev:$1" 2>/dev/null || true; else cat "$1" 2>/dev/null || true; fi
}
files() {  # files under $1 (not deeper when $2 = top)
  if [ -n "$rev" ]; then git ls-tree -r --name-only "$rev" -- "$1"; else git ls-files -co --exclude-standard -- "$1"; fi |
    { if [ "${2:-}" = top ]; then grep -E "^$1/[^/]+\.(h|cpp)$"; else grep -E '\.(h|cpp)$'; fi; } || true
}
lines() { local n=0; for f in "$@"; do n=$((n + $(show "$f" | wc -l))); done; echo "$n"; }
printf '%-34s %6s\n' "part" "lines"
printf '%-34s %6s\n' "neutral ($ui/*)" "$(lines $(files $ui top))"
for b in qt win32 fake; do printf '%-34s %6s\n' "$b ($ui/$b/)" "$(lines $(files $ui/$b))"; done
driver=$(show $ui/driver.h | awk '/^class WindowDriver/,/^};/')
printf '%-34s %6s\n' "WindowDriver virtual methods" "$(grep -c 'virtual .*(' <<<"$driver" | awk '{print $1 - 1}')"
printf '%-34s %6s\n' "  of them pure (= 0)" "$(grep -c '= 0;' <<<"$driver")"
tests="tests/unit/ui tests/gui/ui tests/support/behaviour_cases.h tests/support/ui_templates.h
  tests/integration/windows/win32_ui_test.cpp"
t=()
for p in $tests; do
  if [ -n "$rev" ]; then mapfile -t -O "${#t[@]}" t < <(git ls-tree -r --name-only "$rev" -- "$p" | grep -E '\.(h|cpp)$')
  else mapfile -t -O "${#t[@]}" t < <(git ls-files -- "$p" | grep -E '\.(h|cpp)$'); fi
done
printf '%-34s %6s\n' "framework tests" "$(lines "${t[@]}")"
