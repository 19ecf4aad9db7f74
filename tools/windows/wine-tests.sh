#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine:
#
#   tools/windows/wine-tests.sh BUILD_DIR [CTEST_OPTIONS...]
#
# For this one run it makes a fresh Wine prefix (64-bit, without the Mono and Gecko installers)
# on an Xvfb of its own (tests/e2e/e2e_support/display.py) and runs CTest in BUILD_DIR with
# both; the test programs reach Wine through tools/windows/wine-run.sh. Afterwards it ends Wine
# and Xvfb and removes the prefix, whatever the outcome. Needs: wine64, fonts-wine,
# Liberation 2 (fonts-liberation2, on Debian 13 fonts-liberation), xvfb, xdotool, xclip, imagemagick, python3, for the MSI's tests wixl and
# msitools, and for the signing test osslsigncode and openssl.
#
# The prefix is set up to look like a Windows machine to the program:
# - Fonts. Wine would offer every font of this machine (through fontconfig), and this Wine does
#   not load fonts-wine's fonts from its data folder. So Wine gets an empty font configuration,
#   and C:\windows\Fonts gets fonts-wine's TrueType fonts (Tahoma, Marlett, ...) and, standing
#   in for Arial, Times New Roman and Courier New under those names, the Liberation fonts,
#   which have the same metrics.
# - Windows. Xvfb has no window manager, so Wine draws the frames and captions and moves the
#   keyboard focus itself, as Windows does (X11 driver setting Managed=N). Wine's light visual
#   style is on, as in every new prefix, as Windows 10 and 11 have theirs; the keyboard test in
#   the classic look turns it off for its own run.
# - The Qt Test programs run offscreen; the offscreen platform reads its fonts from the folder
#   in QT_QPA_FONTDIR, here C:\windows\Fonts.
# - A program that crashes prints Wine's backtrace and ends, instead of waiting behind a crash
#   dialog until CTest's time-out (WineDbg ShowCrashDialog=0).
# - Shortcuts that the MSI installs stay in the prefix: Wine does not copy them into this
#   machine's own menus and icons (winemenubuilder is off).
set -euo pipefail

wine=${MXR_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
for tool in "$wine" "$wineserver" Xvfb xdotool xclip import python3 msiinfo wixl osslsigncode \
            openssl; do
    command -v "$tool" >/dev/null || { echo "wine-tests.sh: $tool is missing" >&2; exit 1; }
done
# The whole run is on an X server of its own, which ends with it.
if [ "${1:-}" != --on-own-display ]; then
    exec python3 -B "$(dirname "$0")/../../tests/e2e/e2e_support/display.py" xvfb -- \
        bash "$0" --on-own-display "$@"
fi
build=$(cd "$2" && pwd)
shift 2

run=$(mktemp -d /tmp/mxr-wine-XXXXXX)
cleanup() {
    trap - EXIT INT TERM HUP
    if [ -d "$run/prefix" ]; then
        WINEPREFIX=$run/prefix "$wineserver" -k 2>/dev/null || true
        WINEPREFIX=$run/prefix "$wineserver" -w 2>/dev/null || true
    fi
    rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mkdir -p "$run/fontconfig"
cat >"$run/fontconfig/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><cachedir>$run/fontconfig/cache</cachedir></fontconfig>
EOF
export FONTCONFIG_FILE=$run/fontconfig/fonts.conf
export WINEPREFIX=$run/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export MXR_WINE=$wine

started=$(date +%s%N)
"$wine" wineboot --init >"$run/wineboot.log" 2>&1 || { cat "$run/wineboot.log" >&2; exit 1; }
cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/liberation*/Liberation*.ttf \
    "$WINEPREFIX/drive_c/windows/Fonts/"
cat >"$run/settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
EOF
"$wine" regedit /S "Z:$(printf '%s' "$run/settings.reg" | tr / '\\')" >>"$run/wineboot.log" 2>&1
"$wineserver" -w
took=$(( ($(date +%s%N) - started) / 100000000 ))
echo "wine-tests.sh: Wine prefix made in $((took / 10)).$((took % 10)) s; display $DISPLAY"
export QT_QPA_FONTDIR='C:\windows\Fonts'

status=0
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@" || status=$?
exit $status
