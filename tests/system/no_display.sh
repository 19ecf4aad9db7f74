#!/bin/sh
# Started where no display can be reached, the program says so in one line and exits with 1
# instead of a toolkit abort, on X11 and on Wayland. Usage: no_display.sh PROGRAM
#
# It finds its libraries in the system's folders alone: it carries no run path, and started from
# a folder that holds a file named as one of its libraries, it still loads its own.
program=$(realpath "$1")
if readelf -d "$program" | grep -E '\((RPATH|RUNPATH)\)'; then
    echo "the program has a run path"; exit 1
fi
here=$(mktemp -d)
trap 'rm -rf "$here"' EXIT
: > "$here/libQt6Widgets.so.6"
out=$(cd "$here" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1)
status=$?
lines=$(printf '%s\n' "$out" | wc -l)
echo "status $status, $lines line(s): $out"
[ "$status" -eq 1 ] || exit 1
[ "$lines" -eq 1 ] || exit 1
printf '%s' "$out" | grep -q "no display" || exit 1
out=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 "$program" 2>&1)
status=$?
echo "status $status: $out"
[ "$status" -eq 1 ] && [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || exit 1
# Wayland without a compositor: the same one line, naming the socket it looked for.
out=$(env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=mxr-no-compositor "$program" 2>&1)
status=$?
echo "status $status: $out"
[ "$status" -eq 1 ] && [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || exit 1
printf '%s' "$out" | grep -q 'no display can be reached: .*WAYLAND_DISPLAY "mxr-no-compositor"' || exit 1
