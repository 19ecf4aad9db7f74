#!/bin/sh
# Runs every fuzzer of a fuzzer build for SECONDS each and prints what it reached:
#
#   fuzz/run-all.sh BUILD_DIR SECONDS        (./dev.sh fuzz makes build-fuzz and runs this)
#
# Each fuzzer grows a copy of its corpus in BUILD_DIR/fuzz/work/NAME (to merge from); what it
# finds is kept in BUILD_DIR/fuzz/findings.
set -eu
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
for fuzzer in fuzz_text fuzz_pick fuzz_sortedlist; do
    echo "== $fuzzer, $seconds s =="
    log=$build/fuzz/$fuzzer.log
    if ! sh "$here/run.sh" "$build/fuzz/$fuzzer" "$seconds" "$here/corpus/$fuzzer" \
        "$here/$fuzzer.dict" "$build/fuzz/findings" "$build/fuzz/work/$fuzzer" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "run-all.sh: $fuzzer found a fault (log: $log, input: $build/fuzz/findings)" >&2
        exit 1
    fi
    # libFuzzer's last status line: "#RUNS DONE cov: C ft: F corp: ... exec/s: E rss: ..."
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 |
        sed -E 's/^#([0-9]+).*cov: ([0-9]+) ft: ([0-9]+) corp: ([^ ]+).*exec\/s: ([0-9]+).*/\1 runs, \5 exec\/s, coverage: \2 edges, \3 features, corpus \4/'
done
