#!/usr/bin/env bash
# Bad input for the real regcomplete.exe under Wine (code page 932) and Xvfb: command lines and a
# ".htm" open command at and past the lengths the program reads. Whatever it is given, the dialog
# appears, closes with exit code 0, and exactly the command lines below are started, or nothing.
# usage: robustness_test.sh CASE   (REGCOMPLETE_WIN_BUILD and REGCOMPLETE_HOST set)
#   command_lines  2,000-byte lines, lines that end inside a quoted program name, kana details
#   templates      ".htm" open commands of 259 and 260 bytes with the longest address
#
# Every expected command line is written from what the program must do:
#   tail:    the command line without the program's name and the blanks after it; a line that
#            ends inside a quoted name leaves nothing. Only the tail's first 511 bytes are read: a
#            value that runs into that cut is dropped, unless the tail's next byte would have ended
#            it (a blank after a bare value, a double quote after a quoted one), and nothing after
#            the cut is read at all;
#   address: the base, then productid, username, organization, serialno when present and not
#            empty, the first that comes after "?", the others after "&"; one whose key and whole
#            encoded value do not fit in 511 bytes is left out, and those after it still come;
#   value:   as query_value below;
#   browser: a ".htm" template of up to 259 bytes (a longer one starts nothing), cut at "%1" in
#            double quotes (the opening quote going too), then one blank and the whole address.
# Inputs are written in readable Japanese and turned into Shift_JIS on the way to the driver.
set -u
. "$(dirname "$0")/e2e_lib.sh"

host=$REGCOMPLETE_HOST
ssl="https://$host/entry/regist.php"
plain="http://$host/entry/regist.php"
address_limit=511  # bytes of an address, without its terminating zero

# UTF-8 text as the Shift_JIS bytes the program sees, and their count.
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
sjis_length() { sjis "$1" | wc -c; }
# Steps (UTF-8 here) as the lines the driver reads.
steps_cp932() { printf '%s\n' "$@" | iconv -f UTF-8 -t CP932; }
# repeat TEXT COUNT: TEXT COUNT times over.
repeat() {
    local i out=
    for ((i = 0; i < $2; i++)); do out+=$1; done
    printf '%s' "$out"
}

# The interpreter itself, not a version manager's wrapper that takes a second to start.
python=$(python3 -c 'import sys; print(sys.executable)')
# query_value TEXT: TEXT as it must stand in the address. A double-byte character is %XX of each
# of its two bytes; a half-width katakana is %XX of each byte of the JIS X 0208 code of its
# full-width form (EUC-JP bytes are that code with the high bits set; the separate sound marks
# are the spacing ones, never merged); a control byte, the blank, 0x7F, " # % & + and any other
# byte from 0x80 up are %XX of the byte; every other byte is itself.
query_value() {
    "$python" -c '
import sys, unicodedata
spacing_marks = {"\uff9e": "\u309b", "\uff9f": "\u309c"}
out = []
for character in sys.argv[1]:
    encoded = character.encode("cp932")
    if len(encoded) == 2:
        out.append("%%%02X%%%02X" % (encoded[0], encoded[1]))
    elif 0xA1 <= encoded[0] <= 0xDF:
        full = spacing_marks.get(character) or unicodedata.normalize("NFKC", character)
        code = full.encode("euc_jp")
        out.append("%%%02X%%%02X" % (code[0] & 0x7F, code[1] & 0x7F))
    elif encoded[0] <= 0x20 or encoded[0] >= 0x7F or chr(encoded[0]) in "\"#%&+":
        out.append("%%%02X" % encoded[0])
    else:
        out.append(chr(encoded[0]))
sys.stdout.write("".join(out))' "$1"
}

# address BASE [KEY TEXT]...: BASE and each KEY=value in the order given, the first after "?".
# Which details the program must leave out is each row's business; this only joins them.
address() {
    local url=$1 separator='?'
    shift
    while [ $# -gt 1 ]; do
        url+="$separator$1=$(query_value "$2")"
        separator='&'
        shift 2
    done
    printf '%s' "$url"
}

# A mistake in the test's own data, not in the program: stop the case.
bad_data() {
    e2e_fail "test data: $*"
    e2e_end
    exit 1
}

# The scenario is written as it is built, in the driver's bytes; `expected` gathers the launch
# records (UTF-8, as the fakes write them) and `records` counts them.
expected=()
records=0
steps() { steps_cp932 "$@" >>"$E2E_WORK/scenario.txt"; }
expect() {  # expect RECORD
    expected+=("$1")
    records=$((records + 1))
}

# The fake browser's record for URL, its template being "BROWSER" "%1".
browser() { printf '"%s"  %s' "$E2E_BROWSER" "$1"; }

# one_start LINE [BUTTON RECORD]...: starts the program on LINE (bytes, as the program gets
# them), presses each BUTTON in turn, which must start just RECORD (UTF-8), and closes the
# dialog, which must end the program with exit code 0.
one_start() {
    printf 'start %s\n' "$1" >>"$E2E_WORK/scenario.txt"
    shift
    steps wait-dialog
    while [ $# -gt 1 ]; do
        expect "$2"
        steps "click $1" "wait-log $records"
        shift 2
    done
    steps "click $DONE" "wait-exit 0"
}

# A command line that ends inside the quoted program name: its tail is empty, whatever the name
# holds. The program sits in "Program Files", so that a name read up to the first blank would
# leave the options below as the tail. Wine cannot find the program of such a line, so the
# driver names the file. The fake Notepad, started first on the line that ends in a lone lead
# byte, shows what reaches a program started on it.
unclosed_open="/PRC-1 /U表"  # no closing quote: the options are part of the name
lone_lead=$'\x83'
unclosed_quote_steps() {
    local open bare_url
    open="$(sjis "\"$E2E_EXE $unclosed_open")"
    bare_url=$(address "$ssl")
    steps 'application C:\windows\system32\notepad.exe'
    printf 'start %s\n' "$open$lone_lead" >>"$E2E_WORK/scenario.txt"
    steps "wait-log 1" "wait-exit 0"
    records=1  # the probe's record is checked on its own
    steps "application $E2E_EXE"
    one_start "$open" $SSL "$(browser "$bare_url")"
    steps "application $E2E_EXE"
    one_start "$open$lone_lead" $SSL "$(browser "$bare_url")"
    steps "application $E2E_EXE"
    one_start '"' $SSL "$(browser "$bare_url")"
}

# The probe's record is the line without its lone lead byte, or with one character in its
# place; says which, then takes it out of the log for the comparison with the rest.
check_probe() {
    local log=$E2E_WORK/launch.log open="\"$E2E_EXE $unclosed_open" probe
    probe=$(head -n 1 "$log")
    if [ "$probe" = "$open" ]; then
        echo "probe: Wine drops the lone lead byte at the end; the program gets the line without it"
    elif [ "${probe#"$open"}" != "$probe" ] && [ "$(printf '%s' "${probe#"$open"}" | wc -m)" -eq 1 ]; then
        echo "probe: the lone lead byte reaches the program as one character: ${probe#"$open"}"
    else
        e2e_fail "the probe saw neither the line nor the line without its last byte (cat -v)"
        printf '%s\n' "$probe" | cat -v | sed 's/^/  probe: /'
    fi
    cp "$log" "$E2E_WORK/launch.full.log"
    tail -n +3 "$E2E_WORK/launch.full.log" >"$log"
}

# 2,000-byte command lines. The tail holds productid, username (kanji and a blank, quoted) and a
# long readme path that moves the organization to the row's place: its value, quotes included,
# ends at tail byte LAST (counted from 0; the program reads bytes 0 to 510). Then come options
# that a reader past the cut would find, and filler up to 2,000 bytes.
long_rows=(
    # why | organization as written | LAST | kept?
    "a bare value straddling the cut is dropped; the details before it come whole|ｿﾌﾄ工房-Tokyo-branch-office-with-a-long-name|530|no"
    "a bare value whose last byte is the 511th, the blank after it the 512th, comes whole|ｿﾌﾄ工房-Tokyo|510|yes"
    "a bare value one byte longer, its last byte past the cut, is dropped|ｿﾌﾄ工房-Tokyo1|511|no"
    "a quoted value whose closing quote is the 512th byte comes whole|\"ｿﾌﾄ 工房 Tokyo\"|511|yes"
    "a quoted value whose closing quote is past the cut is dropped|\"ｿﾌﾄ 工房 Tokyo\"|512|no"
    "a value ending in 表 (95 5C) whose trail byte is the 511th comes whole|ｿﾌﾄ工房表|510|yes"
    "a value whose 表 is cut between lead byte and trail byte 0x5C is dropped|ｿﾌﾄ工房表|511|no"
    "the next option's slash is the 511th byte: nothing after it is read|ｿﾌﾄ工房|508|yes"
)
long_total=2000

long_command_line_steps() {
    local name="\"$E2E_EXE\" " user="山田 太郎" beyond=" /Sbeyond-the-cut /Uoverwritten"
    local head="/PRC-2000 /U\"$user\" /R\"C:\\Program Files\\ソフト表"
    local filler row why organization last kept readme=readme
    filler=$(repeat ' /Oignored' 200)
    for row in "${long_rows[@]}"; do
        IFS='|' read -r why organization last kept <<<"$row"
        local rest="\\readme.txt\" /O$organization" pad folder tail_head line
        pad=$((last + 1 - $(sjis_length "$head$rest")))
        [ "$pad" -ge 0 ] || bad_data "$why: LAST $last is too early"
        folder=$(repeat _ "$pad")
        tail_head="$head$folder$rest"
        line="$name$tail_head$beyond"
        line+=${filler:0:$((long_total - $(sjis_length "$line")))}
        [ "$(sjis_length "$line")" -eq "$long_total" ] || bad_data "$why: not $long_total bytes"
        [ "$(sjis_length "$tail_head")" -eq $((last + 1)) ] || bad_data "$why: misplaced"
        [ $((last + 1 - $(sjis_length "$organization"))) -lt 511 ] ||
            bad_data "$why: the value starts past the cut"

        local details=(productid RC-2000 username "$user") url
        if [ "$kept" = yes ]; then
            organization=${organization#\"}
            details+=(organization "${organization%\"}")
        fi
        url=$(address "$ssl" "${details[@]}")
        [ ${#url} -le $address_limit ] || bad_data "$why: the address is too long"
        echo "row: $why"
        if [ -n "$readme" ]; then  # once: the readme path before the cut comes whole
            one_start "$(sjis "$line")" $SSL "$(browser "$url")" \
                $README "notepad.exe C:\\Program Files\\ソフト表$folder\\readme.txt"
            readme=
        else
            one_start "$(sjis "$line")" $SSL "$(browser "$url")"
        fi
    done
}

# 80 half-width kana, the sound marks among them: 80 bytes on the line, 480 in the address.
kana20="ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶﾞﾟ｡"
kana80=$kana20$kana20$kana20$kana20

kana_steps() {
    local organization="ｶﾌﾞｼｷｶﾞｲｼｬ ｿﾌﾄ" serial="SN-ｱｲｳ-001"
    [ "$(sjis_length "$kana80")" -eq 80 ] || bad_data "not 80 kana"
    [ ${#kana80} -eq 80 ] || bad_data "not 80 characters"
    local with_user
    with_user=$(address "$ssl" username "$kana80")
    [ ${#with_user} -gt $address_limit ] || bad_data "80 kana fit the address"

    # The 80 kana cannot fit: organization takes "?", serialno "&"; the plain address alike.
    local line="\"$E2E_EXE\" /U$kana80 /O\"$organization\" /S$serial"
    echo "row: a username of 80 kana is left out whole; organization and serialno still come"
    one_start "$(sjis "$line")" \
        $SSL "$(browser "$(address "$ssl" organization "$organization" serialno "$serial")")" \
        $PLAIN "$(browser "$(address "$plain" organization "$organization" serialno "$serial")")"

    # A username that fills the plain address to its last byte, so that it does not fit the one
    # byte longer SSL address: there organization and serialno come after productid instead.
    local product=RC-KANA fixed free user plain_user ssl_user
    fixed=$(address "$plain" productid "$product" username "")
    free=$((address_limit - ${#fixed}))
    user=$(repeat ﾔ $((free / 6)))$(repeat x $((free % 6)))
    plain_user=$(address "$plain" productid "$product" username "$user")
    ssl_user=$(address "$ssl" productid "$product" username "$user")
    [ ${#plain_user} -eq $address_limit ] || bad_data "the plain address is ${#plain_user} bytes"
    [ ${#ssl_user} -eq $((address_limit + 1)) ] || bad_data "the SSL address is ${#ssl_user} bytes"
    line="\"$E2E_EXE\" /P$product /U$user /O\"$organization\" /S$serial"
    echo "row: a kana username that fits the plain address to the byte, not the SSL one"
    one_start "$(sjis "$line")" $PLAIN "$(browser "$plain_user")" \
        $SSL "$(browser "$(address "$ssl" productid "$product" \
            organization "$organization" serialno "$serial")")"
}

case_command_lines() {
    e2e_stage_program "Program Files"
    e2e_stage_browser browser
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    : >"$E2E_WORK/scenario.txt"
    unclosed_quote_steps  # first: the probe's record must be the log's first
    long_command_line_steps
    kana_steps
    e2e_play
    check_probe
    e2e_expect_log "${expected[@]}"
}

# stage_template_browser LENGTH SUFFIX: stages the fake browser in a folder whose name makes the
# template "BROWSER"SUFFIX exactly LENGTH bytes; TEMPLATE is that template.
stage_template_browser() {
    local length=$1 suffix=$2 bare pad
    bare="\"$E2E_STAGE_WIN\\Fake Browser \\fakebrowser.exe\"$suffix"
    pad=$((length - ${#bare}))
    [ "$pad" -gt 0 ] || bad_data "the case's folder is too long for a $length-byte template"
    e2e_stage_browser "Fake Browser $(repeat b "$pad")"
    TEMPLATE="\"$E2E_BROWSER\"$suffix"
    [ ${#TEMPLATE} -eq "$length" ] || bad_data "the template is ${#TEMPLATE} bytes, not $length"
}

# The driver waits at "handshake .../NAME" while the test registers the template of that name.
declare -A templates
register_template() { e2e_register_browser "${templates[${1##*/}]}"; }

case_templates() {
    e2e_stage_program
    # Details with a productid long enough that the SSL address is exactly 511 bytes (the plain
    # one 510), with kana, kanji and escaped bytes in the others.
    local user="ﾔﾏﾀﾞ 太郎" organization="表計算ｿﾌﾄ" serial="12#34%+&\"x" product short
    local others=(username "$user" organization "$organization" serialno "$serial")
    short=$(address "$ssl" productid RC- "${others[@]}")
    product=RC-$(repeat 9 $((address_limit - ${#short})))
    local url_ssl url_plain line
    url_ssl=$(address "$ssl" productid "$product" "${others[@]}")
    url_plain=$(address "$plain" productid "$product" "${others[@]}")
    line="\"$E2E_EXE\" /P$product /U\"$user\" /O$organization /S$serial"
    [ ${#url_ssl} -eq $address_limit ] || bad_data "the SSL address is ${#url_ssl} bytes"

    # 259 bytes, the longest the registry read takes, with the quoted placeholder after a blank:
    # two blanks before the address. Then without a placeholder: the whole template, the blank
    # and the address, 771 bytes. Then 260 bytes, one too many, the fake browser ready at its
    # path: it is never started, and as the shell has no browser either, the message shows the
    # whole address. README then shows that launches do reach the log in this run, and the log
    # is looked at once more after a while: the browser never came.
    local quoted no_placeholder
    stage_template_browser 259 ' "%1"'
    quoted=$TEMPLATE
    stage_template_browser 259 ' -new'
    no_placeholder=$TEMPLATE
    [ $((${#no_placeholder} + 1 + ${#url_ssl})) -eq 771 ] || bad_data "not the longest command"
    stage_template_browser 260 ' "%1"'
    templates=([no_placeholder]=$no_placeholder [too_long]=$TEMPLATE)
    E2E_HANDSHAKE=register_template
    e2e_register_browser "$quoted"
    local work
    work=$(windows_path "$E2E_WORK")
    e2e_run "start $line" wait-dialog \
        "click $SSL" "wait-log 1" "click $PLAIN" "wait-log 2" \
        "handshake $work\\no_placeholder" "click $SSL" "wait-log 3" \
        "click $PLAIN" "wait-log 4" \
        "handshake $work\\too_long" "click-async $SSL" "message-box $url_ssl" \
        "click-async $PLAIN" "message-box $url_plain" "sleep 3000" "wait-log 4" \
        "click $README" "wait-log 5" "sleep 2000" "wait-log 5" \
        "click $DONE" "wait-exit 0"
    e2e_expect_log "${quoted% \"%1\"}  $url_ssl" "${quoted% \"%1\"}  $url_plain" \
        "$no_placeholder $url_ssl" "$no_placeholder $url_plain" \
        "notepad.exe ${E2E_EXE%\\*}\\readme.txt"
}

case_name=${1:?usage: robustness_test.sh CASE}
declare -F "case_$case_name" >/dev/null || { echo "no case $case_name"; exit 2; }
e2e_begin "$case_name"
"case_$case_name"
e2e_end
