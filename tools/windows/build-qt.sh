#!/usr/bin/env bash
# Cross-builds Qt's qtbase for 64-bit Windows (MinGW-w64) from Debian's own qt6-base source,
# with Debian's patches applied, into a cache outside the repository:
#
#   tools/windows/build-qt.sh [PREFIX]      default ~/.cache/model-xref/qt-mingw
#   tools/windows/build-qt.sh --check [PREFIX]   exit 0 if PREFIX holds this recipe's build
#
# The build is reused while its recipe is the same: this script and the toolchain file (their
# comments aside) and the source package version, hashed into PREFIX/mxr-recipe. When the recipe
# changes, Qt is built again from scratch.
# The Qt is the one this machine's Debian release has: 6.8 on Debian 13 (Qt's long-term
# release, whose Windows side Qt maintains), 6.4 on Debian 12. Takes about 40 minutes on two
# cores. Needs: dpkg-dev (apt-get source), quilt, g++-mingw-w64-x86-64-posix, cmake,
# ninja-build and the host Qt (qt6-base-dev) of the same version, whose moc, rcc and uic the
# cross build uses.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
toolchain=$repo/cmake/mingw-w64-x86_64.cmake

check_only=false
if [ "${1:-}" = "--check" ]; then check_only=true; shift; fi
prefix=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/model-xref/qt-mingw}

# The source package is the one the host Qt was built from, so that the host tools and the
# cross-built libraries are the same Qt.
source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
[ -n "$source_version" ] || { echo "build-qt.sh: needs qt6-base-dev installed" >&2; exit 1; }
case "$source_version" in
6.4.2+* | 6.8.*) ;;
*) echo "build-qt.sh: host Qt is $source_version, this recipe is for 6.4.2 and 6.8" >&2; exit 1 ;;
esac
release=$(. /etc/os-release && echo "$VERSION_CODENAME")

# Only what the program and its Qt Test programs use: Core, Gui, Widgets, Test, the windows
# and offscreen platform plugins and the jpeg and ico image plugins; every third-party library
# is Qt's bundled copy, so the result needs nothing but the MinGW runtime.
configure_options=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_vulkan=OFF
    # Not FEATURE_opengl=OFF: in 6.4.2 that leaves QOpenGLStaticContext undeclared in the
    # windows platform plugin.
    -DINPUT_opengl=no
    # Debian's source leaves out src/3rdparty/wintab.
    -DFEATURE_tabletevent=OFF
    # FreeType stays on (bundled): without it the offscreen plugin is not built, and the
    # Qt Test programs run on offscreen.
    -DFEATURE_freetype=ON
    -DFEATURE_fontconfig=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_glib=OFF
    -DFEATURE_openssl=OFF
    -DFEATURE_gif=OFF
)
case "$source_version" in
6.4.*)
    # Direct2D is off, and the windows platform plugin then fails to link with DirectWrite 3.
    configure_options+=(-DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF) ;;
*)
    # Direct2D on: without it, 6.8's font database does not compile (it defines its
    # DirectWrite font loader only together with Direct2D).
    configure_options+=(-DFEATURE_direct2d=ON -DFEATURE_directwrite3=ON) ;;
esac

recipe=$( { grep -hvE '^\s*(#|$)' "$0" "$toolchain"; echo "$source_version"; } | sha256sum | cut -d' ' -f1)
if [ -f "$prefix/mxr-recipe" ] && [ "$(head -n1 "$prefix/mxr-recipe")" = "$recipe" ]; then
    $check_only || echo "build-qt.sh: Qt for Windows is up to date in $prefix"
    exit 0
fi
$check_only && exit 1

for tool in x86_64-w64-mingw32-g++-posix cmake ninja dpkg-source quilt; do
    command -v "$tool" >/dev/null || { echo "build-qt.sh: $tool is missing" >&2; exit 1; }
done

# A build of this recipe that was cut short goes on where it stopped.
work=$prefix.work
started=$(date +%s)
if [ -f "$work/mxr-recipe" ] && [ "$(cat "$work/mxr-recipe")" = "$recipe" ] &&
   [ -f "$work/build/build.ninja" ]; then
    echo "build-qt.sh: going on with the build of Qt $source_version in $work"
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
    resume=true
else
    rm -rf "$work"
    mkdir -p "$work"
    echo "$recipe" >"$work/mxr-recipe"
    echo "build-qt.sh: building Qt $source_version for Windows in $work (about 40 minutes)"
    resume=false
fi

if ! $resume; then
    # Debian's source through a private apt configuration, leaving the machine's sources alone.
    # The deb-src lines name the same archive host as the machine's own entries.
    apt_dir=$work/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
    mirror=$(grep -rhoE 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
                 /etc/apt/sources.list.d/*.list 2>/dev/null | head -n1 | tr -d ' ' || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    mirror=${mirror%/}
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] $mirror $release main
deb-src [signed-by=$keyring] $mirror $release-updates main
deb-src [signed-by=$keyring] ${mirror}-security $release-security main
EOF
    apt_options=(
        -o Dir::Etc::SourceList="$apt_dir/sources.list"
        -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
        -o Dir::State::Lists="$apt_dir/lists"
        -o Dir::Cache="$apt_dir/cache"
        -o APT::Sandbox::User="$(id -un)"
    )
    apt-get "${apt_options[@]}" -qq update
    (cd "$work" && apt-get "${apt_options[@]}" -q source --only-source "qt6-base=$source_version")
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
    [ -n "$src" ] || { echo "build-qt.sh: no source folder was unpacked" >&2; exit 1; }

    # Debian's patches (security and build fixes). dpkg-source applies them when it unpacks a
    # "3.0 (quilt)" package; quilt applies whatever it left out and fails if one does not apply.
    (
        cd "$src"
        export QUILT_PATCHES=debian/patches QUILT_PC=.pc
        status=0
        quilt push -a -q >/dev/null || status=$?
        # 2: nothing left to apply.
        [ $status -eq 0 ] || [ $status -eq 2 ] || { echo "build-qt.sh: a Debian patch does not apply" >&2; exit 1; }
        applied=$(quilt applied 2>/dev/null | wc -l)
        listed=$(grep -cvE '^\s*(#|$)' debian/patches/series)
        echo "build-qt.sh: $applied of $listed Debian patches applied"
        [ "$applied" -eq "$listed" ]
    )
fi

build=$work/build
nice -n 10 cmake -S "$src" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${configure_options[@]}" >"$work/configure.log" 2>&1 \
    || { tail -n 40 "$work/configure.log" >&2; echo "build-qt.sh: configure failed, see $work/configure.log" >&2; exit 1; }
nice -n 10 cmake --build "$build" --parallel 2 >>"$work/build.log" 2>&1 \
    || { tail -n 40 "$work/build.log" >&2; echo "build-qt.sh: build failed, see $work/build.log" >&2; exit 1; }

# Install over an emptied prefix; the recipe file is written last, so a prefix without it is
# never taken for a finished build.
rm -rf "$prefix"
cmake --install "$build" >"$work/install.log" 2>&1 \
    || { tail -n 20 "$work/install.log" >&2; exit 1; }
for file in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll \
            plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
            plugins/imageformats/qjpeg.dll plugins/imageformats/qico.dll; do
    [ -f "$prefix/$file" ] || { echo "build-qt.sh: $file was not built" >&2; exit 1; }
done
{
    echo "$recipe"
    echo "qt6-base $source_version, built $(date -u +%Y-%m-%dT%H:%M:%SZ) in $(( $(date +%s) - started )) s"
    printf '%s\n' "${configure_options[@]}"
} >"$prefix/mxr-recipe"
rm -rf "$work"
echo "build-qt.sh: Qt for Windows is in $prefix ($(( ($(date +%s) - started) / 60 )) min)"
