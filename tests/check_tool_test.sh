#!/usr/bin/env bash
# Runs the check tool as an installer author would and compares its whole output.
# usage: check_tool_test.sh CHECK_TOOL HOST VERSION [RUNRAW_EXE]
# With RUNRAW_EXE the tool is the Windows build, run under Wine with code page 932 by that fixture:
# its command line is the arguments joined by blanks, byte for byte, as an installer writes it;
# only the tool's own options before "--" are quoted the way the C runtime reads them back. Under
# --utf8 the line is typed in UTF-8, as in a terminal, and reaches the tool as that text.
# Every case names the ".htm" command and the module path itself, so that the Windows build does
# not read the prefix's registry here (tests/e2e/htm_association_test.sh covers that).
set -u
tool=$1 host=$2 version=$3 runraw=${4:-}
if [ -n "$runraw" ]; then
    . "$(dirname "$0")/e2e/wine_env.sh"
    wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }
    # A new prefix names Wine's own browser as the default for web addresses; the cases below
    # say with --web-default where they want one.
    for scheme in http https; do
        wine reg delete 'HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\'"$scheme"'\UserChoice' /f >/dev/null 2>&1
    done
fi
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One argument as the C runtime splits it back out of a command line: quoted when it holds a
# blank or a quote, a quote escaped by a backslash, backslashes before a quote doubled.
crt_quote() {
    local LC_ALL=C arg=$1 out='"' slashes=0 c i
    case $arg in *[\ \	\"]* | "") ;; *) printf '%s' "$arg"; return ;; esac
    for ((i = 0; i < ${#arg}; i++)); do
        c=${arg:i:1}
        if [ "$c" = '\' ]; then slashes=$((slashes + 1)); continue; fi
        if [ "$c" = '"' ]; then slashes=$((slashes * 2 + 1)); fi
        out+=$(printf '%*s' "$slashes" '' | tr ' ' '\\')$c
        slashes=0
    done
    printf '%s' "$out$(printf '%*s' $((slashes * 2)) '' | tr ' ' '\\')\""
}

run_tool() {
    if [ -z "$runraw" ]; then
        "$tool" "$@"
        return
    fi
    local line
    line=$(windows_path "$tool")
    # The options as a Japanese Windows hands them to the tool: in code page 932.
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        line+=" $(crt_quote "$(printf '%s' "$1" | iconv -f UTF-8 -t CP932)")"
        shift
    done
    local IFS=' ' tail="${*:+ $*}"
    # Under --utf8 the tool reads the Unicode command line, which Wine decodes from these bytes.
    [[ " $line " != *" --utf8 "* ]] || tail=$(printf '%s' "$tail" | iconv -f UTF-8 -t CP932)
    printf '%s' "$line$tail" >"$scratch/command_line"
    wine "$runraw" "$(windows_path "$scratch/command_line")"
}

# A file's path as the tool under test takes it.
given_path() {
    if [ -n "$runraw" ]; then windows_path "$1"; else printf '%s' "$1"; fi
}

sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

# What a Japanese Windows writes to a pipe: code page 932, as the console's own tools do, and a
# character 932 cannot hold as \uNNNN (a pair of them beyond U+FFFF). The expected lines are
# written as the host tool prints them (UTF-8, and the details' own bytes): each line that is UTF-8
# is converted, the others are the details' bytes already.
in_output_code_page() {
    python3 -c '
import sys
def escaped(c):
    try:
        return c.encode("cp932")
    except UnicodeEncodeError:
        u = c.encode("utf-16-be")
        return b"".join(b"\\u%04X" % int.from_bytes(u[i:i + 2], "big") for i in range(0, len(u), 2))
for line in sys.stdin.buffer.read().split(b"\n"):
    try:
        text = line.decode("utf-8")
    except UnicodeDecodeError:
        sys.stdout.buffer.write(line + b"\n")
        continue
    sys.stdout.buffer.write(b"".join(escaped(c) for c in text) + b"\n")'
}

check() {  # check WHY EXPECTED_OUTPUT ARGS...
    local why=$1 expected=$2
    shift 2
    [ -z "$runraw" ] || expected=$(in_output_code_page <<<"$expected")
    local actual
    actual=$(run_tool "$@" 2>/dev/null | tr -d '\r')
    if [ "$actual" != "$expected" ]; then
        echo "FAIL: $why"
        diff <(echo "$expected") <(echo "$actual") | head -20
        failures=$((failures + 1))
    fi
}

# System32 as the host tool takes it, and as Wine names it.
system32='C:\Windows\system32'
[ -z "$runraw" ] || system32='C:\windows\system32'

check "the version and the registration host" "regcomplete-check $version (host $host)" --version

base="$host/entry/regist.php"
# What an empty tail gives, up to the launch lines.
nothing_read="productid: (null)
username: (null)
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base
url_plain: http://$base"
query='?productid=abc&username=xyz&organization=qrs'
browser='"C:\Program Files\Web\browser.exe"'
check "three details, a quoted placeholder and the readme beside the program" "mask: 0x1C
productid: abc
username: xyz
organization: qrs
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base$query
url_plain: http://$base$query
browser_ssl: $browser  https://$base$query
browser_plain: $browser  http://$base$query
readme_command: notepad.exe C:\Program Files\Vendor\readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --htm-command "$browser \"%1\"" --module-path 'C:\Program Files\Vendor\regcomplete.exe' \
    -- '/Pabc /Uxyz /Oqrs'

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
url_plain: http://$base?productid=P-1&username=%8E%52%93%63%20%25%64%25%5E%25%3F%21%2B&organization=A%26B&serialno=12%2034
browser_ssl: C:\web\browser.exe  https://$base?productid=P-1&username=%8E%52%93%63%20%25%64%25%5E%25%3F%21%2B&organization=A%26B&serialno=12%2034
browser_plain: C:\web\browser.exe  http://$base?productid=P-1&username=%8E%52%93%63%20%25%64%25%5E%25%3F%21%2B&organization=A%26B&serialno=12%2034
readme_command: notepad.exe c:/doc/readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --htm-command 'C:\web\browser.exe %1 -new-window' --module-path 'C:\app\regcomplete.exe' \
    -- "/PP-1 /U$sjis_name /OA&B /S\"12 34\" /Rc:/doc/readme.txt /C#32770 /TSetup /W4294967297"

# Under 932 these two bytes are one kanji; under 1252 they are two single bytes, the second an ASCII R.
# Likewise 95 5C, which is 表 under 932, ends in a real backslash under 1252.
# Paths and window names print as UTF-8 whatever the code page of the tail; with a default for
# web addresses the shell comes before the ".htm" command.
sjis_readme=$(printf '/R"C:\\\x83\x54\x83\x93\x83\x76\x83\x8b \x83\x5c\x83\x74\x83\x67\x95\x5c\\readme.txt" /T\x8e\x52')
check "a Shift_JIS readme path and title, and a web default" "mask: 0x81
productid: (null)
username: (null)
organization: (null)
serialno: (null)
readme: C:\\サンプル ソフト表\\readme.txt
owner_class: (null)
owner_title: 山
owner_window: 0
url_ssl: https://$base
url_plain: http://$base
browser_ssl: b.exe  https://$base
browser_plain: b.exe  http://$base
readme_command: notepad.exe C:\\サンプル ソフト表\\readme.txt
readme_program: $system32\\notepad.exe
browser_type: shell, then (--htm-command)
browser_type_plain: shell, then (--htm-command)
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --web-default yes --htm-command 'b.exe "%1"' -- "$sjis_readme"

# Written in code page 932, the details of another code page are text: 1252's 0x8E is Ž, which
# code page 932 lacks.
ren_1252=$(printf 'Ren\x8e\x52')
[ -z "$runraw" ] || ren_1252='Ren\u017DR'
check "code page 1252 has no double-byte characters" "mask: 0x04
productid: (null)
username: $ren_1252
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=Ren%8ER
url_plain: http://$base?username=Ren%8ER
browser_ssl: b.exe -nohome https://$base?username=Ren%8ER
browser_plain: b.exe -nohome http://$base?username=Ren%8ER
readme_command: notepad.exe C:\tools\表\readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --codepage 1252 --htm-command 'b.exe -nohome' --module-path 'C:\tools\表\x.exe' \
    -- "$(printf '/URen\x8e\x52')"

# Windows reads 20932's lead byte 0xA5 with the blank after it as one character that is none,
# its default "・".
a5_20932=$(printf '\xa5 x')
[ -z "$runraw" ] || a5_20932='・x'
check "reported lead ranges for another double-byte code page" "mask: 0x04
productid: (null)
username: $a5_20932
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=%A5%20x
url_plain: http://$base?username=%A5%20x
browser_ssl: b.exe  https://$base?username=%A5%20x
browser_plain: b.exe  http://$base?username=%A5%20x
readme_command: notepad.exe C:\app\readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --codepage 20932 --lead-ranges A1-FE --htm-command 'b.exe "%1"' \
    --module-path 'C:\app\x.exe' -- "$(printf '/U\xa5 x')"

# One tail given four ways: in Shift_JIS or in UTF-8 (--utf8), on the command line or in a file
# (--tail-file, whose one line end at the end is not part of the tail; a UTF-8 file may start with
# a byte-order mark). Each gives the same address; the details come in the encoding the tail came
# in, the paths and commands in UTF-8.
# 山 8E 52, 田 93 63, 太 91 BE, 郎 98 59; 例 97 E1, 示 8E A6, 株 8A 94, 式 8E AE, 会 89 EF, 社 8E D0.
yamada_tail='/U"山田 太郎" /O"例示株式会社" /S1234-5678'
yamada_query='?username=%8E%52%93%63%20%91%BE%98%59'
yamada_query+='&organization=%97%E1%8E%A6%8A%94%8E%AE%89%EF%8E%D0&serialno=1234-5678'
yamada_details="mask: 0x0E
productid: (null)
username: 山田 太郎
organization: 例示株式会社
serialno: 1234-5678"
yamada_launch="readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base$yamada_query
url_plain: http://$base$yamada_query
browser_ssl: b.exe  https://$base$yamada_query
browser_plain: b.exe  http://$base$yamada_query
readme_command: notepad.exe C:\製品\readme.txt
readme_program: $system32\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown"
yamada_module='C:\製品\regcomplete.exe'
sjis "$yamada_tail"$'\n' >"$scratch/tail-932.txt"
printf '\xef\xbb\xbf%s\r\n' "$yamada_tail" >"$scratch/tail-utf8.txt"
given=(--web-default no --htm-command 'b.exe "%1"' --module-path "$yamada_module")
check "a Shift_JIS tail, byte for byte" "$(sjis "$yamada_details")
$yamada_launch" "${given[@]}" -- "$(sjis "$yamada_tail")"
[ -n "$runraw" ] || check "a Shift_JIS tail with --print-utf8: the details as UTF-8 too" "$yamada_details
$yamada_launch" --print-utf8 "${given[@]}" -- "$(sjis "$yamada_tail")"
check "a UTF-8 tail with --utf8" "$yamada_details
$yamada_launch" --utf8 "${given[@]}" -- "$yamada_tail"
check "a Shift_JIS tail file" "$(sjis "$yamada_details")
$yamada_launch" "${given[@]}" --tail-file "$(given_path "$scratch/tail-932.txt")"
check "a UTF-8 tail file with --utf8" "$yamada_details
$yamada_launch" --utf8 "${given[@]}" --tail-file "$(given_path "$scratch/tail-utf8.txt")"

# --utf8 converts to the code page that --codepage names: 山 C9 BD and 田 CC EF in code page 936.
check "a UTF-8 tail converted to code page 936" "mask: 0x04
productid: (null)
username: 山田
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=%C9%BD%CC%EF
url_plain: http://$base?username=%C9%BD%CC%EF
browser_ssl: b.exe https://$base?username=%C9%BD%CC%EF
browser_plain: b.exe http://$base?username=%C9%BD%CC%EF
readme_command: notepad.exe C:\\readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --utf8 --codepage 936 --web-default no --htm-command b.exe --module-path 'C:\x.exe' -- '/U山田'

# Without --utf8 the tail is read byte for byte, and a tail that is no code page 932 text, or that
# looks like UTF-8, gets a warning on stderr that names --utf8; what is printed and the exit code
# stay as they are.
warning_cases=(
    "warns|UTF-8 that is no code page 932 text|/U\"山田 太郎\""
    "warns|UTF-8 that reads as code page 932 text|/O\"例示株式会社\""
    "warns|a lone lead byte at the end|/U$(printf '\x8e')"
    "quiet|Shift_JIS|$(sjis '/U"山田 太郎" /O"例示株式会社"')"
    "quiet|ASCII|/Pabc /S1234"
)
for row in "${warning_cases[@]}"; do
    IFS='|' read -r wanted why tail <<<"$row"
    printf '%s' "$tail" >"$scratch/warning-tail"
    run_tool --htm-command b.exe --module-path 'C:\x.exe' \
        --tail-file "$(given_path "$scratch/warning-tail")" >"$scratch/stdout" 2>"$scratch/stderr"
    rc=$?
    warnings=$(grep -c '^regcomplete-check: warning: .*--utf8' "$scratch/stderr")
    if [ $rc -ne 0 ] || [ "$(head -c 6 "$scratch/stdout")" != "mask: " ] ||
        [ "$(tr -d '\r' <"$scratch/stdout" | wc -l)" -ne 21 ]; then
        echo "FAIL: $why: exit code $rc, or not the 21 lines"
        failures=$((failures + 1))
    fi
    if [ "$warnings" -ne "$([ "$wanted" = warns ] && echo 1 || echo 0)" ]; then
        echo "FAIL: $why: $warnings warnings, expected the tool to be $wanted"
        cat "$scratch/stderr"
        failures=$((failures + 1))
    fi
done


# Every detail the line gives that does not reach the address as given is a note on stdout,
# after the whole output, naming the detail, why and what to do; then the exit code is 1. Each
# row: the exit code, the one note wanted as a pattern (empty: none), why, the tail.
printf '%s' '/U"𠮷田 太郎" /Oabc' >"$scratch/outside-932"
long_readme="/R\"C:\\$(printf 'r%.0s' {1..500})\""
loss_rows=(
    "0||a line that loses nothing|/Pabc /U\"山田 太郎\""
    "1|note: serialno (/S) is not sent: it is past the 511 bytes*shorten*|a detail past the 511 bytes read|/Pabc $long_readme /S1234"
    "1|note: organization (/O) is not sent: no room *shorten*|84 half-width kana: no room left in the address|/Uabc /O\"$(printf 'ｱ%.0s' {1..84})\""
    "1|note: username (/U) is empty: *ignored; quote*/U\"...\"|a blank after the letter|/U \"佐藤 花子\" /Oabc"
)
for row in "${loss_rows[@]}"; do
    IFS='|' read -r wanted_rc wanted why tail <<<"$row"
    run_tool --htm-command b.exe --module-path 'C:\x.exe' -- "$(sjis "$tail")" >"$scratch/stdout" 2>/dev/null
    rc=$?
    notes=$(tr -d '\r' <"$scratch/stdout" | grep '^note: ')
    # shellcheck disable=SC2053  # the note wanted is a pattern
    if [ $rc -ne "$wanted_rc" ] || [ "$(grep -c . <<<"$notes")" -ne "$([ -n "$wanted" ] && echo 1 || echo 0)" ] ||
        [[ $notes != $wanted ]] || [ "$(tr -d '\r' <"$scratch/stdout" | grep -vc '^note: ')" -ne 21 ]; then
        echo "FAIL: $why: exit code $rc, notes '$notes'"
        failures=$((failures + 1))
    fi
done
# Under --utf8 a character the code page cannot hold is named, with its code point; the program
# leaves its detail out.
run_tool --utf8 --htm-command b.exe --module-path 'C:\x.exe' \
    --tail-file "$(given_path "$scratch/outside-932")" >"$scratch/stdout" 2>/dev/null
rc=$?
wanted="note: username (/U) is not sent as given: '𠮷' (U+20BB7) is a character that code page 932 cannot hold; leave it out"
[ -z "$runraw" ] || wanted=$(in_output_code_page <<<"$wanted")
if [ $rc -ne 1 ] || ! tr -d '\r' <"$scratch/stdout" | grep -qxF "$wanted" ||
    ! tr -d '\r' <"$scratch/stdout" | grep -qxF 'username: (null)'; then
    echo "FAIL: --utf8 with a character outside code page 932: exit code $rc, $(grep -a '^note\|^username' "$scratch/stdout")"
    failures=$((failures + 1))
fi

# A template longer than the registry read gives is one the program never starts; the shell
# and the message are left.
check "empty tail" "mask: 0x00
$nothing_read
browser_ssl: (none)
browser_plain: (none)
readme_command: notepad.exe C:\\app\\readme.txt
readme_program: $system32\\notepad.exe
browser_type: shell
browser_type_plain: shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" --htm-command "$(printf 'T%.0s' {1..260})" \
    --module-path 'C:\app\x.exe' -- ""

# The longest template the registry read gives, and a module path far longer than an ANSI path
# can be.
long_template=$(printf 'T%.0s' {1..259})
long_directory="C:\\$(printf 'd%.0s' {1..1000})\\"
check "longest template and a long module path" "mask: 0x00
$nothing_read
browser_ssl: $long_template https://$base
browser_plain: $long_template http://$base
readme_command: notepad.exe ${long_directory}readme.txt
readme_program: $system32\\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --htm-command "$long_template" --module-path "$long_directory" -- ""

check "a template that is only its placeholder starts nothing" "mask: 0x01
productid: (null)
username: (null)
organization: (null)
serialno: (null)
readme: 
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base
url_plain: http://$base
browser_ssl: (none)
browser_plain: (none)
readme_command: notepad.exe C:\\app\\readme.txt
readme_program: $system32\\notepad.exe
browser_type: shell
browser_type_plain: shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" \
    --htm-command '"%1" -x' --module-path 'C:\app\regcomplete.exe' -- '/R""'

# Elevated, every button hands its launch to the desktop's shell and starts nothing itself: no
# command lines. --elevated stands for the token; under Wine, whose every process is elevated
# (RUNRAW_ELEVATED), the tool reads "full" itself, and "--elevated no" overrides it.
abc_read="mask: 0x04
${nothing_read/username: (null)/username: abc}"
abc_read=${abc_read//$base
/$base?username=abc
}
abc_read="$abc_read?username=abc"
elevated_plan() {  # elevated_plan ELEVATION [DIALOG]
    printf '%s\n' "$abc_read" "browser_ssl: (none)" "browser_plain: (none)" \
        "readme_command: (none)" "readme_program: (none)" "browser_type: desktop shell" \
        "browser_type_plain: desktop shell" "readme_ways: desktop shell" "elevation: $1" \
        "shell_is_this_user: no" "dialog: ${2:-shown}"
}
elevated_given=(--htm-command 'b.exe "%1"' --module-path 'C:\app\x.exe')
check "--elevated full" "$(elevated_plan full)" --elevated full "${elevated_given[@]}" -- '/Uabc'
check "--elevated default, with no desktop shell of this user" "$(elevated_plan default)" \
    --elevated default "${elevated_given[@]}" -- '/Uabc'
# Whether the dialog is shown at all: --session and --station stand for what Windows says (under
# Wine, session 1 and a visible station), here under an elevated token, as a deployment tool's.
dialog_cases=(
    "not shown (session 0)|an interactive service: session 0's station reports itself visible|--session 0"
    "not shown (hidden window station)|a deployment tool's station nobody sees|--station hidden"
    "not shown (hidden window station)|a service's own station in session 0: the station first|--session 0 --station hidden"
    "shown|a later user's session on a visible station|--session 2 --station visible"
)
for row in "${dialog_cases[@]}"; do
    IFS='|' read -r dialog why given <<<"$row"
    # shellcheck disable=SC2086
    check "$why" "$(elevated_plan default "$dialog")" --elevated default $given \
        "${elevated_given[@]}" -- '/Uabc'
done
if [ -n "$runraw" ]; then
    RUNRAW_ELEVATED=1 check "started elevated" "$(elevated_plan full)" "${elevated_given[@]}" \
        -- '/Uabc'
    RUNRAW_ELEVATED=1 check "started elevated, --elevated no" "$abc_read
browser_ssl: b.exe  https://$base?username=abc
browser_plain: b.exe  http://$base?username=abc
readme_command: notepad.exe C:\app\readme.txt
readme_program: $system32\notepad.exe
browser_type: (--htm-command), then shell
browser_type_plain: (--htm-command), then shell
readme_ways: notepad, then shell
elevation: no
shell_is_this_user: no
dialog: shown" --elevated no "${elevated_given[@]}" -- '/Uabc'
fi

if [ -z "$runraw" ]; then
    # On Windows the tool asks the platform instead; on the host nothing answers.
    check "without a template or a module path" "mask: 0x04
productid: (null)
username: abc
organization: (null)
serialno: (null)
readme: (null)
owner_class: (null)
owner_title: (null)
owner_window: 0
url_ssl: https://$base?username=abc
url_plain: http://$base?username=abc
browser_ssl: (none)
browser_plain: (none)
readme_command: (none)
readme_program: (none)
browser_type: shell
browser_type_plain: shell
readme_ways: (none)
elevation: no
shell_is_this_user: no
dialog: shown" -- '/Uabc'
fi

# --decode: the details an address carries, as typed (docs/receiving.md shows the first).
check "--decode: kanji, katakana with marks, a typed ! and the one ambiguity" "productid: 100
username: 山田 太郎
organization: 株式会社サンプル & Co.
serialno: サ!V
note: serialno: character 1 (サ) reads as katakana; it may have been typed as \"%5\"" \
    --decode "https://$base?productid=100&username=%8E%52%93%63%20%91%BE%98%59&organization=%8A%94%8E%AE%89%EF%8E%D0%25%35%25%73%25%55%21%2C%25%6B%20%26%20Co.&serialno=%255!V"
check "--decode: a query alone, control characters shown escaped, absent details" "productid: (none)
username: a\\x1Bb\\x09
note: username: control characters are shown as \\xNN or \\uNNNN
organization: (none)
serialno: �" --decode 'username=a%1Bb%09&serialno=%82'
# Without an address --decode reads one a line from stdin, as a file piped at cmd gives them: a
# CR before the LF and an empty line are no part of any; each is decoded, apart by an empty line.
actual=$(printf 'username=%%8E%%52%%93%%63&serialno=a%%26b\r\n\r\nproductid=100\r\n' |
    run_tool --decode 2>/dev/null | tr -d '\r')
wanted="productid: (none)
username: 山田
organization: (none)
serialno: a&b

productid: 100
username: (none)
organization: (none)
serialno: (none)"
[ -z "$runraw" ] || wanted=$(in_output_code_page <<<"$wanted")
if [ "$actual" != "$wanted" ]; then
    echo "FAIL: --decode from stdin: $actual"
    failures=$((failures + 1))
fi
if [ -z "$runraw" ]; then
    run_tool --decode "$(printf 'x%.0s' $(seq 1 32768))" >/dev/null 2>&1
    rc=$?
    [ $rc -eq 2 ] || { echo "FAIL: --decode of an address too long gave $rc, not 2"; failures=$((failures + 1)); }
fi

# Bad usage: one line on stderr that names what is wrong and points at --help, nothing on stdout,
# exit code 2. Each row: the arguments, and what the line names.
usage_rows=(
    "--elevated yes -- x|--elevated needs full, default or no"
    "--session x -- x|--session needs a session number"
    "--session -1 -- x|--session needs a session number"
    "--session 4294967296 -- x|--session needs a session number"
    "--station seen -- x|--station needs visible or hidden"
    "--codepage|--codepage needs a value"
    "--htm-command x|missing -- before the command-line tail"
    "--module-path|--module-path needs a value"
    "--tail-file|--tail-file needs a value"
    "--codepage x -- x|--codepage needs a code page number"
    "--lead-ranges 9F-81 -- x|--lead-ranges needs up to six ranges"
    "/Pabc|unknown option /Pabc"
    "--bogus -- x|unknown option --bogus"
    "--host a..b -- x|'a..b' has an empty label"
    "--host https://regist.sample-soft.co.jp/ -- x|give the host alone: regist.sample-soft.co.jp"
    "--host h.example --program p.exe -- x|give --host or --program, not both"
    "--stamp --host h.example x|--stamp needs the stamped copy after the program"
    "--stamp a.exe b.exe|--stamp needs --host HOST"
    "--show a.exe b.exe|--show takes one program"
    "--decode a b|--decode takes one address"
)
for row in "${usage_rows[@]}"; do
    IFS='|' read -r bad wanted <<<"$row"
    # shellcheck disable=SC2086
    run_tool $bad >"$scratch/stdout" 2>"$scratch/stderr"
    rc=$?
    said=$(tr -d '\r' <"$scratch/stderr")
    if [ $rc -ne 2 ] || [ -s "$scratch/stdout" ] || [ "$(wc -l <<<"$said")" -ne 1 ] ||
        [[ $said != "regcomplete-check: "*"$wanted"*"; see regcomplete-check --help" ]]; then
        echo "FAIL: bad usage '$bad': exit code $rc, stderr '$said', not one line naming '$wanted'"
        failures=$((failures + 1))
    fi
done
# The usage on stdout, as Windows' own tools give it; with no argument at all, exit code 2 too.
help_rows=("0|--help" "0|-h" "0|/?" "0|-?" "2|")
for row in "${help_rows[@]}"; do
    IFS='|' read -r wanted_rc asked <<<"$row"
    run_tool ${asked:+"$asked"} >"$scratch/stdout" 2>"$scratch/stderr"
    rc=$?
    if [ $rc -ne "$wanted_rc" ] || [ -s "$scratch/stderr" ] ||
        ! head -n 1 "$scratch/stdout" | grep -q '^usage: regcomplete-check '; then
        echo "FAIL: '$asked': exit code $rc, or no usage on stdout"
        failures=$((failures + 1))
    fi
done

# A control byte in a detail reaches no terminal: it is printed escaped, and sent encoded.
run_tool --htm-command x.exe --module-path 'C:\app\x.exe' -- "$(printf '/Ua\x1bb')" >"$scratch/stdout" 2>/dev/null
if ! tr -d '\r' <"$scratch/stdout" | grep -qxF 'username: a\x1Bb' || grep -q $'\x1b' "$scratch/stdout" ||
    ! grep -qF "https://$base?username=a%1Bb" "$scratch/stdout"; then
    echo "FAIL: a control byte in the tail: $(cat -v "$scratch/stdout" | head -3)"
    failures=$((failures + 1))
fi

# Under --utf8 a tail that is no UTF-8 is bad input; so is a tail both in a file and after --.
printf '/U\x8e\x52' >"$scratch/not-utf8"
for bad in "--utf8 --tail-file $(given_path "$scratch/not-utf8")" \
    "--tail-file $(given_path "$scratch/tail-932.txt") -- /Pabc"; do
    # shellcheck disable=SC2086
    run_tool $bad >/dev/null 2>&1
    rc=$?
    if [ $rc -ne 2 ]; then
        echo "FAIL: bad input '$bad' gave exit code $rc, not 2"
        failures=$((failures + 1))
    fi
done

echo "$failures failed"
[ $failures -eq 0 ]
