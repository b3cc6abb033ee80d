# Sourced first by the benchmark scripts (from the repository's top, with $build set): builds the
# client and the simulator, re-runs the script in a fresh private namespace, and there checks
# that nothing can leak out and brings loopback up, with hosts.sh loaded.
if [ "${DRAVMOOR_BENCH_IN_NETNS:-}" != 1 ]; then
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" -j 2 --target dravmoor dravmoor-sim >/dev/null
  DRAVMOOR_BENCH_IN_NETNS=1 exec unshare -rn bash "$0" "$@"
fi
bash scripts/netns.sh --check "$0" || exit 1
source scripts/hosts.sh
netns_is_fresh || { echo "$0: this namespace has links already; run it in a fresh one" >&2; exit 1; }
ip link set lo up
