#!/usr/bin/env bash
# Set-up, build, run and test on a Debian 12 or Debian 13 machine. The builds are CMake's
# presets (CMakePresets.json); this script installs what they need and runs them.
#
#   ./dev.sh run       install what is missing, build, start the program
#   ./dev.sh test      install what is missing, build and test both editions, a sanitizer build
#                      and the fuzzers, and the Windows build under Wine when its Qt is cached;
#                      then the same suite on the other Debian release, in a root of its own
#                      (tools/debian-root.sh: Debian 13 on a Debian 12 machine, and back)
#   ./dev.sh test here the suite on this machine's release only
#   ./dev.sh bench     install what is missing, build optimised, run the benchmarks
#   ./dev.sh fuzz [S]  install what is missing, run each fuzzer for S seconds (60)
#   ./dev.sh windows   install what is missing, cross-build Qt 6.8 for Windows once (cached in
#                      ~/.cache/model-xref), build the program, its zip and its MSI in
#                      build-windows (the internal edition's zip in build-windows-internal);
#                      on Debian 13, so on Debian 12 in the Debian 13 root
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the program need.
run_packages=(
    cmake ninja-build g++ qt6-base-dev libgl-dev libxcb1-dev
    # the fonts the windows use
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
)
# What the tests need besides: the generators' checks, a real X server, keyboard and
# screen-reader drivers (Orca speaks through speech-dispatcher's dummy module), desktop
# integration checks, the Debian package, the benchmarks' smoke runs and the fuzzers.
test_packages=(
    python3 xvfb xauth xdotool x11-utils imagemagick dbus-x11 at-spi2-core python3-pyatspi
    openbox wmctrl qt6ct weston qt6-wayland orca speech-dispatcher
    desktop-file-utils appstream dpkg-dev file lintian man-db
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libbenchmark-dev clang libclang-rt-dev
    # keeps compiler output between runs of the suite
    ccache
    # makes the other Debian release's root
    mmdebstrap
)
bench_packages=(libbenchmark-dev xvfb xauth)
fuzz_packages=(clang libclang-rt-dev)
# The Windows build: MinGW-w64 (posix threads), Debian's Qt source for the cross-built Qt
# (apt-get source, quilt), the dialog font the program carries, wixl and msitools for the MSI,
# osslsigncode to sign (and openssl for the tests' certificate), and for its tests Wine with
# fonts, an X server and drivers.
windows_packages=(
    cmake ninja-build qt6-base-dev g++-mingw-w64-x86-64-posix dpkg-dev quilt python3
    fonts-dejavu-extra wixl msitools osslsigncode openssl
    wine64 fonts-wine fonts-liberation2 xvfb xdotool xclip imagemagick
)
qt_windows=$HOME/.cache/model-xref/qt-mingw # as the windows preset has it
# The Windows build is made on Debian 13, from its Qt 6.8 source and with its MinGW-w64, and
# tested under its Wine 10.
windows_release=trixie

release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# named RELEASE PACKAGE...: the packages as RELEASE names them. Debian 13 has Liberation 2 in
# fonts-liberation (fonts-liberation2 is only a transitional package there; on Debian 12,
# fonts-liberation is Liberation 1).
named() {
    local in=$1 p
    shift
    for p in "$@"; do
        [ "$in" = trixie ] && [ "$p" = fonts-liberation2 ] && p=fonts-liberation
        echo "$p"
    done
}

# install_missing PACKAGE...: installs those that are not installed yet (the names are
# Debian 12's, as the lists above give them).
install_missing() {
    local missing=()
    for p in $(named "$release" "$@"); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "dev.sh: needs root or sudo to install: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    echo "dev.sh: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# ccache (in ~/.cache/ccache) keeps the compiler's output between runs of the suite. Precompiled
# headers are made anew in each build folder, so their time stamps and macros must not keep a
# compile from being cached; the compiler still checks that one is valid.
use_ccache() {
    command -v ccache >/dev/null || return 0
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
    export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
}

build() { cmake --preset "$1" >/dev/null && nice -n 10 cmake --build --preset "$1"; }

windows() {
    tools/windows/build-qt.sh "$qt_windows"
    build windows
    build windows-internal
}

# in_root RELEASE COMMAND...: runs COMMAND in a fresh root of RELEASE that has every package
# above (one base serves every command), with this checkout; the Windows build folders are kept
# between runs.
in_root() {
    local in=$1
    shift
    tools/debian-root.sh --keep build-windows --keep build-windows-internal "$in" \
        "$(named "$in" "${run_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}")" -- "$@"
}

# The whole suite on this machine's release.
suite() {
    use_ccache
    for preset in external internal asan; do
        echo "== $preset =="
        cmake --workflow --preset "$preset"
    done
    echo "== fuzzers, 20 s each, beside the Windows build =="
    build fuzz
    ctest --preset fuzz >build-fuzz/smoke.log 2>&1 &
    fuzz_pid=$!
    trap 'kill "$fuzz_pid" 2>/dev/null || true' EXIT
    windows=no
    if [ "$release" = "$windows_release" ] && tools/windows/build-qt.sh --check "$qt_windows"; then
        install_missing "${windows_packages[@]}"
        windows
        windows=yes
    fi
    fuzz_status=0
    wait "$fuzz_pid" || fuzz_status=$?
    trap - EXIT
    cat build-fuzz/smoke.log
    [ "$fuzz_status" -eq 0 ] || exit "$fuzz_status"
    echo "== Windows, under Wine =="
    if [ "$windows" = yes ]; then
        tools/windows/wine-tests.sh build-windows -j2
        # The internal edition's zip folder: what a screen reader is told of its windows.
        tools/windows/wine-tests.sh build-windows-internal -R windows_uia
    elif [ "$release" = "$windows_release" ]; then
        echo "dev.sh: SKIPPED the Windows tests: no cross-built Qt in $qt_windows" \
             "(./dev.sh windows builds it once, about an hour and a half)"
    else
        echo "dev.sh: the Windows build is made and tested on Debian 13"
    fi
}

# The other supported Debian release: the suite runs on both.
other_release() {
    case "$release" in
    bookworm) echo trixie ;;
    trixie) echo bookworm ;;
    *) echo "dev.sh: this is neither Debian 12 (bookworm) nor Debian 13 (trixie)" >&2; exit 1 ;;
    esac
}

case "${1:-}" in
run)
    install_missing "${run_packages[@]}"
    build program
    exec ./build/src/model-xref
    ;;
test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    suite
    if [ "${2:-}" != here ]; then
        other=$(other_release)
        echo "== the same suite on Debian $other, in a root of its own =="
        in_root "$other" ./dev.sh test here
    fi
    ;;
bench)
    install_missing "${run_packages[@]}" "${bench_packages[@]}"
    build release
    bench/run-all.sh build-release
    ;;
fuzz)
    install_missing "${run_packages[@]}" "${fuzz_packages[@]}"
    build fuzz
    fuzz/run-all.sh build-fuzz "${2:-60}"
    ;;
windows)
    if [ "$release" = "$windows_release" ]; then
        install_missing "${windows_packages[@]}"
        windows
    else
        install_missing mmdebstrap
        in_root "$windows_release" ./dev.sh windows
    fi
    ;;
*)
    echo "usage: ./dev.sh run | test [here] | bench | fuzz [SECONDS] | windows" >&2
    exit 2
    ;;
esac
