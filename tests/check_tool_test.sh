#!/usr/bin/env bash
# Runs the check tool as an installer author would and compares its whole output.
# usage: check_tool_test.sh CHECK_TOOL HOST [RUNRAW_EXE]
# With RUNRAW_EXE the tool is the Windows build, run under Wine with code page 932 by that fixture:
# its command line is the arguments joined by blanks, byte for byte, as an installer writes it.
set -u
tool=$1 host=$2 runraw=${3:-}
if [ -n "$runraw" ]; then
    . "$(dirname "$0")/e2e/wine_env.sh"
    wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }
fi
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

run_tool() {
    if [ -z "$runraw" ]; then
        "$tool" "$@"
        return
    fi
    local IFS=' '
    printf '%s %s' "$(windows_path "$tool")" "$*" >"$scratch/command_line"
    wine "$runraw" "$(windows_path "$scratch/command_line")"
}

check() {  # check WHY EXPECTED_OUTPUT ARGS...
    local why=$1 expected=$2
    shift 2
    local actual
    actual=$(run_tool "$@" 2>/dev/null | tr -d '\r')
    if [ "$actual" != "$expected" ]; then
        echo "FAIL: $why"
        diff <(echo "$expected") <(echo "$actual") | head -20
        failures=$((failures + 1))
    fi
}

base="$host/entry/regist.php"
query='?productid=abc&username=xyz&organization=qrs'
check "three details" "mask: 0x1C
productid: abc
username: xyz
organization: qrs
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base$query
url_plain: http://$base$query" -- '/Pabc /Uxyz /Oqrs'

# 山田 ﾔﾏﾀﾞ in Shift_JIS, a quoted value with a blank, and an owner beyond 32 bits.
sjis_name=$(printf '"\x8e\x52\x93\x63 \xd4\xcf\xc0\xde"')
check "Japanese details and every option" "mask: 0xFF
productid: P-1
username: $(printf '\x8e\x52\x93\x63 \xd4\xcf\xc0\xde')
organization: A&B
serialno: 12 34
readme: c:/doc/readme.txt
owner_class: #32770
owner_title: Setup
owner_window: 1
url_ssl: https://$base?productid=P-1&username=%8E%52%93%63%20%25%64%25%5E%25%3F%21%2B&organization=A%26B&serialno=12%2034
url_plain: http://$base?productid=P-1&username=%8E%52%93%63%20%25%64%25%5E%25%3F%21%2B&organization=A%26B&serialno=12%2034" \
    -- "/PP-1 /U$sjis_name /OA&B /S\"12 34\" /Rc:/doc/readme.txt /C#32770 /TSetup /W4294967297"

# Under 932 these two bytes are one kanji; under 1252 they are two single bytes, the second an ASCII R.
check "code page 1252 has no double-byte characters" "mask: 0x04
productid: (null)
username: $(printf 'Ren\x8e\x52')
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=Ren%8ER
url_plain: http://$base?username=Ren%8ER" --codepage 1252 -- "$(printf '/URen\x8e\x52')"

check "reported lead ranges for another double-byte code page" "mask: 0x04
productid: (null)
username: $(printf '\xa5 x')
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=%A5%20x
url_plain: http://$base?username=%A5%20x" --codepage 20932 --lead-ranges A1-FE -- "$(printf '/U\xa5 x')"

check "empty tail" "mask: 0x00
productid: (null)
username: (null)
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base
url_plain: http://$base" -- ""

for bad in "--codepage" "--codepage x --" "--lead-ranges 9F-81 --" "/Pabc" "--bogus --"; do
    # shellcheck disable=SC2086
    run_tool $bad x >/dev/null 2>&1
    rc=$?
    if [ $rc -ne 2 ]; then
        echo "FAIL: bad usage '$bad' gave exit code $rc, not 2"
        failures=$((failures + 1))
    fi
done

echo "$failures failed"
[ $failures -eq 0 ]
