#!/bin/sh
# What `cmake --install` and the Debian package put on a machine, the desktop validators, and
# the Windows version record. Usage: packaging_check.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The install tree.
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
root="$work/root/usr"
[ -x "$root/bin/model-xref" ] || fail "no program in bin/"
desktop="$root/share/applications/com.tevra.ModelXref.desktop"
metainfo="$root/share/metainfo/com.tevra.ModelXref.metainfo.xml"
[ -f "$desktop" ] || fail "no desktop file"
[ -f "$metainfo" ] || fail "no metainfo file"
for n in 16 22 24 32 48 64 128 256; do
    icon="$root/share/icons/hicolor/${n}x${n}/apps/model-xref.png"
    [ -f "$icon" ] || fail "no ${n}x${n} icon"
    file "$icon" | grep -q "PNG image data, $n x $n" || fail "icon $icon is not $n x $n"
done
grep -qx "Exec=model-xref" "$desktop" || fail "desktop entry does not start model-xref"
grep -qx "Icon=model-xref" "$desktop" || fail "desktop entry names another icon"
grep -q '<release version="4.2.5"' "$metainfo" || fail "metainfo release is not 4.2.5"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
echo "install tree and validators: ok"

# The Debian package.
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/deb/*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb made"
[ "$(dpkg-deb -f "$deb" Package)" = model-xref ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 4.2.5 ] || fail "package version"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package does not depend on Qt Widgets"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | sort > "$work/contents"
for f in /usr/bin/model-xref /usr/share/applications/com.tevra.ModelXref.desktop \
         /usr/share/metainfo/com.tevra.ModelXref.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/model-xref.png; do
    grep -qx "$f" "$work/contents" || fail "package lacks $f"
done
if grep -v -e '^/usr/bin/' -e '^/usr/share/' -e '/$' "$work/contents" | grep -q .; then
    fail "package installs outside /usr/bin and /usr/share"
fi
echo "debian package: ok"

# The Windows version record compiles and carries 4.2.0.5 / "4.02.0005".
rc="$build/src/model-xref.rc"
grep -q "FILEVERSION 4,2,0,5" "$rc" || fail "rc FILEVERSION"
if command -v x86_64-w64-mingw32-windres >/dev/null && [ -d /usr/share/mingw-w64/include ]; then
    # No Windows compiler here: the host preprocessor with the MinGW headers stands in.
    x86_64-w64-mingw32-windres --preprocessor=cpp -D_WIN32 -I/usr/share/mingw-w64/include \
        -i "$rc" -O coff -o "$work/rc.o" 2>"$work/windres.log" || { cat "$work/windres.log"; fail "windres"; }
    python3 - "$work/rc.o" <<'PY' || fail "compiled version record lacks its values"
import sys
data = open(sys.argv[1], 'rb').read()
# Version strings are UTF-16; FILEVERSION 4,2,0,5 is stored as the words 2,4,5,0.
assert '4.02.0005'.encode('utf-16-le') in data
assert 'Model Cross Reference'.encode('utf-16-le') in data
assert bytes([2, 0, 4, 0, 5, 0, 0, 0]) in data
PY
    echo "windows version record: ok"
else
    echo "windows version record: not compiled (no MinGW windres)"
fi
