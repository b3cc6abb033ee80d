#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, LeakSanitizer on) and runs each for a
# bounded time from the checked-in seed corpus, then prints executions, time and crashes per
# target. Exits non-zero when any target crashed, leaked or failed a check.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 300)
# Environment: FUZZ_TARGETS="share_page disk_info" runs only those; FUZZ_BUILD_DIR.
# Nothing here touches a network: the targets run over a scripted in-process socket backend.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
build=${FUZZ_BUILD_DIR:-build-fuzz}
targets=${FUZZ_TARGETS:-"discovery_reply system_info network_info share_count share_page
  disk_info verify_reply write_reply discovery_stream status_stream"}

mkdir -p "$build"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVMOOR_GUI=OFF -DDRAVMOOR_BENCH=OFF -DDRAVMOOR_WERROR=ON \
         -DDRAVMOOR_FUZZ=ON && cmake --build "$build" --target fuzz_all -j 2; } \
       >"$build/fuzz-build.log" 2>&1; then
  tail -40 "$build/fuzz-build.log" >&2
  echo "fuzz: build failed" >&2
  exit 1
fi

work="$build/fuzz-run"
rm -rf "$work"
mkdir -p "$work"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

rows=()
total_crashes=0
for t in $targets; do
  corpus="$work/corpus-$t"
  mkdir -p "$corpus" "$work/crashes-$t"
  # The seeds stay as checked in; what the fuzzer adds goes to the working copy.
  cp fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  max_len=1200
  case $t in *_stream) max_len=8192 ;; esac
  log="$work/$t.log"
  start=$(date +%s.%N)
  set +e
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$work/crashes-$t/" "$corpus" >"$log" 2>&1
  rc=$?
  set -e
  end=$(date +%s.%N)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  crashes=$(find "$work/crashes-$t" -type f | wc -l)
  # A failure that left no artifact (e.g. a crash while loading the corpus) still counts.
  if [ "$rc" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  total_crashes=$((total_crashes + crashes))
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  rate=$(awk -v e="${execs:-0}" -v s="$elapsed" 'BEGIN { printf "%d", (s > 0 ? e / s : 0) }')
  rows+=("| $t | ${execs:-0} | $elapsed | $rate | $crashes |")
  if [ "$crashes" -ne 0 ]; then
    echo "fuzz_$t: failure, see $log and $work/crashes-$t/" >&2
    grep -E 'ERROR|fuzz check failed|SUMMARY' "$log" | head -5 >&2 || true
  fi
done

echo
echo "| target | executions | seconds | executions/s | crashes |"
echo "|---|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
echo
echo "fuzz: $total_crashes crashes in ${#rows[@]} targets (${seconds} s each)"
[ "$total_crashes" -eq 0 ]
