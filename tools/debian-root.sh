#!/usr/bin/env bash
# Runs a command on another Debian release than this machine's, in a root folder made with
# mmdebstrap, so that one machine tests the program on Debian 12 and Debian 13 alike:
#
#   tools/debian-root.sh [--keep FOLDER]... RELEASE PACKAGES -- COMMAND...
#
# RELEASE is a suite name (bookworm, trixie); PACKAGES a space-separated list of what the
# command needs. The release's base (minbase with PACKAGES) is made once and kept in
# ~/.cache/model-xref/debian-RELEASE, as the Windows build's Qt is; it is made again when the
# package list changes, and after a week, so that it has the release's updates. Each run then
# gets a fresh root: an overlay on the base that is thrown away afterwards, with the proc, sys
# and dev file systems of this machine, its name server, a machine id of its own, and at /src
# a copy of this checkout as it is now (tracked and new files, without build folders). COMMAND
# runs there as root, in /src, in an environment as clean as a fresh CI runner's (PATH, HOME,
# CI, TERM). Its home's .cache (ccache, the Windows build's Qt) is kept between runs in
# ~/.cache/model-xref/debian-RELEASE-home-cache, and each FOLDER of the checkout (a build
# folder, say) is the checkout's own: what the command leaves there stays.
#
# The mounts live in a mount namespace of the run's own, so they go when it ends, however it
# ends. Needs root (or sudo), mmdebstrap and util-linux's unshare.
set -euo pipefail

usage="usage: $0 [--keep FOLDER]... RELEASE PACKAGES -- COMMAND..."
keep=()
while [ "${1:-}" = --keep ]; do keep+=("$2"); shift 2; done
[ $# -ge 3 ] || { echo "$usage" >&2; exit 2; }
release=$1
packages=$2
shift 2
[ "$1" = -- ] || { echo "$usage" >&2; exit 2; }
shift

if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "debian-root.sh: needs root or sudo" >&2; exit 1; }
    options=()
    for folder in "${keep[@]}"; do options+=(--keep "$folder"); done
    exec sudo --preserve-env=CI,TERM "$0" "${options[@]}" "$release" "$packages" -- "$@"
fi

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/model-xref
base=$cache/debian-$release
home_cache=$cache/debian-$release-home-cache
mkdir -p "$cache" "$home_cache"

# ---- the base, made once per recipe ----
sorted=$(printf '%s\n' $packages | LC_ALL=C sort -u | paste -sd, -)
mmdebstrap=(mmdebstrap --variant=minbase --include="$sorted"
            --aptopt='APT::Install-Recommends "false"' "$release")
recipe=$(echo "${mmdebstrap[*]}" | sha256sum | cut -d' ' -f1)
if [ ! -f "$base/.mxr-recipe" ] || [ "$(cat "$base/.mxr-recipe")" != "$recipe" ] ||
   [ -n "$(find "$base/.mxr-recipe" -mtime +7)" ]; then
    echo "debian-root.sh: making the Debian $release base in $base (a few minutes)"
    started=$(date +%s)
    rm -rf "$base.new"
    "${mmdebstrap[@]}" "$base.new" >"$cache/debian-$release.log" 2>&1 \
        || { tail -n 30 "$cache/debian-$release.log" >&2; echo "debian-root.sh: mmdebstrap failed" >&2; exit 1; }
    echo "$recipe" >"$base.new/.mxr-recipe"
    rm -rf "$base"
    mv "$base.new" "$base"
    echo "debian-root.sh: base made in $(( $(date +%s) - started )) s"
fi

# ---- a fresh root for this run ----
run=$(mktemp -d "${TMPDIR:-/tmp}/mxr-root-$release.XXXXXX")
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/upper" "$run/work" "$run/root"
# The checkout as it is now, build folders and other ignored files left out.
(cd "$repo" && git ls-files -z -co --exclude-standard | xargs -0 -r ls -d 2>/dev/null \
     | tar -cf "$run/src.tar" -T -)

for folder in "${keep[@]}"; do mkdir -p "$repo/$folder"; done

status=0
MXR_KEEP="${keep[*]}" MXR_REPO="$repo" unshare --mount --propagation private -- /bin/sh -euc '
    run=$1 base=$2 home_cache=$3; shift 3
    root=$run/root
    mount -t overlay overlay -o "lowerdir=$base,upperdir=$run/upper,workdir=$run/work" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    mkdir -p "$root/root/.cache" "$root/src"
    mount --bind "$home_cache" "$root/root/.cache"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    # A machine of its own, as every installed system has (D-Bus needs it); mmdebstrap leaves
    # the root without one.
    [ -s "$root/etc/machine-id" ] || tr -d - </proc/sys/kernel/random/uuid >"$root/etc/machine-id"
    tar -xf "$run/src.tar" -C "$root/src"
    for folder in $MXR_KEEP; do
        mkdir -p "$root/src/$folder"
        mount --bind "$MXR_REPO/$folder" "$root/src/$folder"
    done
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        CI="${CI:-}" TERM="${TERM:-dumb}" /bin/sh -c "cd /src && exec \"\$@\"" sh "$@"
' sh "$run" "$base" "$home_cache" "$@" || status=$?
exit $status
