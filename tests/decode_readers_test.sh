#!/usr/bin/env bash
# The readers of a registration address give the same details, byte for byte, for any query: the
# check tool's --decode and the reference receiver examples/form/entry/regist.php, under php-cli's
# built-in server both as PHP is usually built and with mbstring alone (php -n). The queries:
# hand-written ones with bytes that are no character (docs/receiving.md), every double-byte pair,
# and random ones (seeded). On the host the tool is the host build, and the hand-written
# values and every pair also read as Chromium's TextDecoder("shift_jis") reads them: a browser's
# reading of Shift_JIS, the WHATWG Encoding Standard's. With "wine", the tool is the Windows build
# under Wine, one process a query.
# usage: decode_readers_test.sh CHECK_TOOL SOURCE_DIR [wine]
set -u
tool=$1 source=$2 wine_mode=${3:+yes}
random_queries=750
for need in php curl; do
    command -v "$need" >/dev/null || { echo "FAIL: $need is missing: run scripts/install-deps.sh"; exit 1; }
done
[ -n "$wine_mode" ] || command -v chromium >/dev/null ||
    { echo "FAIL: chromium is missing: run scripts/install-deps.sh"; exit 1; }
. "$(dirname "$0")/form_lib.sh"
if [ -n "$wine_mode" ]; then
    . "$(dirname "$0")/e2e/wine_env.sh"
    wine_prefix_ready || { echo "FAIL: could not create the Wine prefix"; exit 1; }
fi
scratch=$(mktemp -d)
trap 'stop_form_servers; rm -rf "$scratch"' EXIT
start_form_servers "$source/examples/form" "$scratch" || exit 1
failures=0

# queries.txt: one query a line, each with the four keys; browser.txt: "QUERY_LINE KEY HEX" for
# the values a browser must read alike (only %XX escapes and letters, no katakana's code), HEX
# their bytes. Hand-written values first (why, then the value), four to a query.
php -n -- "$scratch" "$random_queries" <<'EOF_PHP'
<?php
[, $dir, $random_queries] = $argv;
$keys = ['productid', 'username', 'organization', 'serialno'];
$values = [];   // [value, whether a browser reads it alike]
foreach (explode("\n", trim(<<<'EOF_VALUES'
browser|a lead byte before a blank, before DEL and before 0xFD-0xFF|%81%20%81%7F%81%FD%9F%FE%E0%FFa
browser|pairs with no character and an ASCII trail byte: that byte is read again|%85%40%EB%7E%FC%4C%88@%85A
browser|pairs with no character and a trail byte from 0x80: one U+FFFD|%85%A1%81%AD%85%80%85%A0%EF%FC
browser|0x80, 0xA0, 0xFD-0xFF alone, in lower-case escapes too|%80a%80%A0%fd%FE%ff%a0
browser|a lone lead byte at the end|ab%82
browser|a lone lead byte of the second range at the end|%E0
browser|trail bytes either side of 0x7F and 0xA0, a lead byte as trail|%81%7E%81%80%81%A0%81%81%40
browser|a half-width katakana byte as trail byte|%88%B1%85%B1
browser|the user-defined area and IBM's extensions either side of it|%F0%40%F9%FC%FA%40%ED%40%87%40
browser|the last pair with a character, DEL alone|%FC%4B%7F
katakana|a lead byte before an escaped katakana code|%81%25%4A%81%21%23
katakana|a lead byte before a bare "%" and "+", a malformed escape|%81%%81+%8G%F
katakana|a lone lead byte before a zero byte|%82%00
katakana|a katakana, 0x80 and a mark that cannot compose after it|%25%2B%80%21%2B%B6%A0%DE
katakana|a bare half-width katakana byte after a pair with no character|%85%40%B1%85%DE
EOF_VALUES)) as $row) {
    [$kind, , $value] = explode('|', $row, 3);
    $values[] = [$value, $kind === 'browser'];
}
// Every pair of a lead byte and a byte from 0x40 up, 120 pairs a value.
$pairs = [];
foreach (array_merge(range(0x81, 0x9F), range(0xE0, 0xFC)) as $lead) {
    foreach (range(0x40, 0xFF) as $trail) $pairs[] = sprintf('%%%02X%%%02X', $lead, $trail);
}
foreach (array_chunk($pairs, 120) as $chunk) $values[] = [implode('', $chunk), true];
while (count($values) % 4 != 0) $values[] = ['a', true];
// Random values: escaped bytes of every kind, lead bytes before anything, katakana codes, marks,
// and the bare characters a query may hold.
mt_srand(33);
$bare = str_split("aZ5!%+-._~*'()=/?:@,;\$");
$special = [0x00, 0x80, 0xA0, 0xFD, 0xFE, 0xFF, 0x7F, 0xDE, 0xDF];
$piece = [
    fn() => sprintf('%%%02X', mt_rand(0, 255)),
    fn() => sprintf('%%%02X%%%02X', mt_rand(0, 1) ? mt_rand(0x81, 0x9F) : mt_rand(0xE0, 0xFC), mt_rand(0x00, 0xFF)),
    fn() => sprintf('%%%02X', mt_rand(0, 1) ? mt_rand(0x81, 0x9F) : mt_rand(0xE0, 0xFC)) . $bare[mt_rand(0, count($bare) - 1)],
    fn() => sprintf('%%25%%%02X', mt_rand(0x21, 0x76)),
    fn() => sprintf('%%21%%%02X', mt_rand(0x21, 0x2C)),
    fn() => sprintf('%%%02X', mt_rand(0xA1, 0xDF)),
    fn() => sprintf('%%%02X', $special[mt_rand(0, count($special) - 1)]),
    fn() => $bare[mt_rand(0, count($bare) - 1)],
];
$random = [];
for ($i = 0; $i < 4 * $random_queries; $i++) {
    $value = '';
    for ($n = mt_rand(1, 10); $n > 0; $n--) $value .= $piece[mt_rand(0, count($piece) - 1)]();
    $random[] = [$value, false];
}
$queries = fopen("$dir/queries.txt", 'w');
$browser = fopen("$dir/browser.txt", 'w');
foreach (array_chunk(array_merge($values, $random), 4) as $line => $four) {
    $pairs = [];
    foreach ($four as $k => [$value, $alike]) {
        $pairs[] = "$keys[$k]=$value";
        if ($alike) fwrite($browser, "$line $keys[$k] " . bin2hex(rawurldecode($value)) . "\n");
    }
    fwrite($queries, implode('&', $pairs) . "\n");
}
EOF_PHP
mapfile -t queries <"$scratch/queries.txt"

# The value lines of --decode, an empty value as the form shows it.
decoded() {
    if [ -n "$wine_mode" ]; then
        wine "$tool" --print-utf8 --decode "$1"
    else
        "$tool" --decode "$1"
    fi | grep -av '^note: ' | sed 's/^\([a-z]*\): $/\1: (none)/'
}

# The form's fields for every query, from the server on PORT, one request after another, each
# redirect followed with its session cookie as a browser does.
form_details() {  # form_details PORT
    local query
    for query in "${queries[@]}"; do
        printf 'url = "http://127.0.0.1:%s/entry/regist.php?%s"\n' "$1" "$query"
    done >"$scratch/curl.conf"
    curl -gsL -b "" -K "$scratch/curl.conf" | form_fields | grep -aE '^(productid|username|organization|serialno|PHP): '
}

for query in "${queries[@]}"; do decoded "$query"; done >"$scratch/tool.txt"
form_details "$form_port" >"$scratch/php.txt"
form_details "$lean_port" >"$scratch/php-lean.txt"
paste - - - - <"$scratch/tool.txt" >"$scratch/tool.queries"
for reader in php php-lean; do
    paste - - - - <"$scratch/$reader.txt" >"$scratch/$reader.queries"
    differing=$(awk 'NR == FNR { read[FNR] = $0; next } read[FNR] != $0 { print FNR }' \
        "$scratch/tool.queries" "$scratch/$reader.queries")
    if [ -n "$differing" ] || ! [ "$(wc -l <"$scratch/$reader.txt")" -eq $((4 * ${#queries[@]})) ]; then
        echo "FAIL: --decode and the receiver ($reader) differ on $(wc -w <<<"$differing") of ${#queries[@]} queries"
        for line in $(head -5 <<<"$differing"); do
            echo "  ${queries[line - 1]}"
            diff <(sed -n "${line}p" "$scratch/tool.queries" | tr '\t' '\n') \
                <(sed -n "${line}p" "$scratch/$reader.queries" | tr '\t' '\n') | sed 's/^/    /'
        done
        failures=$((failures + 1))
    fi
done
grep -hm3 -E 'PHP (Warning|Notice|Deprecated|Fatal)' "$scratch"/*.log && { echo "FAIL: PHP messages"; failures=$((failures + 1)); }

if [ -z "$wine_mode" ]; then
    # What Chromium reads, each control character as --decode shows it.
    {
        echo '<pre id="o"></pre><script>const rows = ['
        sed 's/^\([0-9]*\) \([a-z]*\) \([0-9a-f]*\)$/["\1", "\2", "\3"],/' "$scratch/browser.txt"
        echo '];
const decoder = new TextDecoder("shift_jis");
document.getElementById("o").textContent = rows.map(([line, key, hex]) => {
    const bytes = new Uint8Array(hex.match(/../g).map((h) => parseInt(h, 16)));
    const text = decoder.decode(bytes).replace(/[\x00-\x1F\x7F-\x9F]/g,
        (c) => (c < "\x80" ? "\\x" : "\\u") + c.charCodeAt(0).toString(16).toUpperCase().padStart(c < "\x80" ? 2 : 4, "0"));
    return line + " " + key + ": " + text;
}).join("\n");</script>'
    } >"$scratch/browser.html"
    timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run \
        --disable-background-networking --disable-component-update --user-data-dir="$scratch/profile" \
        --dump-dom "file://$scratch/browser.html" 2>/dev/null |
        php -n -r 'preg_match("/<pre id=\"o\">(.*)<\/pre>/s", stream_get_contents(STDIN), $m);
            echo html_entity_decode($m[1] ?? "", ENT_QUOTES | ENT_HTML5, "UTF-8"), "\n";' >"$scratch/chromium.txt"
    while read -r line key hex; do
        echo "$line $(sed -n "$((4 * line + 1)),$((4 * line + 4))p" "$scratch/tool.txt" | grep -a "^$key: ")"
    done <"$scratch/browser.txt" >"$scratch/tool-browser.txt"
    if ! cmp -s "$scratch/chromium.txt" "$scratch/tool-browser.txt"; then
        echo "FAIL: --decode and Chromium's TextDecoder differ on $(diff "$scratch/chromium.txt" "$scratch/tool-browser.txt" | grep -c '^<') of $(wc -l <"$scratch/browser.txt") values"
        diff "$scratch/chromium.txt" "$scratch/tool-browser.txt" | head -10
        failures=$((failures + 1))
    fi
fi

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
browser=", $(wc -l <"$scratch/browser.txt") values as Chromium reads them"
[ -z "$wine_mode" ] || browser=
echo "${#queries[@]} queries read alike by --decode${wine_mode:+ under Wine} and the receiver" \
    "(PHP, and PHP with mbstring alone)$browser"
echo "decode readers: all passed"
