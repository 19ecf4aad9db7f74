#!/usr/bin/env bash
# Set-up, build, run and test on a Debian 12 machine.
#
#   ./dev.sh run     install what is missing, build, start the program
#   ./dev.sh test    install what is missing, build both editions, a sanitizer build and the
#                    fuzzers, run every test
#   ./dev.sh bench   install what is missing, build optimised, run the benchmarks
#   ./dev.sh fuzz [SECONDS]
#                    install what is missing, build the fuzzers with clang, run each for
#                    SECONDS (60) on a copy of its corpus and print what it reached
#   ./dev.sh windows install what is missing, cross-build Qt for Windows once (cached in
#                    ~/.cache/model-xref), build the program for Windows, its zip and its MSI
#
# `test` also runs the Windows build's tests under Wine when the cross-built Qt is cached.
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the program need.
run_packages=(
    cmake ninja-build g++ qt6-base-dev libgl-dev
    # the fonts the windows use
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
)
# What the tests need besides: the generators' checks, a real X server, keyboard and
# screen-reader drivers, desktop integration checks and the Debian package. The benchmark
# programs are built with the tests, and their smoke runs are part of the suite.
test_packages=(
    python3 xvfb xauth xdotool x11-utils imagemagick dbus-x11 at-spi2-core python3-pyatspi
    openbox wmctrl qt6ct weston qt6-wayland
    # a real screen reader, speaking through speech-dispatcher's dummy module
    orca speech-dispatcher
    desktop-file-utils appstream dpkg-dev file lintian man-db
    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    libbenchmark-dev
    # the fuzzers, whose short runs are part of the suite
    clang libclang-rt-dev
    # keeps compiler output between runs of the suite
    ccache
)
bench_packages=(libbenchmark-dev xvfb xauth)
fuzz_packages=(clang libclang-rt-dev)
fuzzers=(fuzz_text fuzz_pick fuzz_sortedlist)

# The Windows build: MinGW-w64 (posix threads), Debian's Qt source for the cross-built Qt
# (apt-get source, quilt), the dialog font the program carries, wixl and msitools for the MSI,
# and for its tests Wine with fonts, an X server and drivers.
windows_packages=(
    cmake ninja-build qt6-base-dev g++-mingw-w64-x86-64-posix dpkg-dev quilt python3
    fonts-dejavu-extra wixl msitools
    wine64 fonts-wine fonts-liberation2 xvfb xdotool xclip imagemagick
)
qt_windows=${XDG_CACHE_HOME:-$HOME/.cache}/model-xref/qt-6.4.2-mingw

# install_missing PACKAGE...: installs those that are not installed yet.
install_missing() {
    local missing=()
    for p in "$@"; do
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

# The suite builds five configurations; ccache (in ~/.cache/ccache) keeps the compiler's output
# between runs. A clone in another folder reuses the library's objects; the test programs carry
# their build folder's path (Qt Test's defines), so they are cached per folder. Precompiled
# headers are made anew in each build folder, so their time stamps and the macros they were
# made with must not keep a compile from being cached; the compiler still checks that a
# precompiled header is valid when it uses it.
launcher=()
use_ccache() {
    command -v ccache >/dev/null || return 0
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
    export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
}

# build DIR [cmake options...]
build() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir"
}

# The program, its test programs, the zip and the MSI for Windows, against the cross-built Qt.
build_windows() {
    tools/windows/build-qt.sh "$qt_windows"
    cmake -S . -B build-windows -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt_windows/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DMXR_BUILD_BENCHMARKS=OFF "${launcher[@]}" >/dev/null
    nice -n 10 cmake --build build-windows --parallel 2
    cmake --build build-windows --target windows-msi
}

run_tests() {
    local dir=$1
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300
}

# The libFuzzer programs in fuzz/, and the program's library under them, built with clang, the
# sanitizers and coverage instrumentation.
build_fuzzers() {
    build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DMXR_BUILD_FUZZERS=ON \
        -DMXR_BUILD_TESTS=OFF -DMXR_BUILD_BENCHMARKS=OFF
}

case "${1:-}" in
run)
    install_missing "${run_packages[@]}"
    build build -DMXR_BUILD_BENCHMARKS=OFF -DMXR_BUILD_TESTS=OFF
    exec ./build/src/model-xref
    ;;
test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    use_ccache
    echo "== external edition =="
    build build -DMXR_BUILD_TESTS=ON -DMXR_BUILD_BENCHMARKS=ON
    run_tests build
    echo "== internal edition =="
    build build-internal -DEDITION_CODE=I -DMXR_BUILD_TESTS=ON -DMXR_BUILD_BENCHMARKS=OFF \
        -DMXR_CHECK_GENERATED=OFF
    run_tests build-internal
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer =="
    build build-asan -DMXR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DMXR_BUILD_TESTS=ON \
        -DMXR_BUILD_BENCHMARKS=OFF -DMXR_CHECK_GENERATED=OFF
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests build-asan
    echo "== fuzzers, 20 s each =="
    build_fuzzers
    # The fuzzers run for a fixed time, so the Windows build goes on beside them.
    fuzz_log=build-fuzz/smoke.log
    run_tests build-fuzz >"$fuzz_log" 2>&1 &
    fuzz_pid=$!
    trap 'kill "$fuzz_pid" 2>/dev/null || true' EXIT
    windows=no
    if tools/windows/build-qt.sh --check "$qt_windows"; then
        install_missing "${windows_packages[@]}"
        build_windows
        windows=yes
    fi
    fuzz_status=0
    wait "$fuzz_pid" || fuzz_status=$?
    trap - EXIT
    cat "$fuzz_log"
    [ "$fuzz_status" -eq 0 ] || exit "$fuzz_status"
    echo "== Windows, under Wine =="
    if [ "$windows" = yes ]; then
        tools/windows/wine-tests.sh build-windows -j2
    else
        echo "dev.sh: SKIPPED the Windows tests: no cross-built Qt in $qt_windows" \
             "(./dev.sh windows builds it once, about half an hour)"
    fi
    ;;
bench)
    install_missing "${run_packages[@]}" "${bench_packages[@]}"
    build build-release -DCMAKE_BUILD_TYPE=Release -DMXR_BUILD_TESTS=OFF -DMXR_BUILD_BENCHMARKS=ON
    bench/run-all.sh build-release
    ;;
fuzz)
    seconds=${2:-60}
    install_missing "${run_packages[@]}" "${fuzz_packages[@]}"
    build_fuzzers
    # Each fuzzer grows a copy of its corpus in build-fuzz/fuzz/work/NAME (to merge from); what
    # it finds is kept in build-fuzz/fuzz/findings.
    for fuzzer in "${fuzzers[@]}"; do
        echo "== $fuzzer, $seconds s =="
        log=build-fuzz/fuzz/$fuzzer.log
        if ! sh fuzz/run.sh "build-fuzz/fuzz/$fuzzer" "$seconds" "fuzz/corpus/$fuzzer" \
            "fuzz/$fuzzer.dict" build-fuzz/fuzz/findings "build-fuzz/fuzz/work/$fuzzer" \
            >"$log" 2>&1; then
            tail -n 40 "$log"
            echo "dev.sh: $fuzzer found a fault (log: $log, input: build-fuzz/fuzz/findings)" >&2
            exit 1
        fi
        # libFuzzer's last status line: "#RUNS DONE cov: C ft: F corp: ... exec/s: E rss: ..."
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 |
            sed -E 's/^#([0-9]+).*cov: ([0-9]+) ft: ([0-9]+) corp: ([^ ]+).*exec\/s: ([0-9]+).*/\1 runs, \5 exec\/s, coverage: \2 edges, \3 features, corpus \4/'
    done
    ;;
windows)
    install_missing "${windows_packages[@]}"
    build_windows
    ;;
*)
    echo "usage: ./dev.sh run | test | bench | fuzz [SECONDS] | windows" >&2
    exit 2
    ;;
esac
