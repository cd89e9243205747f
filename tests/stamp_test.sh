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
#   - a stamped program signed with osslsigncode verifies;
#   - the host tool's writes never lose a file, and what it prints;
#   - then, with Wine: the Windows tool's names for one file, its console, its output redirected
#     there (the console's code page, --print-utf8), and the vendor's
#     Windows steps of docs/vendor.md.
# Leaves BUILD_DIR/unstamped/bin/regcomplete.exe and BUILD_DIR/stamped/regcomplete.exe (the
# vendor's host and names stamped) for the dialog cases that run them (e2e/release_test.sh).
# usage: stamp_test.sh SOURCE_DIR BUILD_DIR HOST [host]   (REGCOMPLETE_WIN_BUILD = BUILD_DIR)
# With "host" (the host build's CTest, as root, with mingw-w64) only the host tool's half runs,
# in BUILD_DIR, without Wine.
set -u
top=$1 build=$2 host=$3 mode=${4:-wine}
[ "$mode" = host ] || . "$(dirname "$0")/e2e/wine_env.sh"
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
# The build with the test host and no names: the Windows build itself, or built here.
test_host_program=$build/bin/regcomplete.exe
if [ "$mode" = host ]; then
    build_program test-host -DREGCOMPLETE_HOST="$host" -DREGCOMPLETE_COMPANY_NAME= \
        -DREGCOMPLETE_COPYRIGHT=
    test_host_program=$build/test-host/bin/regcomplete.exe
fi
cmake -S "$top" -B "$build/host-tool" -DBUILD_TESTING=OFF >"$scratch/cmake.log" 2>&1 &&
    cmake --build "$build/host-tool" -j2 --target regcomplete-check >>"$scratch/cmake.log" 2>&1 ||
    { cat "$scratch/cmake.log"; fail "could not build the host check tool"; exit 1; }
host_tool=$build/host-tool/bin/regcomplete-check
mkdir -p "$build/stamped"

tools=(host_stamp)
if [ "$mode" != host ]; then
    wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }
    win_tool=$(windows_path "$build/bin/regcomplete-check.exe")
    runraw=$(windows_path "$build/tests/bin/runraw.exe")
    tools+=(wine_stamp)
fi
# Both tools, each taking Unix paths; the Windows one gets the names in the Unicode command line.
host_stamp() { "$host_tool" "$@"; }
wine_stamp() {
    local args=() a
    for a in "$@"; do
        case $a in /*) args+=("$(windows_path "$(dirname "$a")")\\$(basename "$a")") ;; *) args+=("$a") ;; esac
    done
    # What a script reads: UTF-8 (a pipe gets the console's code page otherwise).
    case ${args[0]} in
        --stamp | --show) args=("${args[0]}" --print-utf8 "${args[@]:1}") ;;
        *) args=(--print-utf8 "${args[@]}") ;;
    esac
    wine "$win_tool" "${args[@]}"
}

for tool in "${tools[@]}"; do
    out=$scratch/$tool-test-host.exe
    "$tool" --stamp --host "$host" "$unstamped" "$out" >/dev/null 2>&1 ||
        fail "$tool: stamping with $host failed"
    cmp -s "$out" "$test_host_program" ||
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
    # A re-stamp with the host alone keeps the names, and says so.
    said=$("$tool" --stamp --host "$host" "$out" "$scratch/$tool-restamped.exe" 2>&1 | tr -d '\r')
    grep -qxF 'kept: company, not given again (--company "" clears it)' <<<"$said" &&
        "$tool" --show "$scratch/$tool-restamped.exe" 2>&1 | tr -d '\r' | grep -qxF "copyright: $copyright" ||
        fail "$tool: a re-stamp with the host alone did not keep the names: $said"
done
cp "$scratch/host_stamp-vendor.exe" "$build/stamped/regcomplete.exe"

# Refusals: each with its message, none leaving an output file.
printf 'not a program\n' >"$scratch/text.exe"
# Damaged releases, each a way a copy can break: cut short after its version resource, a flipped
# code byte, 1 MiB appended, and more than the tool reads.
version_end=$(python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
start = data.find("VS_VERSION_INFO".encode("utf-16-le")) - 6  # the block starts with its length
print(start + int.from_bytes(data[start:start + 2], "little"))' "$unstamped")
head -c "$version_end" "$unstamped" >"$scratch/cut.exe"
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
    "an address for a host|--host https://regist.example/ $unstamped|give the host alone: regist.example;"
    "a host with a blank|--host 'a b' $unstamped|holds a character no host name holds"
    "a label too long|--host $(printf 'a%.0s' {1..64}).jp $unstamped|more than 63 characters"
    "a Japanese host|--host 例え.jp $unstamped|give its ASCII form, xn--"
    "port 0|--host h.example:0 $unstamped|no number from 1 to 65535"
    "an empty host|--host '' $unstamped|is no host"
    "an IPv6 literal|--host '[2001:db8::1]' $unstamped|IPv6 address, which is not supported"
    "a name too long for its slot|--host h.example --company $long_name $unstamped|too long"
    "a name far too long|--host h.example --copyright $long_name$long_name $unstamped|too long"
    "not this program|--host h.example $scratch/text.exe|is not regcomplete.exe"
    "the check tool is not the program|--host h.example $build/unstamped/bin/regcomplete-check.exe|is not regcomplete.exe"
    "another release|--host h.example $scratch/other-release.exe|not a release build of regcomplete"
    "a signed program|--host h.example $scratch/signed.exe|is signed"
    "cut short after its version resource|--host h.example $scratch/cut.exe|damaged, or not a release program"
    "a flipped code byte|--host h.example $scratch/flipped.exe|damaged, or not a release program"
    "1 MiB appended|--host h.example $scratch/grown.exe|damaged, or not a release program"
    "4 MiB and 1 byte: more than the tool reads|--host h.example $scratch/huge.exe|damaged, or not a release program"
)
for tool in "${tools[@]}"; do
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
    shown=$("$tool" --show "$build/unstamped/bin/regcomplete-check.exe" 2>&1)
    rc=$?
    [ $rc -eq 1 ] && grep -q "is not regcomplete.exe" <<<"$shown" ||
        fail "$tool: --show of the check tool: exit code $rc, '$shown'"
    cp "$unstamped" "$scratch/same.exe"
    "$tool" --stamp --host h.example "$scratch/same.exe" "$scratch/same.exe" >/dev/null 2>&1
    [ $? -eq 1 ] || fail "$tool: the output is the input, yet not refused"
    cmp -s "$scratch/same.exe" "$unstamped" || fail "$tool: the input was changed in place"
done

# Writes that cannot lose a file, with the host tool: OUT gets the stamped copy whole or stays as it
# was. Each row: OUT, how it is made, the program, the exit code, what stderr or stdout must say,
# and what must hold afterwards. $good is an earlier good stamp; $named the vendor's build.
good=$scratch/host_stamp-test-host.exe named=$build/named/bin/regcomplete.exe
w=$scratch/writes full=$scratch/full
mkdir -p "$w" "$full"
mount -t tmpfs -o size=64k regcomplete-full "$full" || fail "cannot mount a small tmpfs (needs root)"
trap 'umount "$full" 2>/dev/null; rm -rf "$scratch"' EXIT
writes=(
    "a new file|$w/new.exe|:|$unstamped|0|stamped: $w/new.exe|cmp -s $w/new.exe $named"
    "an existing copy is replaced, keeps its mode, and the output says so|$w/old.exe|cp $good $w/old.exe; chmod 750 $w/old.exe|$unstamped|0|replaced $w/old.exe|cmp -s $w/old.exe $named && [ \"\$(stat -c %a $w/old.exe)\" = 750 ]"
    "a re-stamp names what it replaced|$w/re.exe|:|$good|0|replaced host: $host|cmp -s $w/re.exe $named"
    "a symbolic link is refused; link and target stay|$w/link.exe|cp $good $w/target.exe; ln -s target.exe $w/link.exe|$unstamped|1|is a symbolic link|[ -L $w/link.exe ] && cmp -s $w/target.exe $good"
    "a device is refused and stays|$w/null|mknod $w/null c 1 3|$unstamped|1|is a device|[ -c $w/null ]"
    "a FIFO is refused without blocking|$w/fifo|mkfifo $w/fifo|$unstamped|1|is a FIFO|[ -p $w/fifo ]"
    "a folder is refused and stays empty|$w/folder|mkdir $w/folder|$unstamped|1|is a folder|[ -d $w/folder ] && [ -z \"\$(ls -A $w/folder)\" ]"
    "a FIFO as the program is refused unread|$w/from-fifo.exe|mkfifo $w/in-fifo|$w/in-fifo|1|is a FIFO (a named pipe), not a program file|[ ! -e $w/from-fifo.exe ]"
    "a device as the program is refused unread|$w/from-null.exe|mknod $w/in-null c 1 3|$w/in-null|1|is a device, not a program file|[ ! -e $w/from-null.exe ]"
    "a hard link of the program|$w/hard.exe|cp $unstamped $w/in.exe; ln $w/in.exe $w/hard.exe|$w/in.exe|1|is the program itself|cmp -s $w/in.exe $unstamped"
    "the program through a link to its folder|$w/via/in.exe|ln -s . $w/via|$w/in.exe|1|is the program itself|cmp -s $w/in.exe $unstamped"
    "a full disk keeps the earlier copy|$full/out.exe|cp $good $full/out.exe; dd if=/dev/zero of=$full/filler bs=1k 2>/dev/null; [ -s $full/filler ]|$unstamped|2|cannot write $full/out.exe: No space left on device|cmp -s $full/out.exe $good"
)
for row in "${writes[@]}"; do
    IFS='|' read -r why out setup input wanted_rc wanted after <<<"$row"
    eval "$setup" || fail "writes: $why: could not set up"
    said=$("$host_tool" --stamp --host $vendor_host --company "$company" --copyright "$copyright" \
        "$input" "$out" 2>&1)
    rc=$?
    [ "$rc" = "$wanted_rc" ] || fail "writes: $why: exit code $rc, not $wanted_rc: $said"
    grep -qF -- "$wanted" <<<"$said" || fail "writes: $why: '$said' lacks '$wanted'"
    eval "$after" || fail "writes: $why: the files are not as they must be"
    leftover=$(ls -A "$(dirname "$out")" | grep '^\.regcomplete-check\.')
    [ -z "$leftover" ] || fail "writes: $why: left its temporary file $leftover"
done
# Killed while it writes (the file-size limit sends SIGXFSZ past 16 KiB): the earlier copy is whole.
cp "$good" "$w/killed.exe"
bash -c 'ulimit -f 16 && "$@"' - "$host_tool" --stamp --host $vendor_host "$unstamped" \
    "$w/killed.exe" >/dev/null 2>&1
rc=$?
[ $rc -gt 128 ] || fail "writes: the write under a 16 KiB limit was not killed (exit code $rc)"
cmp -s "$w/killed.exe" "$good" || fail "writes: a killed write damaged the earlier copy"
umount "$full"

# Names that are no Unicode text: bytes that are no UTF-8 (an overlong NUL, a surrogate's bytes).
for bad in $'\xC0\x80' $'\xED\xA0\x80' $'\xFF'; do
    said=$("$host_tool" --stamp --host h.example --copyright "a${bad}b" "$unstamped" "$w/bad.exe" 2>&1)
    [ $? -eq 1 ] && grep -q -- '--copyright is not Unicode text' <<<"$said" && [ ! -e "$w/bad.exe" ] ||
        fail "host tool: the name $(printf '%q' "$bad") was not refused as no text: $said"
done
# A file's bytes are shown escaped: a host slot that clears the screen.
perl -pe 's/regist(\.example\.com\0)/\x1b[2Jxx$1/' "$good" >"$w/crafted.exe"
for tool in "${tools[@]}"; do
    said=$("$tool" --show "$w/crafted.exe" 2>&1 | tr -d '\r')
    grep -qxF 'host: \x1B[2Jxx.example.com' <<<"$said" || fail "$tool: --show of a crafted host: $said"
done
# The check mode takes the host a program registers at with --program: the stamped copy's; the
# unstamped one, which cannot register, and a file that is no regcomplete.exe are refused.
: >"$scratch/empty-tail"
for tool in "${tools[@]}"; do
    said=$("$tool" --program "$scratch/host_stamp-vendor.exe" --tail-file "$scratch/empty-tail" 2>&1 | tr -d '\r')
    grep -qx "url_ssl: https://$vendor_host/entry/regist.php" <<<"$said" ||
        fail "$tool: --program of the vendor's program: $said"
    "$tool" --program "$unstamped" --tail-file "$scratch/empty-tail" >"$scratch/said" 2>&1
    rc=$?
    said=$(tr -d '\r' <"$scratch/said")
    [ $rc -eq 1 ] && grep -q "has no registration host, so it cannot register: stamp it first" <<<"$said" &&
        ! grep -q '^url_ssl' <<<"$said" || fail "$tool: --program of the unstamped program: $said"
    "$tool" --program "$scratch/text.exe" --tail-file "$scratch/empty-tail" >/dev/null 2>&1
    [ $? -eq 1 ] || fail "$tool: --program of a text file was not refused"
done
# A tool without a host of its own (as the zip's is), given neither --program nor --host: a clean
# tail, yet nothing is sent anywhere.
said=$(host_stamp --tail-file "$scratch/empty-tail" 2>&1)
[ $? -eq 1 ] && grep -qx "note: no registration host, so nothing is sent: .*--program.*--host" <<<"$said" ||
    fail "the check against no host: $said"

# Stamp first, then sign: the signed stamped program verifies.
osslsigncode sign -certs "$scratch/cert.pem" -key "$scratch/key.pem" \
    -in "$scratch/host_stamp-vendor.exe" -out "$scratch/vendor-signed.exe" >/dev/null 2>&1 &&
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$scratch/vendor-signed.exe" >/dev/null 2>&1 ||
    fail "the stamped program, signed, does not verify"

# The rest needs Wine.
if [ "$mode" = host ]; then
    echo "$failures failed"
    [ $failures -eq 0 ]
    exit
fi

# The Windows tool's own names for one file: \\?\, \\.\, another case, the short name and a hard
# link are the program itself; NUL is a device; an existing copy is replaced.
ww=$scratch/wine-writes
mkdir -p "$ww"
cp "$unstamped" "$ww/in-program.exe"
ln "$ww/in-program.exe" "$ww/hard.exe"
cp "$good" "$ww/old.exe"
in_path=$(windows_path "$ww/in-program.exe")
short_name=$(cd "$ww" && wine cmd /c 'dir /x in-program.exe' 2>/dev/null | tr -d '\r' |
    awk '$NF == "in-program.exe" { print $(NF - 1) }')
[ -n "$short_name" ] || fail "wine names: dir /x gives no short name of in-program.exe"
wine_names=(
    "the \\\\?\\ form of the program|\\\\?\\$in_path|1|is the program itself"
    "the \\\\.\\ form of the program|\\\\.\\$in_path|1|is the program itself"
    "the program's name in capitals|${in_path%in-program.exe}IN-PROGRAM.EXE|1|is the program itself"
    "the program's short name|${in_path%in-program.exe}$short_name|1|is the program itself"
    "a hard link of the program|$(windows_path "$ww/hard.exe")|1|is the program itself"
    "the NUL device|NUL|1|is a device"
    "an existing copy|$(windows_path "$ww/old.exe")|0|replaced $(windows_path "$ww/old.exe")"
    "a read-only copy is left as it was|$(windows_path "$ww/read-only.exe")|2|; nothing written: give another OUT, or make it writable: attrib -r \"$(windows_path "$ww/read-only.exe")\""
    "a folder that does not exist|$(windows_path "$ww")\\missing\\out.exe|2|its folder $(windows_path "$ww")\\missing does not exist; nothing written: make it first: mkdir \"$(windows_path "$ww")\\missing\""
)
# Wine shows a file without write permission as read-only.
cp "$good" "$ww/read-only.exe" && chmod a-w "$ww/read-only.exe"
for row in "${wine_names[@]}"; do
    IFS='|' read -r why out wanted_rc wanted <<<"$row"
    wine "$win_tool" --stamp --print-utf8 --host $vendor_host "$in_path" "$out" >"$ww/said" 2>&1
    rc=$?
    said=$(tr -d '\r' <"$ww/said")
    [ "$rc" = "$wanted_rc" ] || fail "wine names: $why: exit code $rc, not $wanted_rc: $said"
    grep -qF -- "$wanted" <<<"$said" || fail "wine names: $why: '$said' lacks '$wanted'"
    cmp -s "$ww/in-program.exe" "$unstamped" || fail "wine names: $why: the program was changed"
done

cmp -s "$ww/read-only.exe" "$good" || fail "wine names: the read-only copy was changed"
[ ! -e "$ww/missing" ] || fail "wine names: a folder was made for the OUT"

# An unpaired surrogate in the Windows tool's Unicode command line is no text either.
printf '%s --stamp --host h.example --company "a' "$win_tool" | iconv -f UTF-8 -t UTF-16LE >"$ww/line"
{ cat "$ww/line"; printf '\x00\xd8'; printf 'b" %s %s' "$in_path" "$(windows_path "$ww")\\bad.exe" |
    iconv -f UTF-8 -t UTF-16LE; } >"$ww/surrogate-line"
said=$(RUNRAW_UTF16=1 wine "$runraw" "$(windows_path "$ww/surrogate-line")" 2>&1 | tr -d '\r')
grep -q -- '--company is not Unicode text' <<<"$said" && [ ! -e "$ww/bad.exe" ] ||
    fail "wine: an unpaired surrogate in --company was not refused: $said"

# At Wine's console (a pseudo-terminal, code page 932) the names read right and no control
# sequence of a file reaches it; the check mode's details too: a UTF-8 tail read with --utf8, and
# bytes of code page 1252, which the console's code page 932 would read as other characters: "été".
vendor_exe=$(windows_path "$scratch/host_stamp-vendor.exe")
printf '/U"山田 太郎"\n' >"$w/tail.txt"
printf '/U\xe9t\xe9' >"$w/tail-1252.txt"
quoted_tool=$(printf '%q' "$win_tool")
script -qec "wine $quoted_tool --show $(printf '%q' "$vendor_exe"); wine $quoted_tool --show $(printf '%q' "$(windows_path "$w/crafted.exe")"); wine $quoted_tool --utf8 --tail-file $(printf '%q' "$(windows_path "$w/tail.txt")"); wine $quoted_tool --codepage 1252 --tail-file $(printf '%q' "$(windows_path "$w/tail-1252.txt")")" \
    /dev/null >"$scratch/console.txt" 2>&1 </dev/null
grep -qF "$company" "$scratch/console.txt" || fail "the console does not show '$company': $(cat -v "$scratch/console.txt")"
grep -qF "$copyright" "$scratch/console.txt" || fail "the console does not show '$copyright'"
grep -qF "山田 太郎" "$scratch/console.txt" || fail "the console does not show the check mode's '山田 太郎'"
grep -qF "été" "$scratch/console.txt" || fail "the console does not show code page 1252's 'été'"
grep -qF '\x1B[2Jxx' "$scratch/console.txt" && ! grep -qF $'\x1b[2J' "$scratch/console.txt" ||
    fail "the crafted host reached the console unescaped: $(cat -v "$scratch/console.txt")"

# Redirected at Wine's console (code page 932), the output is in the console's code page, as
# Windows' own tools write it: into a file, through more, and under --print-utf8 UTF-8.
script -qec "cd $(printf '%q' "$w") && wine cmd /c $(printf '%q' "$win_tool --show $vendor_exe > shown-932.txt & $win_tool --show --print-utf8 $vendor_exe > shown-utf8.txt & $win_tool --show $vendor_exe | more & chcp 65001 > nul & $win_tool --show $vendor_exe > shown-65001.txt & chcp 1252 > nul & $win_tool --show $vendor_exe > shown-1252.txt")" \
    /dev/null >"$scratch/more.txt" 2>&1 </dev/null
grep -qF "company: $(printf '%s' "$company" | iconv -f UTF-8 -t CP932)" "$w/shown-932.txt" ||
    fail "redirected at the console, not code page 932: $(cat -v "$w/shown-932.txt")"
grep -qxF "company: $company" <(tr -d '\r' <"$w/shown-utf8.txt") ||
    fail "--print-utf8 redirected, not UTF-8: $(cat -v "$w/shown-utf8.txt")"
grep -qF "company: $company" "$scratch/more.txt" ||
    fail "through more, the company does not read right: $(cat -v "$scratch/more.txt")"
# The console's code page, whatever the system's: after chcp 65001 UTF-8; after chcp 1252, which
# holds no kanji, each as its escape, never '?'.
grep -qxF "company: $company" <(tr -d '\r' <"$w/shown-65001.txt") ||
    fail "redirected after chcp 65001, not UTF-8: $(cat -v "$w/shown-65001.txt")"
grep -qxF 'company: \u4F8B\u793A\u682A\u5F0F\u4F1A\u793E' <(tr -d '\r' <"$w/shown-1252.txt") ||
    fail "redirected after chcp 1252, not escaped: $(cat -v "$w/shown-1252.txt")"

# A path the code page cannot spell (é has no place in 932) is opened by its Unicode name.
printf '/Uabc' >"$ww/tail-é.txt"
said=$(wine "$win_tool" --host h.example --tail-file "$(windows_path "$ww/tail-é.txt")" 2>&1 | tr -d '\r')
grep -qx 'username: abc' <<<"$said" || fail "wine: a --tail-file named beyond the code page: $said"

# The vendor's Windows steps of docs/vendor.md, as written, in the unstamped release's folder: each
# ```bat block of its Windows section in turn, the Command Prompt's lines with Wine's cmd as typed,
# the others as the page says (osslsigncode, Debian's makensis).
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
# at_prompt N [FOLDER]: block N line by line as typed at the Command Prompt, which takes a line as
# Unicode.
at_prompt() {
    bat_block "$1" | while IFS= read -r line; do
        printf 'cmd.exe /s /c "%s"' "$line" >"$scratch/line.txt"
        (cd "${2:-$folder}" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 RUNRAW_UTF8=1 \
            wine "$runraw" "$(windows_path "$scratch/line.txt")" 2>&1 | iconv -f CP932 -t UTF-8 |
            tr -d '\r')
    done
}
# 2. Stamp and show.
shown=$(at_prompt 1)
cmp -s "$folder/stamped/regcomplete.exe" "$named" ||
    fail "the Windows steps did not stamp the vendor's program: $shown"
grep -qx "host: $vendor_host" <<<"$shown" || fail "the Windows steps' --show did not name the host"
grep -qx "company: $company" <<<"$shown" || fail "the Windows steps' --show did not name the company"
(cd "$folder" && sha256sum -c --strict --quiet regcomplete.exe.sha256) ||
    fail "the zip's regcomplete.exe.sha256 does not match its regcomplete.exe"
grep -qxF "release: $(cut -d' ' -f1 "$folder/regcomplete.exe.sha256")" <<<"$shown" ||
    fail "the Windows steps' --show did not name the release of the zip's regcomplete.exe.sha256"
# 3. Sign into signed\ with osslsigncode.
openssl pkcs12 -export -inkey "$scratch/key.pem" -in "$scratch/cert.pem" -out "$folder/vendor.pfx" \
    -passout pass:regcomplete-test && echo regcomplete-test >"$folder/password.txt"
(cd "$folder" && eval "$(bat_block 3 | tr '\\' /)") >"$scratch/sign.log" 2>&1 &&
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$folder/signed/regcomplete.exe" >/dev/null 2>&1 ||
    { cat "$scratch/sign.log"; fail "the Windows steps' signature does not verify"; }
# 4. The installers: makensis with Debian's, ISCC.exe as written from its installation folder.
nsis=$(bat_block 4 | sed 's|^"%ProgramFiles(x86)%\\NSIS\\makensis.exe"|makensis|; s| "/D| "-D|g' |
    sed "s|%CD%|$folder|g" | tr '\\' /)
(cd "$folder" && eval "$nsis") >"$scratch/nsis.log" 2>&1 && [ -s "$folder/sample-setup.exe" ] ||
    { tail -5 "$scratch/nsis.log"; fail "the Windows steps' makensis line made no installer"; }
inno_folder="$WINEPREFIX/drive_c/Program Files (x86)/Inno Setup 6"
[ -e "$inno_folder" ] || ln -s "$top/tools/innosetup/node_modules/innosetup/bin" "$inno_folder"
at_prompt 5 >"$scratch/inno.log"
[ -s "$folder/sample-inno-setup.exe" ] ||
    { tail -5 "$scratch/inno.log"; fail "the Windows steps' ISCC line made no installer"; }
# 5. The installer's command line against the signed program's host.
shown=$(at_prompt 6)
grep -q "^url_ssl: https://$vendor_host/entry/regist.php?productid=SAMPLE-2026&username=%8E%52%93%63%20%91%BE%98%59&" <<<"$shown" ||
    fail "the Windows steps' --program check: $shown"
# 6. A customer's installed copy, in the folder the sample installs to.
installed="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Sample Product"
mkdir -p "$installed" && cp "$folder/signed/regcomplete.exe" "$installed/"
shown=$(at_prompt 7)
grep -qx "host: $vendor_host" <<<"$shown" && grep -qx "signed: yes" <<<"$shown" ||
    fail "the Windows steps' --show of the installed copy: $shown"
rm -rf "$installed"
# A batch file in Shift_JIS stamps the names right.
mkdir -p "$scratch/batch/stamped"
cp "$folder/regcomplete.exe" "$folder/regcomplete-check.exe" "$scratch/batch/"
bat_block 2 | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$scratch/batch/stamp.bat" ||
    fail "the batch file's line does not fit code page 932"
(cd "$scratch/batch" && wine cmd /c stamp.bat >/dev/null 2>&1)
shown=$(wine "$win_tool" --show --print-utf8 "$(windows_path "$scratch/batch/stamped/regcomplete.exe")" 2>&1 | tr -d '\r')
grep -qx "company: $company" <<<"$shown" || fail "the Shift_JIS batch file stamped: $shown"

echo "$failures failed"
[ $failures -eq 0 ]
