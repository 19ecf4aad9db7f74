#!/bin/sh
# Regenerates the artwork into a temporary folder, twice, and compares every
# file byte for byte with the committed copies.
#
#   verify_artwork.sh GEN_ARTWORK_BINARY RESOURCES_DIR
#
# Fails (status 1) if a committed file differs from what the generator writes,
# if the generator writes a file that is not committed, if a committed artwork
# file is no longer generated, or if two runs of the generator disagree.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 GEN_ARTWORK_BINARY RESOURCES_DIR" >&2
    exit 2
fi
gen=$1
if [ ! -d "$2" ]; then
    echo "verify_artwork: $2 is not a folder" >&2
    exit 2
fi
resources=$(cd "$2" && pwd)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

for run in first second; do
    if ! "$gen" "$tmp/$run"; then
        echo "verify_artwork: $gen $tmp/$run failed" >&2
        exit 1
    fi
done

(cd "$tmp/first" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$tmp/generated.txt"
if [ ! -s "$tmp/generated.txt" ]; then
    echo "verify_artwork: the generator wrote no files" >&2
    exit 1
fi

status=0
while IFS= read -r f; do
    if ! cmp -s "$tmp/first/$f" "$tmp/second/$f"; then
        echo "NOT REPRODUCIBLE: $f differs between two runs of the generator"
        status=1
    fi
    if [ ! -f "$resources/$f" ]; then
        echo "MISSING: $f is generated but not in $resources"
        status=1
    elif ! cmp -s "$tmp/first/$f" "$resources/$f"; then
        echo "DIFFERS: $resources/$f is not what the generator writes"
        status=1
    fi
done < "$tmp/generated.txt"

# Committed artwork that the generator no longer writes.  Other kinds of files
# (resource lists, for instance) may live beside the artwork.
(cd "$resources" && find . -type f \( -name '*.jpg' -o -name '*.bmp' -o -name '*.ico' \
    -o -name '*.png' -o -name 'README.md' \) | sed 's|^\./||' | LC_ALL=C sort) > "$tmp/committed.txt"
LC_ALL=C comm -13 "$tmp/generated.txt" "$tmp/committed.txt" | while IFS= read -r f; do
    echo "STALE: $resources/$f is not written by the generator"
done > "$tmp/stale.txt"
if [ -s "$tmp/stale.txt" ]; then
    cat "$tmp/stale.txt"
    status=1
fi

if [ $status -eq 0 ]; then
    echo "artwork reproducible: $(wc -l < "$tmp/generated.txt") files match $resources"
else
    echo "To update the committed copies: $gen $resources" >&2
fi
exit $status
