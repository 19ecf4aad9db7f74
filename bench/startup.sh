#!/usr/bin/env bash
# Start-up benchmark: the program's real start-up path against a bare Qt window of the same
# size that draws one line of text (the floor for any window that draws text) and against the
# same window empty, from process start to the first frame, run alternately, under Xvfb (xcb)
# and on the offscreen platform. Prints the medians, their ratios and the peak memory of each.
#
#   bench/startup.sh BUILD_DIR [PAIRS]      (PAIRS defaults to 20)
#
# Needs Xvfb for the xcb half (on a display of its own, tests/e2e/e2e_support/display.py);
# without it only the offscreen half runs. A third argument, xcb or offscreen, runs that half
# alone (xcb on the display in DISPLAY).
set -euo pipefail

build=${1:?usage: startup.sh BUILD_DIR [PAIRS]}
pairs=${2:-20}
only=${3:-}
bin=$build/bench
for exe in bench-launch bench-startup-program bench-startup-bare; do
    [ -x "$bin/$exe" ] || { echo "startup.sh: $bin/$exe is missing; build $build first" >&2; exit 1; }
done

# Qt warns once per start when this is unset; give both programs the same private one.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mxr-bench-runtime.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

# One measured start: prints "first_frame_us=... maxrss_kib=..." on one line.
one() {
    local out
    out=$("$bin/bench-launch" "$bin/$1" "${@:2}" 2>/dev/null) || { echo "startup.sh: $1 failed" >&2; exit 1; }
    echo "$out" | tr '\n' ' '
    echo
}

run_platform() {
    local platform=$1 raw
    raw=$(mktemp)
    export QT_QPA_PLATFORM=$platform
    one bench-startup-program >/dev/null    # the first start of all fills the page cache
    one bench-startup-bare >/dev/null
    for i in $(seq "$pairs"); do
        # Alternate which goes first so that neither always follows the other.
        if [ $((i % 2)) -eq 0 ]; then
            echo "program $(one bench-startup-program)" >>"$raw"
            echo "bare $(one bench-startup-bare)" >>"$raw"
            echo "text $(one bench-startup-bare --text)" >>"$raw"
        else
            echo "text $(one bench-startup-bare --text)" >>"$raw"
            echo "bare $(one bench-startup-bare)" >>"$raw"
            echo "program $(one bench-startup-program)" >>"$raw"
        fi
    done
    python3 - "$platform" "$pairs" "$raw" <<'PY'
import re, statistics, sys
platform, pairs, path = sys.argv[1], sys.argv[2], sys.argv[3]
rows = {"program": [], "bare": [], "text": []}
for line in open(path):
    kind, rest = line.split(None, 1)
    fields = {k: int(v) for k, v in re.findall(r"(\w+)=(-?\d+)", rest)}
    if fields.get("paints", 0) < 1:
        sys.exit(f"startup.sh: {kind} reported no painted frame: {line.strip()}")
    rows[kind].append(fields)
def med(kind, key):
    return statistics.median(r[key] for r in rows[kind])
frame = {k: med(k, "first_frame_us") / 1000 for k in rows}
rss = {k: med(k, "maxrss_kib") / 1024 for k in rows}
peak = {k: max(r["maxrss_kib"] for r in rows[k]) / 1024 for k in rows}
print(f"start-up to first frame, {platform}, {pairs} pairs (medians)")
print(f"  {'':8} {'frame ms':>9} {'main ms':>8} {'app ms':>7} {'shown ms':>9} {'max RSS MiB':>12} {'(highest)':>9}")
for k in ("program", "bare", "text"):
    print(f"  {k:8} {frame[k]:9.1f} {med(k, 'main_us') / 1000:8.1f} {med(k, 'app_us') / 1000:7.1f} "
          f"{med(k, 'shown_us') / 1000:9.1f} {rss[k]:12.1f} {peak[k]:9.1f}")
ratio = frame["program"] / frame["text"]
extra = rss["program"] - rss["bare"]
print(f"  ratio program/text {ratio:.2f} (text: the bare window with one line of text; "
      f"target <= 1.2: {'met' if ratio <= 1.2 else 'NOT met'})")
print(f"  ratio program/bare {frame['program'] / frame['bare']:.2f} (the empty window draws no text); "
      f"peak memory {extra:+.1f} MiB over it (target <= +10: {'met' if extra <= 10 else 'NOT met'})")
PY
    rm -f "$raw"
}

if [ -n "$only" ]; then
    run_platform "$only"
elif [ -z "${MXR_BENCH_NO_XVFB:-}" ] && command -v Xvfb >/dev/null; then
    python3 -B "$(dirname "$0")/../tests/e2e/e2e_support/display.py" xvfb \
        --screen 1280x1024x24 -- bash "$0" "$build" "$pairs" xcb
    run_platform offscreen
else
    echo "startup.sh: no Xvfb, skipping the xcb platform" >&2
    run_platform offscreen
fi
