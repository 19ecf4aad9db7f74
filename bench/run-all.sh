#!/usr/bin/env bash
# Runs every benchmark against a build made with -DMXR_BUILD_BENCHMARKS=ON (./dev.sh bench makes
# an optimised one in build-release and runs this on it):
#
#   bench/run-all.sh BUILD_DIR
#
# MXR_BENCH_PAIRS (default 20) sets the start-up pairs per platform; MXR_BENCH_MIN_TIME
# (seconds, default 0.5) the least time Google Benchmark spends on each search-window case, and
# MXR_BENCH_REPETITIONS (default 5) how often it repeats that; the summary takes the medians.
set -euo pipefail

build=${1:?usage: bench/run-all.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$build/bench/bench-search" ] || {
    echo "run-all.sh: $build has no benchmarks; configure it with -DMXR_BUILD_BENCHMARKS=ON" >&2
    exit 1
}
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ "$type" = Release ] || echo "run-all.sh: note: $build is a '$type' build, not Release" >&2

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mxr-bench-runtime.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"

echo "== start-up: process start to the main menu's first frame =="
"$here/startup.sh" "$build" "${MXR_BENCH_PAIRS:-20}"
echo
echo "== search window: load-and-show, sorted-insertion baseline, pick (offscreen) =="
QT_QPA_PLATFORM=offscreen "$build/bench/bench-search" \
    --benchmark_min_time="${MXR_BENCH_MIN_TIME:-0.5}" \
    --benchmark_repetitions="${MXR_BENCH_REPETITIONS:-5}" \
    --benchmark_report_aggregates_only=true
