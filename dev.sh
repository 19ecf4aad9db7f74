#!/usr/bin/env bash
# Set-up, build, run and test on a Debian 12 machine.
#
#   ./dev.sh run     install what is missing, build, start the program
#   ./dev.sh test    install what is missing, build both editions and a sanitizer build,
#                    run every test
#   ./dev.sh bench   install what is missing, build optimised, run the benchmarks
#   ./dev.sh windows install what is missing, cross-build Qt for Windows once (cached in
#                    ~/.cache/model-xref), build the program for Windows, zip it
#
# `test` also runs the Windows build's tests under Wine when the cross-built Qt is cached.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libxcb1-dev libgl-dev
    # fonts the windows and the artwork generator use
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
    # tests: generators' checks, a real X server, keyboard and screen-reader drivers
    python3 xvfb xauth xdotool x11-utils imagemagick dbus-x11 at-spi2-core python3-pyatspi
    # desktop integration checks and the Debian package
    desktop-file-utils appstream dpkg-dev file binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    # benchmarks
    libbenchmark-dev hyperfine
)

# The Windows build: MinGW-w64 (posix threads), Debian's Qt source for the cross-built Qt
# (apt-get source, quilt), and for its tests Wine with fonts, an X server and drivers.
windows_packages=(
    cmake ninja-build qt6-base-dev g++-mingw-w64-x86-64-posix dpkg-dev quilt python3
    wine64 fonts-wine fonts-liberation2 xvfb xdotool xclip imagemagick
)
qt_windows=${XDG_CACHE_HOME:-$HOME/.cache}/model-xref/qt-6.4.2-mingw

# install_missing [PACKAGE...]: the given packages, or the whole list above.
install_missing() {
    local wanted=("$@") missing=()
    [ ${#wanted[@]} -gt 0 ] || wanted=("${packages[@]}")
    for p in "${wanted[@]}"; do
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

# build DIR [cmake options...]
build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}

# The program, its test programs and the zip for Windows, against the cross-built Qt.
build_windows() {
    tools/windows/build-qt.sh "$qt_windows"
    cmake -S . -B build-windows -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt_windows/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DMXR_BUILD_BENCHMARKS=OFF >/dev/null
    nice -n 10 cmake --build build-windows --parallel 2
    cmake --build build-windows --target windows-zip
}

run_tests() {
    local dir=$1
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300
}

case "${1:-}" in
run)
    install_missing
    build build
    exec ./build/src/model-xref
    ;;
test)
    install_missing
    echo "== external edition =="
    build build
    run_tests build
    echo "== internal edition =="
    build build-internal -DEDITION_CODE=I -DMXR_BUILD_BENCHMARKS=OFF
    run_tests build-internal
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer =="
    build build-asan -DMXR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DMXR_BUILD_BENCHMARKS=OFF
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests build-asan
    echo "== Windows, under Wine =="
    if tools/windows/build-qt.sh --check "$qt_windows"; then
        install_missing "${windows_packages[@]}"
        build_windows
        tools/windows/wine-tests.sh build-windows -j2
    else
        echo "dev.sh: SKIPPED the Windows tests: no cross-built Qt in $qt_windows" \
             "(./dev.sh windows builds it once, about half an hour)"
    fi
    ;;
bench)
    install_missing
    build build-release -DCMAKE_BUILD_TYPE=Release
    bench/run-all.sh build-release
    ;;
windows)
    install_missing "${windows_packages[@]}"
    build_windows
    ;;
*)
    echo "usage: ./dev.sh run | test | bench | windows" >&2
    exit 2
    ;;
esac
