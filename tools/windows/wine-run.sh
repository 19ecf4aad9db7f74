#!/bin/sh
# Runs a program of the Windows build under Wine with the cross-built Qt and the MinGW runtime
# on its DLL path. CTest starts every Windows test program through it
# (CMAKE_CROSSCOMPILING_EMULATOR), and passes the program's exit status on.
#
#   wine-run.sh DLL_DIRS PROGRAM.exe [ARGS...]      DLL_DIRS: Unix folders separated by ':'
#
# The Wine prefix and the X display are made once per test run by tools/windows/wine-tests.sh.
set -eu
dirs=$1
shift
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run.sh: no Wine prefix; run the Windows tests with tools/windows/wine-tests.sh BUILD_DIR" >&2
    exit 1
fi
# Wine keeps QT_* variables from Windows programs (they would be the Linux Qt's settings) and
# hands them WINEQT_* as QT_* instead: the tests' QT_QPA_PLATFORM=offscreen goes that way.
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
    eval "export WINE$name=\"\$$name\""
done
# Qt Test writes its plain-text log to the debugger (OutputDebugString) when no console is
# attached, as under Wine; with this it writes to stdout, which CTest reads.
export WINEQT_FORCE_STDERR_LOGGING=1
# Wine reads WINEPATH as a Windows PATH: drive Z: is the Unix root.
WINEPATH=$(printf '%s' "$dirs" | sed -e 's|:|;Z:|g' -e 's|^|Z:|' -e 's|/|\\|g')
export WINEPATH
exec "${MXR_WINE:-/usr/lib/wine/wine64}" "$@"
