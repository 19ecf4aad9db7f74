#!/bin/sh
# fuzz/run.sh FUZZER SECONDS CORPUS DICTIONARY FINDINGS [WORK]
#
# Runs one fuzzer for SECONDS on a copy of CORPUS, so that the committed corpus is never written,
# with DICTIONARY. An input that breaks a rule, crashes, leaks, runs out of memory or hangs is kept
# in FINDINGS and the run fails. The copy is made in WORK, emptied first and kept afterwards (to
# merge from); without WORK it is made in a scratch folder that is removed.
set -eu
fuzzer=$1 seconds=$2 corpus=$3 dictionary=$4 findings=$5 work=${6:-}

# The fuzzer's temporary files (its private runtime directory) go into a scratch folder that is
# removed however the run ends.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
TMPDIR=$scratch
export TMPDIR
if [ -n "$work" ]; then
    rm -rf "$work"
    mkdir -p "$work"
else
    work=$scratch/corpus
    mkdir "$work"
fi
cp -R "$corpus/." "$work/"
mkdir -p "$findings"

# Undefined behaviour ends the run with a stack; LeakSanitizer runs after every input that
# allocated more than it freed, and at exit.
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export UBSAN_OPTIONS
"$fuzzer" -max_total_time="$seconds" -timeout=30 -dict="$dictionary" \
    -artifact_prefix="$findings/$(basename "$fuzzer")-" -print_final_stats=1 "$work"
