#!/usr/bin/env bash
# Debian's Chromium, headless, opens the registration addresses that the program composes (the
# check tool composes them with the program's functions, at the reference receiver under php-cli's
# built-in server on 127.0.0.1) and must show each detail in its field of the pre-filled form, as
# typed, with half-width katakana in full width; the same for an address re-escaped as xdg-open
# passes it on. It keeps a screenshot of the first form in SCREENSHOT_DIR/form.png.
# usage: form_browser_test.sh CHECK_TOOL SOURCE_DIR SCREENSHOT_DIR
set -u
tool=$1 source=$2 shots=$3
for need in php chromium curl iconv; do
    command -v "$need" >/dev/null || { echo "FAIL: $need is missing: run scripts/install-deps.sh"; exit 1; }
done
. "$(dirname "$0")/form_lib.sh"
scratch=$(mktemp -d)
trap 'stop_form_server; rm -rf "$scratch"' EXIT
start_form_server "$source/examples/form" "$scratch/server.log" || exit 1
mkdir -p "$shots"
failures=0

# Root needs --no-sandbox; the rest keeps Chromium off the (closed) network and its own profile.
browse() {  # browse ADDRESS CHROMIUM_OPTION...
    local address=$1
    shift
    rm -rf "$scratch/profile"
    timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$scratch/profile" "$@" "$address" 2>>"$scratch/chromium.log"
}

# The plain address the program composes from TAIL (UTF-8 here, code page 932 to the program).
address_of() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP932 >"$scratch/tail"
    "$tool" --host "127.0.0.1:$form_port" --tail-file "$scratch/tail" 2>/dev/null |
        sed -n 's/^url_plain: //p'
}

check() {  # check WHY TAIL PRODUCTID USERNAME ORGANIZATION SERIALNO
    local why=$1 address expected actual reescaped
    address=$(address_of "$2")
    expected=$(printf 'productid: %s\nusername: %s\norganization: %s\nserialno: %s' "$3" "$4" "$5" "$6")
    reescaped=$(unreserved_decoded "$address")
    for address in "$address" "$reescaped"; do
        actual=$(browse "$address" --dump-dom | form_fields)
        if [ "$actual" != "$expected" ]; then
            echo "FAIL: $why: $address"
            diff <(echo "$expected") <(echo "$actual") | head -10
            failures=$((failures + 1))
        fi
    done
}

check "kanji, and kana with marks in a company name" \
    '/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ & Co." /S"1234-5678"' \
    "SAMPLE-2026" "山田 太郎" "株式会社サンプル & Co." "1234-5678"
check "marks that compose and those that do not; trail bytes 0x5C; query syntax" \
    '/P"表ソ能 #+&=?" /U"ｶﾞﾊﾟｳﾞﾜﾞaﾞ" /O"｡｢ﾃｽﾄ｣､･ｰ" /S"!V"' \
    "表ソ能 #+&=?" "ガパヴワ゛a゛" "。「テスト」、・ー" "!V"
check "markup in a detail shows as text" \
    "/U\"<b>&amp;'</b>\" /O<script>" \
    "(none)" "<b>&amp;'</b>" "<script>" "(none)"

# The first form as a person sees it.
rm -f "$shots/form.png"
browse "$(address_of '/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ & Co." /S"1234-5678"')" \
    --window-size=800,420 --screenshot="$shots/form.png" >/dev/null
if [ "$(head -c 8 "$shots/form.png" 2>/dev/null | od -An -tx1 | tr -d ' ')" != 89504e470d0a1a0a ]; then
    echo "FAIL: no screenshot in $shots/form.png"
    failures=$((failures + 1))
else
    echo "screenshot: $shots/form.png"
fi

[ "$failures" -eq 0 ] || { echo "$failures failures; Chromium said:"; tail -5 "$scratch/chromium.log"; exit 1; }
echo "form in Chromium: all passed"
