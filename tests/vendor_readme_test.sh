#!/usr/bin/env bash
# Runs docs/from-source.md as a vendor would: every ```sh block of it, in order, in one shell, as
# written, in a copy of the source tree (tracked and new files). Then checks what the commands must have made: bin/ with the two programs only, and
# the host the commands gave in the version resource and in the check tool's version line. Last,
# the same tree configured again: a host that is no host name stops the configure step, and
# without a host cpack makes the release for every vendor, whose regcomplete.exe is unsigned and
# registers nowhere until it is stamped.
# usage: vendor_readme_test.sh SOURCE_DIR VERSION   (REGCOMPLETE_WIN_BUILD set, for the Wine prefix)
set -u
top=$1 version=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d "${TMPDIR:-/tmp}/regcomplete-vendor.XXXXXX")
trap 'rm -rf "$work"' EXIT
copy=$work/regcomplete

mkdir -p "$copy"
git -C "$top" ls-files -z --cached --others --exclude-standard |
    tar -C "$top" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$copy" -xf - ||
    { echo "FAIL: could not copy the sources"; exit 1; }

# The page's sh blocks, as written.
awk '/^```/ { if (block) { block = 0; next } if ($0 == "```sh") { block = 1; next } }
     block' "$top/docs/from-source.md" >"$work/commands.sh"
grep -q . "$work/commands.sh" || { echo "FAIL: no commands in docs/from-source.md for vendors"; exit 1; }

# The tests' Wine prefix, but not their locale: the commands must set the one Wine needs themselves.
# shellcheck source=tests/e2e/wine_env.sh
. "$(dirname "$0")/e2e/wine_env.sh"
wine_prefix_ready || { echo "FAIL: could not create the Wine prefix"; exit 1; }
export LANG=C.UTF-8
unset LC_ALL

if ! (cd "$copy" && bash -euxo pipefail "$work/commands.sh") >"$work/commands.log" 2>&1; then
    tail -n 40 "$work/commands.log"
    echo "FAIL: the commands of docs/from-source.md stopped (see above)"
    exit 1
fi

release=$copy/build/release
host=$(sed -n 's/^REGCOMPLETE_HOST:STRING=//p' "$release/CMakeCache.txt")
listed=$(cd "$release/bin" && ls -A | tr '\n' ' ')
[ "$listed" = "regcomplete-check.exe regcomplete.exe " ] ||
    fail "build/release/bin holds '$listed', not only the two programs"
[ -n "$host" ] || fail "the commands built no registration host"
for exe in regcomplete.exe regcomplete-check.exe; do
    "$(dirname "$0")/header_test.sh" "$release/bin/$exe" "$version" "$host" ||
        fail "$exe does not carry the version resource with host $host"
done
said=$(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine "$release/bin/regcomplete-check.exe" --version 2>/dev/null |
    tr -d '\r')
[ "$said" = "regcomplete-check $version (host $host)" ] || fail "the check tool says '$said'"

# -DREGCOMPLETE_HOST= with no host, or with more than a host name, stops the configure step: the
# stamp's rule, each row a slip of it (an address, a blank, a hyphen at a label's edge inside the
# name, an empty label, a label of 64, a name of 254, ports 0 and 70000).
label63=$(printf 'a%.0s' {1..63})
for bad_host in "https://regist.vendor-example.jp/" "regist vendor" "regist-.example.jp" "a..b" \
    "${label63}a.jp" "$label63.$label63.$label63.$(printf 'b%.0s' {1..62})" "regist.example.jp:0" \
    "regist.example.jp:70000"; do
    if cmake -S "$copy" -B "$release" -DREGCOMPLETE_HOST="$bad_host" >"$work/configure.log" 2>&1 ||
        ! grep -q 'REGCOMPLETE_HOST' "$work/configure.log"; then
        fail "the host '$bad_host' did not stop the configure step with a message naming it"
    fi
done

# Without -DREGCOMPLETE_HOST the build is the release for every vendor, and its zip says so.
if ! { cmake -S "$copy" -B "$release" -DREGCOMPLETE_HOST= >"$work/package.log" 2>&1 &&
    cmake --build "$release" -j "${REGCOMPLETE_JOBS:-2}" >>"$work/package.log" 2>&1 &&
    (cd "$release" && cpack) >>"$work/package.log" 2>&1; }; then
    tail -n 20 "$work/package.log"
    fail "cpack of the build without a host failed"
fi
[ -f "$release/regcomplete-$version-win32-unstamped.zip" ] ||
    fail "the build without a host made no regcomplete-$version-win32-unstamped.zip"

echo "$failures failed"
[ $failures -eq 0 ]
