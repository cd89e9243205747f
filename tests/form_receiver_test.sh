#!/usr/bin/env bash
# The details read back from the addresses the program composes, by `regcomplete-check --decode`
# and by the reference receiver examples/form/entry/regist.php under php-cli's built-in server on
# 127.0.0.1. For every tail (the fixed ones below, every code page 932 tail of the fuzz corpus and
# random ones), the check tool composes the address with the program's functions and prints the
# details as the program read them; then:
#  - --decode gives those details, with half-width katakana in full width and their marks composed
#    (mbstring's mb_convert_kana "KV" says what that is), for the address as sent and with every
#    unreserved %XX decoded, as xdg-open passes it on;
#  - the receiver's form holds the same values as --decode, byte for byte, for both addresses,
#    on PHP as it is usually built and on PHP with mbstring alone (php -n), as a lean host has it.
# Then bad input: the page with what could be read, status 200, no PHP warning or notice.
# usage: form_receiver_test.sh CHECK_TOOL SOURCE_DIR
set -u
tool=$1 source=$2
for need in php curl iconv; do
    command -v "$need" >/dev/null || { echo "FAIL: $need is missing: run scripts/install-deps.sh"; exit 1; }
done
php -r 'exit(extension_loaded("mbstring") ? 0 : 1);' ||
    { echo "FAIL: PHP has no mbstring: run scripts/install-deps.sh"; exit 1; }
. "$(dirname "$0")/form_lib.sh"
scratch=$(mktemp -d)
lean_pid=
trap 'stop_form_server; [ -z "$lean_pid" ] || kill "$lean_pid"; rm -rf "$scratch"' EXIT
start_form_server "$source/examples/form" "$scratch/lean.log" -n -d extension=mbstring || exit 1
lean_port=$form_port lean_pid=$form_server_pid form_server_pid=
start_form_server "$source/examples/form" "$scratch/server.log" || exit 1
failures=0 compared=0 skipped=0
keys=(productid username organization serialno)

fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# The value lines of --decode, without its notes.
decode() { "$tool" --decode "$1" | grep -v '^note: '; }

# "status NNN", then the form's fields for QUERY; a line that says so when PHP with mbstring alone
# shows another page.
form_values() {
    local page port values=
    for port in "$form_port" "$lean_port"; do
        page=$(curl -gs -w '\n%{http_code}' "http://127.0.0.1:$port/entry/regist.php${1:+?$1}")
        page=$(echo "status ${page##*$'\n'}"; form_fields <<<"$page")
        [ -n "$values" ] || values=$page
    done
    echo "$values"
    [ "$page" = "$values" ] || echo "PHP with mbstring alone: another page"
}

# The details as the program read them (code page 932 bytes from the check tool), each as the
# form must show it; "(none)" for one the address leaves out (the address's own tests say which).
expected_details() {  # expected_details CHECK_OUTPUT URL
    local key value
    for key in "${keys[@]}"; do
        value=$(sed -n "s/^$key: //p" <<<"$1")
        if [[ "$2" != *[?\&]$key=* ]]; then
            echo "$key: (none)"
        elif ! value=$(printf '%s' "$value" | iconv -f CP932 -t UTF-8 2>/dev/null); then
            echo "$key: (not Shift_JIS: not compared)"
        elif [[ "$value" == *%* ]]; then
            echo "$key: (holds %: not compared)"
        else
            php -r 'echo preg_replace_callback("/[\\x00-\\x1F\\x7F]/",
                fn($c) => sprintf("\\x%02X", ord($c[0])), mb_convert_kana($argv[1], "KV", "UTF-8"));' -- "$value" |
                sed "s/^/$key: /"
            echo
        fi
    done
}

# Lines of the first that say "not compared" match any line of the second.
same_details() {  # same_details EXPECTED ACTUAL
    local expected actual i
    mapfile -t expected <<<"$1"
    mapfile -t actual <<<"$2"
    [ ${#expected[@]} -eq ${#actual[@]} ] || return 1
    for i in "${!expected[@]}"; do
        [[ "${expected[i]}" == *"not compared)" ]] && skipped=$((skipped + 1)) && continue
        [ "${expected[i]}" = "${actual[i]}" ] || return 1
    done
}

check_tail() {  # check_tail WHY TAIL_FILE
    local why=$1 file=$2 output url reescaped expected decoded
    output=$("$tool" --tail-file "$file" 2>/dev/null)
    url=$(sed -n 's/^url_ssl: //p' <<<"$output")
    reescaped=$(unreserved_decoded "$url")
    expected=$(expected_details "$output" "$url")
    decoded=$(decode "$url")
    same_details "$expected" "$decoded" ||
        { fail "$why: --decode"; diff <(echo "$expected") <(echo "$decoded") | head -10; }
    [ "$(decode "$reescaped")" = "$decoded" ] ||
        { fail "$why: --decode, re-escaped"; diff <(echo "$decoded") <(decode "$reescaped") | head -10; }
    local query form
    for query in "${url#*\?}" "${reescaped#*\?}"; do
        [ "$query" != "$url" ] || query=
        form=$(form_values "$query")
        [ "$form" = "status 200"$'\n'"$decoded" ] ||
            { fail "$why: the form"; diff <(echo "status 200"; echo "$decoded") <(echo "$form") | head -10; }
    done
    compared=$((compared + 1))
}

# Fixed tails (UTF-8 here, code page 932 to the program): why | tail
while IFS='|' read -r why tail; do
    printf '%s' "$tail" | iconv -f UTF-8 -t CP932 >"$scratch/tail"
    check_tail "$why" "$scratch/tail"
done <<'EOF_TAILS'
kanji and kana with marks in every detail|/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ & Co." /S"1234-5678"
every voiced and semi-voiced half-width katakana|/U"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟｳﾞ"
marks that compose with nothing|/U"ﾞaﾟｱﾞﾜﾞﾝﾞｶﾟ" /Oカﾞ
punctuation and small kana|/U"｡｢｣､･ｰｧｨｩｪｫｬｭｮｯ"
trail bytes 0x5C and query syntax|/P表ソ能 /U"a=b?c/d&e+f#g h" /O"~'<>\\"
a typed ! is read as typed, not as a bracket|/U"!V!W" /O"ﾃﾞ!#ｰ"
a typed % before a digit reads as katakana (the ambiguity)|/U"%5" /O"%R"
EOF_TAILS

# Every code page 932 tail of the fuzz corpus: an options seed is the code page byte and the tail;
# a registration address seed built from a tail (control bit 1 clear) has three bytes more first.
for seed in "$source"/fuzz/corpus/options/* "$source"/fuzz/corpus/registration_url/*; do
    [ "$(head -c1 "$seed")" = 0 ] || continue
    skip=1
    if [[ "$seed" == */registration_url/* ]]; then
        [ $(($(od -An -tu1 -j1 -N1 "$seed") & 2)) -eq 0 ] || continue
        skip=4
    fi
    tail -c +$((skip + 1)) "$seed" | tr -d '\0' >"$scratch/tail"
    check_tail "corpus $(basename "$(dirname "$seed")")/$(basename "$seed")" "$scratch/tail"
done

# Random tails of kanji (trail bytes 0x40 to 0xFC, 0x5C among them), half-width katakana and their
# marks, and ASCII with &+# and blanks.
RANDOM=28
ascii='&+# aZ5.-_~='
for round in $(seq 1 30); do
    tail=
    for letter in P U O S; do
        value=
        for piece in $(seq 1 $((1 + RANDOM % 8))); do
            case $((RANDOM % 4)) in
                0) trail=$((0x40 + RANDOM % 0xBC)); [ $trail -ne $((0x7F)) ] || trail=$((0x5C))
                   value+=$(printf '\\x%02X\\x%02X' $((0x89 + RANDOM % 15)) $trail) ;;
                1) value+=$(printf '\\x%02X' $((0xA1 + RANDOM % 63))) ;;
                2) value+=$(printf '\\x%02X\\x%02X' $((0xB6 + RANDOM % 25)) $((0xDE + RANDOM % 2))) ;;
                3) value+=${ascii:RANDOM % ${#ascii}:1} ;;
            esac
        done
        tail+=" /$letter\"$value\""
    done
    printf "$(sed 's/%/%%/g' <<<"$tail")" >"$scratch/tail"
    check_tail "random tail $round: $tail" "$scratch/tail"
done

# Bad input: why | query; the page has status 200, no PHP message and what --decode shows.
while IFS='|' read -r why query; do
    form=$(form_values "$query")
    case $form in "status 200"$'\n'*) ;; *) fail "$why: status"; echo "$form" | head -3 ;; esac
    [[ "$form" != *"PHP: "* ]] || fail "$why: a PHP message in the page"
    [ "$(grep -c '^[a-z]*: ' <<<"$form")" -eq 4 ] || fail "$why: not four fields"
    if [ -n "$query" ]; then
        [ "$form" = "status 200"$'\n'"$(decode "$query")" ] ||
            { fail "$why: the form and --decode differ"; diff <(decode "$query") <(echo "$form"); }
    fi
done <<EOF_BAD
no query at all|
a lone lead byte|username=ab%82&productid=100
a lead byte before a blank, bytes that start nothing|username=%81%20x%FF%FD%80%A0
a pair with no character: U+FFFD, its ASCII trail byte read again|username=%85%40x
an array parameter|username[]=a&productid[x]=1&organization=org
thousands of bytes|username=$(printf '%%25%%2B%%21%%2B%.0s' $(seq 1 1500))
a query that is not key=value|&&==&username&%&productid=%ZZ%
a control character, shown escaped|username=a%1Bb%0A
EOF_BAD
grep -hE 'PHP (Warning|Notice|Deprecated|Fatal)' "$scratch"/*.log && fail "PHP messages in the servers' logs"

# The form posts to itself, which shows what it received.
received=$(curl -s --data-urlencode 'username=山田 <太郎>' --data-urlencode 'productid[]=x' \
    "http://127.0.0.1:$form_port/entry/regist.php" | grep -o 'id="received-[a-z]*">[^<]*')
[ "$received" = 'id="received-productid">
id="received-username">山田 &lt;太郎&gt;
id="received-organization">
id="received-serialno">' ] || { fail "a posted form"; echo "$received"; }

echo "$compared tails compared; $skipped of their details not against mbstring (not Shift_JIS, or holding %)"
[ "$compared" -ge 60 ] || fail "only $compared tails compared"
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "form receiver: all passed"
