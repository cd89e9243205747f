#!/usr/bin/env bash
# Checks that the release build is reproducible: builds regcomplete.exe and regcomplete-check.exe
# twice from the same sources (the work tree's tracked and new files), in two folders of different
# names and depths, then compares the two builds byte for byte and looks for either folder's path
# inside them. Prints the SHA-256 of each executable of both builds.
#   scripts/reproducible-check.sh
# Exits non-zero when the builds differ, hold a build path, or do not build.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${REGCOMPLETE_JOBS:-2}
exes=(regcomplete.exe regcomplete-check.exe)
work=$(mktemp -d "${TMPDIR:-/tmp}/regcomplete-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
folders=("$work/first" "$work/second/one/level/deeper")

for folder in "${folders[@]}"; do
    mkdir -p "$folder"
    git -C "$top" ls-files -z --cached --others --exclude-standard |
        tar -C "$top" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$folder" -xf - ||
        { echo "reproducible: could not copy the sources"; exit 1; }
    if ! { cmake -S "$folder" -B "$folder/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
        cmake --build "$folder/build" -j "$jobs" --target regcomplete regcomplete-check >/dev/null; }; then
        echo "reproducible: the build in $folder failed"
        exit 1
    fi
done

status=0
for exe in "${exes[@]}"; do
    first=${folders[0]}/build/bin/$exe second=${folders[1]}/build/bin/$exe
    sha256sum "$first" "$second" | sed "s|$work/||"
    cmp -s "$first" "$second" || { echo "FAIL: the two builds of $exe differ"; status=1; }
    for folder in "${folders[@]}"; do
        if grep -q -F -a "${folder#/}" "$first" "$second"; then
            echo "FAIL: $exe holds the path of ${folder#"$work/"}"
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "reproducible: both builds are the same bytes"
exit $status
