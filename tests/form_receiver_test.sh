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
# Then bad input: the page with what could be read, status 200, no PHP warning or notice; and
# how the details leave the address: a 303 to the path alone, a session of their own that the
# page shown next ends, and the headers that keep the page out of caches and Referers; and the
# access log snippets of docs/receiving.md under nginx and Apache.
# With "cases", only the conformance cases of examples/form/cases.json instead, through --decode,
# the receiver and docs/receiving.md's loop for a form in another language.
# usage: form_receiver_test.sh CHECK_TOOL SOURCE_DIR [cases]
set -u
tool=$1 source=$2 mode=${3:-}
for need in php curl iconv; do
    command -v "$need" >/dev/null || { echo "FAIL: $need is missing: run scripts/install-deps.sh"; exit 1; }
done
php -r 'exit(extension_loaded("mbstring") ? 0 : 1);' ||
    { echo "FAIL: PHP has no mbstring: run scripts/install-deps.sh"; exit 1; }
. "$(dirname "$0")/form_lib.sh"
scratch=$(mktemp -d)
trap 'stop_form_servers; rm -rf "$scratch"' EXIT
start_form_servers "$source/examples/form" "$scratch" || exit 1
failures=0 compared=0 skipped=0
keys=(productid username organization serialno)

fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# The value lines of --decode, without its notes.
decode() { "$tool" --decode "$1" | grep -v '^note: '; }

# "status NNN", then the form's fields for QUERY, as a browser reaches them (the redirect followed,
# with its cookie); a line more if a response on the way lacks "Cache-Control: no-store", and one
# that says so when PHP with mbstring alone shows another page.
form_values() {
    local page port values=
    for port in "$form_port" "$lean_port"; do
        page=$(curl -gsL -b '' -D "$scratch/headers" -w '\n%{http_code}' \
            "http://127.0.0.1:$port/entry/regist.php${1:+?$1}")
        page=$(echo "status ${page##*$'\n'}"
            [ "$(grep -ci '^cache-control: no-store' "$scratch/headers")" = "$(grep -c '^HTTP/' "$scratch/headers")" ] ||
                echo "a response without Cache-Control: no-store"
            form_fields <<<"$page")
        [ -n "$values" ] || values=$page
    done
    echo "$values"
    [ "$page" = "$values" ] || echo "PHP with mbstring alone: another page"
}

# Every case of examples/form/cases.json: --decode and the receiver's form give its details; a
# detail that is null is "(none)", and empty too in the form; a control character is \xNN. Then exit.
if [ "$mode" = cases ]; then
    cases=0
    while IFS= read -r -d '' why && IFS= read -r -d '' query && IFS= read -r -d '' expected; do
        decoded=$(decode "http://127.0.0.1/entry/regist.php?$query")
        [ "$decoded" = "$expected" ] ||
            { fail "$why: --decode"; diff <(echo "$expected") <(echo "$decoded") | head -10; }
        form=$(form_values "$query")
        expected=$(sed 's/^\([a-z]*\): $/\1: (none)/' <<<"$expected")
        [ "$form" = "status 200"$'\n'"$expected" ] ||
            { fail "$why: the form"; diff <(echo "status 200"; echo "$expected") <(echo "$form") | head -10; }
        cases=$((cases + 1))
    done < <(php -r '
        foreach (json_decode(file_get_contents($argv[1]), true, 8, JSON_THROW_ON_ERROR) as $case) {
            echo $case["why"], "\0", $case["query"], "\0";
            foreach (["productid", "username", "organization", "serialno"] as $i => $key) {
                $value = preg_replace_callback("/[\\x00-\\x1F\\x7F\\x{80}-\\x{9F}]/u",
                    fn($c) => sprintf(mb_ord($c[0], "UTF-8") < 0x80 ? "\\x%02X" : "\\u%04X", mb_ord($c[0], "UTF-8")), (string)$case[$key]);
                echo $i ? "\n" : "", "$key: ", $case[$key] === null ? "(none)" : $value;
            }
            echo "\0";
        }' "$source/examples/form/cases.json")
    echo "$cases cases of examples/form/cases.json"
    [ "$cases" -ge 100 ] || fail "only $cases cases read"
    # docs/receiving.md's loop for a form in another language, as written, with --decode as the
    # form's reader.
    mkdir -p "$scratch/loop/examples/form"
    cp "$source/examples/form/cases.json" "$scratch/loop/examples/form/"
    sed -n '/^```js$/,/^```$/p' "$source/docs/receiving.md" | sed '1d;$d' >"$scratch/loop/loop.js"
    cat >"$scratch/loop/my-form.js" <<'EOF_READER'
const { execFileSync } = require('node:child_process');
exports.readDetails = (query) => {
    const details = {};
    const lines = execFileSync(process.env.CHECK_TOOL, ['--decode', `http://127.0.0.1/entry/regist.php?${query}`],
        { encoding: 'utf8' }).split('\n');
    for (const [, key, value] of lines.map((line) => /^(productid|username|organization|serialno): (.*)$/.exec(line)).filter(Boolean))
        details[key] = value === '(none)' ? null : value.replace(/\\x([0-9A-F]{2})|\\u([0-9A-F]{4})/g, (_, x, u) => String.fromCharCode(parseInt(x || u, 16)));
    return details;
};
EOF_READER
    if ! loop=$(CHECK_TOOL=$tool node "$scratch/loop/loop.js") ||
        [ "$(tail -1 <<<"$loop")" != "$cases cases, 0 details differ" ]; then
        fail "docs/receiving.md's loop: $(tail -1 <<<"$loop")"
    fi
    [ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
    echo "form cases: all passed"
    exit 0
fi

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

# The details leave the address: the response to an address with details is a bare 303 to the
# path alone, with a session cookie of its own; the page it leads to is filled from the session and
# ends it. Every response is no-store and no-referrer, the page says no-referrer too.
base="http://127.0.0.1:$form_port/entry/regist.php"
query='productid=SAMPLE-2026&username=%8E%52%93%63&serialno=1234-5678'
filled='productid: SAMPLE-2026\nusername: 山田\norganization: (none)\nserialno: 1234-5678'
empty='productid: (none)\nusername: (none)\norganization: (none)\nserialno: (none)'
ended='set-cookie: regist_details=deleted; expires=Thu, 01 Jan 1970 00:00:01 GMT; Max-Age=0; path=/entry/regist.php; HttpOnly; SameSite=Lax'
# response_to CURL_OPTION...: the response's status, its headers that matter, lower-cased, and
# the form's fields.
response_to() {
    curl -gs -D "$scratch/headers" -o "$scratch/body" "$@"
    tr -d '\r' <"$scratch/headers" | grep -iE '^(http/|location|cache-control|referrer-policy|set-cookie)' |
        sed -E 's/^(HTTP\/[0-9.]+ [0-9]+).*/\1/; s/^([A-Za-z-]+):/\L\1:/; s/regist_details=[a-z0-9,-]{20,}/regist_details=ID/'
    form_fields <"$scratch/body"
}
cookie_of() { tr -d '\r' <"$scratch/headers" | sed -n 's/^set-cookie: \(regist_details=[^;]*\).*/\1/Ip'; }
sessions() { ls "$scratch/sessions" | wc -l; }
# why | curl options (the address last) | the response, "\n" between lines; after each row the
# session files left: "sessions N"
while IFS='|' read -r why options answer; do
    eval "set -- $options"
    got=$(response_to "$@"; echo "sessions $(sessions)")
    [ "$got" = "$(printf '%b' "$answer")" ] ||
        { fail "$why"; diff <(printf '%b\n' "$answer") <(echo "$got"); }
    # shellcheck disable=SC2034 # read by the eval of a later row's options
    [[ "$why" != "an address with details"* ]] || first=$(cookie_of)
    # shellcheck disable=SC2034
    [[ "$why" != "the same address again"* ]] || second=$(cookie_of)
done <<EOF_SESSION
an address with details: a bare 303, the cookie neither Secure nor for scripts|"$base?$query"|HTTP/1.1 303\ncache-control: no-store\nreferrer-policy: no-referrer\nset-cookie: regist_details=ID; path=/entry/regist.php; HttpOnly; SameSite=Lax\nlocation: /entry/regist.php\nsessions 1
the same address again, with the first cookie: a new ID|-b "\$first" "$base?$query"|HTTP/1.1 303\ncache-control: no-store\nreferrer-policy: no-referrer\nset-cookie: regist_details=ID; path=/entry/regist.php; HttpOnly; SameSite=Lax\nlocation: /entry/regist.php\nsessions 1
the first session is gone: an empty form, its ID not taken|-b "\$first" "$base"|HTTP/1.1 200\ncache-control: no-store\nreferrer-policy: no-referrer\nset-cookie: regist_details=ID; path=/entry/regist.php; HttpOnly; SameSite=Lax\n$ended\n$empty\nsessions 1
the page the 303 leads to: filled from the session, which it ends|-b "\$second" "$base"|HTTP/1.1 200\ncache-control: no-store\nreferrer-policy: no-referrer\n$ended\n$filled\nsessions 0
the same page again: the details are gone|-b "\$second" "$base"|HTTP/1.1 200\ncache-control: no-store\nreferrer-policy: no-referrer\nset-cookie: regist_details=ID; path=/entry/regist.php; HttpOnly; SameSite=Lax\n$ended\n$empty\nsessions 0
a cookie that can be no session ID is no session|-b "regist_details=../x!" "$base"|HTTP/1.1 200\ncache-control: no-store\nreferrer-policy: no-referrer\n$empty\nsessions 0
over HTTPS the cookie is Secure|-H "X-Test-HTTPS: on" "$base?$query"|HTTP/1.1 303\ncache-control: no-store\nreferrer-policy: no-referrer\nset-cookie: regist_details=ID; path=/entry/regist.php; secure; HttpOnly; SameSite=Lax\nlocation: /entry/regist.php\nsessions 1
a query without details stays, and starts no session|"$base?lang=ja"|HTTP/1.1 200\ncache-control: no-store\nreferrer-policy: no-referrer\n$empty\nsessions 1
EOF_SESSION
grep -q '<meta name="referrer" content="no-referrer">' "$scratch/body" || fail "the page has no referrer meta"
# Details that waited longer than the receiver keeps them are not shown; the session ends.
rm -f "$scratch/sessions"/*
curl -gs -D "$scratch/headers" -o /dev/null "$base?$query"
sed -i 's/stored|i:[0-9]*/stored|i:1/' "$scratch/sessions"/sess_*
[ "$(response_to -b "$(cookie_of)" "$base" | tail -4; sessions)" = "$(printf '%b\n0' "$empty")" ] ||
    fail "stale details shown, or their session left"
# A posted form takes the posted values, never the session's, and ends the session too.
curl -gs -D "$scratch/headers" -o /dev/null "$base?$query"
[ "$(response_to -b "$(cookie_of)" --data 'username=posted' "$base" | tail -4; sessions)" = \
    $'productid: (none)\nusername: posted\norganization: (none)\nserialno: (none)\n0' ] ||
    fail "a post with a session cookie"
# In a folder whose name has a blank and Japanese, the redirect leads to the address the browser
# asks for, percent-encoded, and sends the cookie there: the page is filled.
mkdir -p "$scratch/spaced/登録 form" "$scratch/spaced-run"
cp "$source/examples/form/entry/regist.php" "$scratch/spaced/登録 form/"
main_port=$form_port main_pid=$form_server_pid
start_form_server "$scratch/spaced" "$scratch/spaced-run/server.log" || exit 1
spaced_pid=$form_server_pid
[ "$(curl -gsL -b '' "http://127.0.0.1:$form_port/%E7%99%BB%E9%8C%B2%20form/regist.php?$query" |
    form_fields)" = "$(printf '%b' "$filled")" ] || fail "the form in a folder named '登録 form'"
kill "$spaced_pid"
form_port=$main_port form_server_pid=$main_pid

# The access log snippets of docs/receiving.md, as written, under nginx and Apache: the
# registration address is logged without its query, any other request as it came.
logged_requests() {  # logged_requests PORT LOG: the request lines logged for three requests
    for _ in $(seq 1 50); do curl -s -o /dev/null "http://127.0.0.1:$1/" && break; sleep 0.1; done
    sleep 0.5
    local before
    before=$(wc -l <"$2")
    curl -s "http://127.0.0.1:$1/entry/regist.php?$query" "http://127.0.0.1:$1/other?x=1" \
        "http://127.0.0.1:$1/entry/regist.php" >/dev/null
    sleep 0.5
    tail -n +$((before + 1)) "$2" | grep -ao '"GET [^"]*"'
}
logged='"GET /entry/regist.php HTTP/1.1"
"GET /other?x=1 HTTP/1.1"
"GET /entry/regist.php HTTP/1.1"'
snippet() { sed -n "/^\`\`\`$1\$/,/^\`\`\`\$/p" "$source/docs/receiving.md" | sed '1d;$d'; }
port=$((20000 + RANDOM % 40000))
if command -v nginx >/dev/null; then
    mkdir -p "$scratch/nginx"
    { echo "pid $scratch/nginx/pid; error_log $scratch/nginx/error.log; events {} http {"
      snippet nginx | sed "s|/var/log/nginx/|$scratch/nginx/|"
      echo "server { listen 127.0.0.1:$port; location / { return 200; } } }"; } >"$scratch/nginx/nginx.conf"
    if nginx -e "$scratch/nginx/error.log" -p "$scratch/nginx" -c "$scratch/nginx/nginx.conf"; then
        [ "$(logged_requests "$port" "$scratch/nginx/access.log")" = "$logged" ] ||
            { fail "nginx's access log"; cat "$scratch/nginx/access.log"; }
        kill "$(cat "$scratch/nginx/pid")"
    else
        fail "nginx did not start with docs/receiving.md's snippet"
    fi
else
    fail "no nginx to run docs/receiving.md's snippet with: run scripts/install-deps.sh"
fi
if command -v apache2 >/dev/null; then
    mkdir -p "$scratch/apache/htdocs"
    { echo "ServerRoot $scratch/apache"
      for module in mpm_event authz_core setenvif; do
          echo "LoadModule ${module}_module /usr/lib/apache2/modules/mod_$module.so"
      done
      echo "User nobody
Group nogroup
Listen 127.0.0.1:$((port + 1))
ServerName localhost
PidFile $scratch/apache/pid
ErrorLog $scratch/apache/error.log
DocumentRoot $scratch/apache/htdocs
Define APACHE_LOG_DIR $scratch/apache
LogFormat \"%h %l %u %t \\\"%r\\\" %>s %O \\\"%{Referer}i\\\" \\\"%{User-Agent}i\\\"\" combined
<VirtualHost *:$((port + 1))>"
      snippet apache
      echo "</VirtualHost>"; } >"$scratch/apache/httpd.conf"
    chmod -R a+rX "$scratch"
    if apache2 -f "$scratch/apache/httpd.conf" -k start; then
        [ "$(logged_requests $((port + 1)) "$scratch/apache/access.log")" = "$logged" ] ||
            { fail "Apache's access log"; cat "$scratch/apache/access.log"; }
        apache2 -f "$scratch/apache/httpd.conf" -k stop
    else
        fail "Apache did not start with docs/receiving.md's snippet"
    fi
else
    fail "no apache2 to run docs/receiving.md's snippet with: run scripts/install-deps.sh"
fi

echo "$compared tails compared; $skipped of their details not against mbstring (not Shift_JIS, or holding %)"
[ "$compared" -ge 60 ] || fail "only $compared tails compared"
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "form receiver: all passed"
