#!/usr/bin/env bash
# The release for every vendor and its stamp, as a vendor uses them:
#   - a build without a host (built here, in BUILD_DIR/unstamped) and one with a host and Japanese
#     names (BUILD_DIR/named, the release settings of a vendor);
#   - the host check tool (built here too, in BUILD_DIR/host-tool) and the Windows one under Wine
#     each stamp the unstamped
#     program: the result is the bytes of the build with that host and those names, for the test
#     build's ASCII host without names and for the vendor's host with Japanese names;
#   - --show reads the host and names back, and names the unstamped release by its SHA-256, for a
#     stamped and for a signed program; the unstamped zip states that SHA-256;
#   - each refusal gives its message and leaves no output file;
#   - a stamped program signed with osslsigncode verifies.
# Leaves BUILD_DIR/unstamped/bin/regcomplete.exe and BUILD_DIR/stamped/regcomplete.exe (the
# vendor's host and names stamped) for the dialog cases that run them (e2e/release_test.sh).
# usage: stamp_test.sh SOURCE_DIR BUILD_DIR HOST   (REGCOMPLETE_WIN_BUILD = BUILD_DIR)
set -u
top=$1 build=$2 host=$3
. "$(dirname "$0")/e2e/wine_env.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

vendor_host=regist.vendor-example.jp
company=例示株式会社
copyright="© 2026 例示株式会社"
# build_program DIR CMAKE_ARGS...: the program alone, as the release is built.
build_program() {
    local dir=$build/$1
    shift
    cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF "$@" >"$scratch/cmake.log" 2>&1 &&
        cmake --build "$dir" -j2 --target regcomplete >>"$scratch/cmake.log" 2>&1 ||
        { cat "$scratch/cmake.log"; fail "could not build $dir"; exit 1; }
}
build_program unstamped -DREGCOMPLETE_HOST= -DREGCOMPLETE_COMPANY_NAME= -DREGCOMPLETE_COPYRIGHT=
cmake --build "$build/unstamped" -j2 --target regcomplete-check >>"$scratch/cmake.log" 2>&1 ||
    { cat "$scratch/cmake.log"; fail "could not build the unstamped check tool"; exit 1; }
build_program named -DREGCOMPLETE_HOST=$vendor_host -DREGCOMPLETE_COMPANY_NAME="$company" \
    -DREGCOMPLETE_COPYRIGHT="$copyright"
unstamped=$build/unstamped/bin/regcomplete.exe
release_sha256=$(sha256sum "$unstamped" | cut -d' ' -f1)
cmake -S "$top" -B "$build/host-tool" -DBUILD_TESTING=OFF >"$scratch/cmake.log" 2>&1 &&
    cmake --build "$build/host-tool" -j2 --target regcomplete-check >>"$scratch/cmake.log" 2>&1 ||
    { cat "$scratch/cmake.log"; fail "could not build the host check tool"; exit 1; }
host_tool=$build/host-tool/bin/regcomplete-check
mkdir -p "$build/stamped"

wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }
win_tool=$(windows_path "$build/bin/regcomplete-check.exe")
# Both tools, each taking Unix paths; the Windows one gets the names in the Unicode command line.
host_stamp() { "$host_tool" "$@"; }
wine_stamp() {
    local args=() a
    for a in "$@"; do
        case $a in /*) args+=("$(windows_path "$(dirname "$a")")\\$(basename "$a")") ;; *) args+=("$a") ;; esac
    done
    wine "$win_tool" "${args[@]}"
}

for tool in host_stamp wine_stamp; do
    out=$scratch/$tool-test-host.exe
    "$tool" --stamp --host "$host" "$unstamped" "$out" >/dev/null 2>&1 ||
        fail "$tool: stamping with $host failed"
    cmp -s "$out" "$build/bin/regcomplete.exe" ||
        fail "$tool: stamped with $host, not the bytes of the build with it"
    out=$scratch/$tool-vendor.exe
    "$tool" --stamp --host $vendor_host --company "$company" --copyright "$copyright" \
        "$unstamped" "$out" >/dev/null 2>&1 || fail "$tool: stamping with the vendor's names failed"
    cmp -s "$out" "$build/named/bin/regcomplete.exe" ||
        fail "$tool: stamped with the vendor's host and names, not the bytes of their build"
    shown=$("$tool" --show "$out" 2>&1 | tr -d '\r')
    expected="version: $(sed -n 's/^project(regcomplete VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt") release
host: $vendor_host
company: $company
copyright: $copyright
signed: no
stamps with this tool: yes
release: $release_sha256"
    [ "$shown" = "$expected" ] || { fail "$tool: --show of the vendor's program"; diff <(echo "$expected") <(echo "$shown"); }
    "$tool" --show "$unstamped" 2>&1 | tr -d '\r' | grep -qx 'host: (none: not stamped)' ||
        fail "$tool: --show of the unstamped program names a host"
done
cp "$scratch/host_stamp-vendor.exe" "$build/stamped/regcomplete.exe"

# Refusals: each with its message, none leaving an output file.
printf 'not a program\n' >"$scratch/text.exe"
# Damaged releases, each a way a copy can break: cut short after its version resource, a flipped
# code byte, 1 MiB appended, and more than the tool reads.
head -c 22732 "$unstamped" >"$scratch/cut.exe"
cp "$unstamped" "$scratch/flipped.exe"
code_byte=$(od -An -tu1 -j1100 -N1 "$unstamped" | tr -d ' ')  # in .text, which starts at 1024
printf "\\x$(printf %02x $((code_byte ^ 1)))" | dd of="$scratch/flipped.exe" bs=1 seek=1100 conv=notrunc 2>/dev/null
{ cat "$unstamped"; head -c 1048576 /dev/zero; } >"$scratch/grown.exe"
{ cat "$unstamped"; head -c $((4 * 1024 * 1024 + 1 - $(stat -c %s "$unstamped"))) /dev/zero; } >"$scratch/huge.exe"
cp "$unstamped" "$scratch/other-release.exe"
# The same program of another version: its slot's marker names that version.
sed -i 's/\(regcomplete registration host \)[0-9.]*\( release\)/\19.9.9\2/' "$scratch/other-release.exe"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$scratch/key.pem" -out "$scratch/cert.pem" \
    -days 2 -subj "/CN=regcomplete stamp test" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
osslsigncode sign -certs "$scratch/cert.pem" -key "$scratch/key.pem" -in "$unstamped" \
    -out "$scratch/signed.exe" >/dev/null 2>&1 || fail "osslsigncode could not sign a copy"
long_name=$(printf '名%.0s' {1..128})
refusals=(
    "not a host name|--host regist/example $unstamped|not a host name"
    "a host with a blank|--host 'a b' $unstamped|not a host name"
    "a name too long for its slot|--host h.example --company $long_name $unstamped|too long"
    "a name far too long|--host h.example --copyright $long_name$long_name $unstamped|too long"
    "not this program|--host h.example $scratch/text.exe|is not regcomplete.exe"
    "the check tool is not the program|--host h.example $build/bin/regcomplete-check.exe|is not regcomplete.exe"
    "another release|--host h.example $scratch/other-release.exe|not a release build of regcomplete"
    "a signed program|--host h.example $scratch/signed.exe|is signed"
    "cut short after its version resource|--host h.example $scratch/cut.exe|damaged, or not a release program"
    "a flipped code byte|--host h.example $scratch/flipped.exe|damaged, or not a release program"
    "1 MiB appended|--host h.example $scratch/grown.exe|damaged, or not a release program"
    "4 MiB and 1 byte: more than the tool reads|--host h.example $scratch/huge.exe|damaged, or not a release program"
)
for tool in host_stamp wine_stamp; do
    for row in "${refusals[@]}"; do
        IFS='|' read -r why args wanted <<<"$row"
        rm -f "$scratch/refused.exe"
        eval "set -- $args"
        message=$("$tool" --stamp "$@" "$scratch/refused.exe" 2>&1)
        rc=$?
        [ $rc -eq 1 ] || fail "$tool: $why: exit code $rc, not 1"
        grep -q -- "$wanted" <<<"$message" || fail "$tool: $why: message '$message' lacks '$wanted'"
        [ ! -e "$scratch/refused.exe" ] || fail "$tool: $why: an output file was left"
    done
    # --show of a signed program names the release it was signed from; of the check tool, no program.
    shown=$("$tool" --show "$scratch/signed.exe" 2>&1 | tr -d '\r')
    for line in "host: (none: not stamped)" "signed: yes" "stamps with this tool: no" "release: $release_sha256"; do
        grep -qxF "$line" <<<"$shown" || fail "$tool: --show of the signed program lacks '$line': $shown"
    done
    shown=$("$tool" --show "$build/bin/regcomplete-check.exe" 2>&1)
    rc=$?
    [ $rc -eq 1 ] && grep -q "is not regcomplete.exe" <<<"$shown" ||
        fail "$tool: --show of the check tool: exit code $rc, '$shown'"
    cp "$unstamped" "$scratch/same.exe"
    "$tool" --stamp --host h.example "$scratch/same.exe" "$scratch/same.exe" >/dev/null 2>&1
    [ $? -eq 1 ] || fail "$tool: the output is the input, yet not refused"
    cmp -s "$scratch/same.exe" "$unstamped" || fail "$tool: the input was changed in place"
done

# Stamp first, then sign: the signed stamped program verifies.
osslsigncode sign -certs "$scratch/cert.pem" -key "$scratch/key.pem" \
    -in "$scratch/host_stamp-vendor.exe" -out "$scratch/vendor-signed.exe" >/dev/null 2>&1 &&
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/vendor-signed.exe" >/dev/null 2>&1 ||
    fail "the stamped program, signed, does not verify"

# The vendor's Windows steps of docs/vendor.md, as written, in the unstamped release's folder: the
# first ```bat block line by line with Wine's cmd, the second (the signature) with Debian's osslsigncode.
version=$(sed -n 's/^project(regcomplete VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
release=regcomplete-$version-win32-unstamped
(cd "$build/unstamped" && cpack >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
mkdir -p "$scratch/vendor"
(cd "$scratch/vendor" && cmake -E tar xf "$build/unstamped/$release.zip") || fail "cannot unzip $release.zip"
folder=$scratch/vendor/$release
bat_block() {  # bat_block N: the Nth ```bat block of the Windows section
    awk -v wanted="$1" '/^## / { inside = ($0 ~ /^## On Windows, from the release$/) }
        inside && /^```/ { if (block) { block = 0; next } if ($0 == "```bat") { block = 1; n++; next } }
        inside && block && n == wanted' "$top/docs/vendor.md"
}
# Each line as typed at the Command Prompt, which takes it as Unicode (a batch file would be read
# in the console's code page, where "©" has no place).
runraw=$(windows_path "$build/tests/bin/runraw.exe")
shown=$(bat_block 1 | while IFS= read -r line; do
    printf 'cmd.exe /c %s' "$line" >"$scratch/line.txt"
    (cd "$folder" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 RUNRAW_UTF8=1 \
        wine "$runraw" "$(windows_path "$scratch/line.txt")" 2>&1 | tr -d '\r')
done)
cmp -s "$folder/stamped/regcomplete.exe" "$build/named/bin/regcomplete.exe" ||
    fail "the Windows steps did not stamp the vendor's program: $shown"
grep -qx "host: $vendor_host" <<<"$shown" || fail "the Windows steps' --show did not name the host"
(cd "$folder" && sha256sum -c --strict --quiet regcomplete.exe.sha256) ||
    fail "the zip's regcomplete.exe.sha256 does not match its regcomplete.exe"
grep -qxF "release: $(cut -d' ' -f1 "$folder/regcomplete.exe.sha256")" <<<"$shown" ||
    fail "the Windows steps' --show did not name the release of the zip's regcomplete.exe.sha256"
openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" -out "$folder/vendor.pfx" \
    -passout pass:regcomplete-test && echo regcomplete-test >"$folder/password.txt"
(cd "$folder" && eval "$(bat_block 2 | tr '\\' /)") >"$scratch/sign.log" 2>&1 &&
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$folder/regcomplete.exe.signed" >/dev/null 2>&1 ||
    { cat "$scratch/sign.log"; fail "the Windows steps' signature does not verify"; }

echo "$failures failed"
[ $failures -eq 0 ]
