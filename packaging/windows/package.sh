#!/usr/bin/env bash
# Gathers the Windows build into a folder that runs on its own, and zips it:
#
#   package.sh PROGRAM.exe QT_PREFIX VERSION OUT_DIR      (the build's `windows-zip` target)
#
# OUT_DIR/model-xref-VERSION-windows-x64/ holds model-xref.exe, the Qt and MinGW runtime DLLs
# it loads (found by reading the import tables of the program and the plugins), the windows
# platform plugin and the image plugins for the program's pictures, all stripped;
# OUT_DIR/model-xref-VERSION-windows-x64.zip holds that folder.
set -euo pipefail

program=$1
qt=$2
version=$3
out=$4
triplet=x86_64-w64-mingw32

name=model-xref-$version-windows-x64
folder=$out/$name
rm -rf "$folder" "$out/$name.zip"
mkdir -p "$folder/platforms" "$folder/imageformats"

# Where the DLLs come from: the cross-built Qt, then the posix-thread MinGW runtime.
search=(
    "$qt/bin"
    "$(dirname "$($triplet-g++-posix -print-file-name=libstdc++-6.dll)")"
    "$(dirname "$($triplet-g++-posix -print-file-name=libwinpthread-1.dll)")"
    /usr/$triplet/lib
)

cp "$program" "$folder/model-xref.exe"
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
# The pictures are JPEG, the icons ICO; the banner's BMP is read by Qt Gui itself.
cp "$qt/plugins/imageformats/qjpeg.dll" "$qt/plugins/imageformats/qico.dll" "$folder/imageformats/"

# Every DLL that a file in the folder imports and that is not part of Windows, and theirs.
declare -A seen=()
pending=("$folder/model-xref.exe" "$folder"/platforms/*.dll "$folder"/imageformats/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [ -n "${seen[$key]:-}" ] && continue
        seen[$key]=1
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$folder/"
                pending+=("$folder/$dll")
                break
            fi
        done
    done < <($triplet-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

# The program carries DejaVu Sans Condensed in its resources; its licence goes with it.
cp /usr/share/doc/fonts-dejavu-extra/copyright "$folder/LICENSE-DejaVu-fonts.txt"

# Debug information stays in the build; what Windows users get is stripped (the resources stay).
find "$folder" -name '*.exe' -o -name '*.dll' | xargs $triplet-strip --strip-unneeded

# The MinGW runtime must be the posix-thread one the program was built with.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll; do
    [ -f "$folder/$dll" ] || { echo "package.sh: $dll was not gathered" >&2; exit 1; }
done

python3 - "$out" "$name" <<'PY'
import os, sys, zipfile
out, name = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(os.path.join(out, name + ".zip"), "w", zipfile.ZIP_DEFLATED,
                     compresslevel=9) as z:
    for root, dirs, files in os.walk(os.path.join(out, name)):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(root, f)
            z.write(path, os.path.relpath(path, out))
PY
echo "package.sh: $out/$name.zip, $(du -k "$out/$name.zip" | cut -f1) KiB"
