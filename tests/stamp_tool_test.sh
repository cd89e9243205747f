#!/usr/bin/env bash
# The host half of the stamp's test, without a cross build: the host check tool stamps the small
# releases of tests/release_image.h (written by WRITER) and reads them back, as stamp_test.sh does
# with real ones under Wine too:
#   - the stamp gives the bytes of the build with the same host and names;
#   - --show reads them back and names the unstamped release by its SHA-256, signed or not;
#   - each refusal exits 1 with its message and leaves no output file.
# usage: stamp_tool_test.sh CHECK_TOOL WRITER
set -u
tool=$1 writer=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
"$writer" . || { echo "FAIL: the writer wrote no releases"; exit 1; }

company=例示株式会社
copyright="© 2026 例示株式会社"
"$tool" --stamp --host regist.vendor-example.jp --company "$company" --copyright "$copyright" \
    unstamped.exe stamped.exe >/dev/null || fail "stamping the unstamped release failed"
cmp -s stamped.exe named.exe || fail "stamped, not the bytes of the build with the same host and names"
release="release: $(sha256sum unstamped.exe | cut -d' ' -f1)"
expected="host: regist.vendor-example.jp
company: $company
copyright: $copyright
signed: no
stamps with this tool: yes
$release"
shown=$("$tool" --show stamped.exe | tail -n 6)
[ "$shown" = "$expected" ] || { fail "--show of the stamped release"; diff <(echo "$expected") <(echo "$shown"); }
shown=$("$tool" --show signed.exe)
for line in "host: (none: not stamped)" "signed: yes" "stamps with this tool: no" "$release"; do
    grep -qxF "$line" <<<"$shown" || fail "--show of the signed release lacks '$line'"
done

printf 'not a program\n' >text.exe
head -c -1 unstamped.exe >cut.exe
{ cat unstamped.exe; printf '\0'; } >grown.exe
{ cat unstamped.exe; head -c $((4 * 1024 * 1024 + 1 - $(stat -c %s unstamped.exe))) /dev/zero; } >huge.exe
name127=$(printf '名%.0s' {1..127})
refusals=(
    "cut short by a byte|cut.exe|damaged, or not a release program"
    "a byte appended|grown.exe|damaged, or not a release program"
    "4 MiB and 1 byte: more than the tool reads|huge.exe|damaged, or not a release program"
    "signed|signed.exe|is signed"
    "not a program|text.exe|is not regcomplete.exe"
    "the check tool itself|$tool|is not regcomplete.exe"
    "a name of 128 characters|--company ${name127}名 unstamped.exe|hold at most 127 characters each"
)
for row in "${refusals[@]}"; do
    IFS='|' read -r why args wanted <<<"$row"
    # shellcheck disable=SC2086  # the row's words are the arguments
    message=$("$tool" --stamp --host h.example $args refused.exe 2>&1)
    rc=$?
    [ $rc -eq 1 ] || fail "$why: exit code $rc, not 1"
    grep -qF -- "$wanted" <<<"$message" || fail "$why: message '$message' lacks '$wanted'"
    [ ! -e refused.exe ] || { fail "$why: an output file was left"; rm -f refused.exe; }
done
# A re-stamp keeps each name not given again, and says so; a name given empty clears it.
said=$("$tool" --stamp --host regist.other.jp stamped.exe restamped.exe)
for line in "company: $company" 'kept: company, not given again (--company "" clears it)' \
    "copyright: $copyright" 'kept: copyright, not given again (--copyright "" clears it)'; do
    grep -qxF -- "$line" <<<"$said" || fail "a re-stamp with --host alone does not say '$line'"
done
! grep -q '^replaced company' <<<"$said" || fail "a kept company is said to be replaced"
said=$("$tool" --stamp --host regist.other.jp stamped.exe restamped.exe)
grep -qxF "replaced restamped.exe" <<<"$said" || fail "stamping over an existing copy: '$said'"
cp unstamped.exe self.exe
said=$("$tool" --stamp --host h.example self.exe self.exe 2>&1)
[ $? -eq 1 ] && grep -qF "is the program itself" <<<"$said" && cmp -s self.exe unstamped.exe ||
    fail "the program as its own OUT: '$said'"
"$tool" --show restamped.exe | grep -qxF "copyright: $copyright" ||
    fail "a re-stamp with --host alone lost the copyright"
said=$("$tool" --stamp --host regist.other.jp --company "" stamped.exe cleared.exe)
shown=$("$tool" --show cleared.exe)
grep -qxF "company: (none)" <<<"$shown" && grep -qxF "copyright: $copyright" <<<"$shown" &&
    ! grep -q "^kept: company" <<<"$said" || fail "--company \"\" did not clear the company alone"

# Only a name the program has is kept: one with a company alone keeps no copyright.
"$tool" --stamp --host h.example --company "$company" unstamped.exe company-only.exe >/dev/null
said=$("$tool" --stamp --host regist.other.jp company-only.exe company-kept.exe)
grep -qxF 'kept: company, not given again (--company "" clears it)' <<<"$said" &&
    ! grep -q '^kept: copyright' <<<"$said" || fail "a program without a copyright keeps one: '$said'"

# What cannot be written is left as it was, with what to do: each row the OUT, how it is made,
# the exit code and what the message must say. A file without write permission counts as
# read-only for root too.
cp unstamped.exe read-only.exe && chmod 444 read-only.exe
writes=(
    "a read-only OUT|read-only.exe|2|read-only.exe is read-only (Permission denied); nothing written: give another OUT, or make it writable: chmod u+w \"read-only.exe\""
    "a folder that does not exist|missing/sub/out.exe|2|its folder missing/sub does not exist; nothing written: make it first: mkdir -p \"missing/sub\""
)
for row in "${writes[@]}"; do
    IFS='|' read -r why out wanted_rc wanted <<<"$row"
    said=$("$tool" --stamp --host h.example unstamped.exe "$out" 2>&1)
    rc=$?
    [ $rc -eq "$wanted_rc" ] || fail "$why: exit code $rc, not $wanted_rc"
    grep -qF -- "$wanted" <<<"$said" || fail "$why: message '$said' lacks '$wanted'"
done
cmp -s read-only.exe unstamped.exe || fail "the read-only OUT was changed"
[ ! -e missing ] || fail "a folder was made for the OUT"
# A host given with more than the name: the message gives back the host meant.
for row in "https://regist.sample-soft.co.jp/|give the host alone: regist.sample-soft.co.jp" \
    "regist.sample-soft.co.jp:0|give the host alone: regist.sample-soft.co.jp, or with a port"; do
    IFS='|' read -r given wanted <<<"$row"
    said=$("$tool" --stamp --host "$given" unstamped.exe meant.exe 2>&1)
    [ $? -eq 1 ] && grep -qF -- "$wanted" <<<"$said" || fail "--host $given: '$said' lacks '$wanted'"
done

"$tool" --stamp --host h.example --company "$name127" unstamped.exe full.exe >/dev/null &&
    "$tool" --show full.exe | grep -qxF "company: $name127" ||
    fail "a name of exactly 127 units is not stamped whole"
message=$("$tool" --show "$tool" 2>&1)
[ $? -eq 1 ] && grep -qF "is not regcomplete.exe" <<<"$message" ||
    fail "--show of the check tool itself: '$message'"

# The check mode against the unstamped release: it cannot register, so nothing is checked.
message=$("$tool" --program unstamped.exe -- /Pabc 2>&1)
[ $? -eq 1 ] && grep -qF "has no registration host, so it cannot register: stamp it first" <<<"$message" &&
    ! grep -q '^url_ssl' <<<"$message" || fail "--program of the unstamped release: '$message'"

echo "$failures failed"
[ $failures -eq 0 ]
