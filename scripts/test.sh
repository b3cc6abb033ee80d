#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, its Debian package
# (installed, run and purged again), the Windows build under Wine, then the AddressSanitizer +
# UBSan build of the same tests (LeakSanitizer on), then a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)
run_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVMOOR_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== build and test =="
run_build build
echo "== Debian package: build, lintian, install, run, purge =="
bash scripts/package-test.sh build
echo "== Windows build (MinGW-w64), tests under Wine =="
bash scripts/windows.sh build
echo "== sanitizer build (ASan + UBSan) =="
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build-asan -DDRAVMOOR_SANITIZE=ON -DDRAVMOOR_BENCH=OFF
echo "== fuzzing (${FUZZ_SECONDS:-20} s per target) =="
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
echo "== all tests passed =="
