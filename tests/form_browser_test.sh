#!/usr/bin/env bash
# Debian's Chromium, headless, opens the registration addresses that the program composes (the
# check tool composes them with the program's functions, at the reference receiver under php-cli's
# built-in server on 127.0.0.1) and must show each detail in its field of the pre-filled form, as
# typed, with half-width katakana in full width; the same for an address re-escaped as xdg-open
# passes it on. It keeps a screenshot of the first form in SCREENSHOT_DIR/form.png.
# Then, over the DevTools protocol (on a pipe), a Japanese customer's address: the page's
# first script and the loaded page see an address without details, the form shows every detail,
# the page is no-store and no-referrer, later requests from it (an image, a fetch, a link) carry no
# Referer, and neither Back nor the history brings the details back. In the same browser, every
# case of examples/form/cases.json that Shift_JIS alone decides reads as Chromium's
# TextDecoder("shift_jis") reads its bytes: the WHATWG decoder, which every form is to follow.
# usage: form_browser_test.sh CHECK_TOOL SOURCE_DIR SCREENSHOT_DIR
set -u
tool=$1 source=$2 shots=$3
for need in php chromium curl iconv node; do
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

# A customer's browser, driven over the DevTools protocol: what it did, a line each (as the script
# below prints them), then the Referer of each later request, as the server logged it.
cat >"$scratch/devtools.js" <<'EOF_DEVTOOLS'
// usage: node devtools.js PROFILE ADDRESS PROBE_BASE CASES_JSON
// The protocol goes over --remote-debugging-pipe (the browser reads fd 3 and writes fd 4, each
// message JSON ended by a zero byte), which any Node has: Debian 12's has no WebSocket.
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const [profile, address, probeBase, casesFile] = process.argv.slice(2);
const browser = spawn('chromium', ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
    '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`, '--remote-debugging-pipe', 'about:blank'],
    { stdio: ['ignore', 'ignore', 'inherit', 'pipe', 'pipe'] });
const timer = setTimeout(() => { console.log('timed out'); browser.kill(); process.exit(1); }, 60000);

function connect() {
    const [toBrowser, fromBrowser] = [browser.stdio[3], browser.stdio[4]];
    const pending = new Map(), listeners = [];
    let id = 0, received = '';
    fromBrowser.setEncoding('utf8');
    fromBrowser.on('data', (chunk) => {
        received += chunk;
        for (let end; (end = received.indexOf('\0')) >= 0; received = received.slice(end + 1))
            dispatch(JSON.parse(received.slice(0, end)));
    });
    const dispatch = (data) => {
        if (pending.has(data.id)) {
            const { resolve, reject } = pending.get(data.id);
            pending.delete(data.id);
            data.error ? reject(new Error(JSON.stringify(data.error))) : resolve(data.result);
        } else {
            for (const listener of listeners) listener(data);
        }
    };
    const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
        pending.set(++id, { resolve, reject });
        toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    });
    const next = (method) => new Promise((resolve) => {
        const listener = (data) => {
            if (data.method !== method) return;
            listeners.splice(listeners.indexOf(listener), 1);
            resolve(data.params);
        };
        listeners.push(listener);
    });
    return { send, next, listeners };
}

async function main() {
    const cdp = connect();
    const { targetId } = await cdp.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await cdp.send('Target.attachToTarget', { targetId, flatten: true });
    const send = (method, params) => cdp.send(method, params, sessionId);
    const evaluate = async (expression) =>
        (await send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true })).result.value;
    const documents = [];
    cdp.listeners.push((data) => {
        if (data.method === 'Network.responseReceived' && data.params.type === 'Document')
            documents.push(data.params.response);
    });
    await send('Network.enable');
    await send('Page.enable');
    // What the first script of the page, an analytics tag, say, sees.
    await send('Page.addScriptToEvaluateOnNewDocument', { source: 'window.firstSeen = location.href;' });
    let loaded = cdp.next('Page.loadEventFired');
    await send('Page.navigate', { url: address });
    await loaded;
    const lines = [];
    lines.push(`first script sees: ${await evaluate('firstSeen')}`);
    lines.push(`address once loaded: ${await evaluate('location.href')}`);
    lines.push(...await evaluate('[...document.querySelectorAll("input")].map((i) => `${i.name}: ${i.value}`)'));
    const form = documents[documents.length - 1];
    const header = (name) => Object.entries(form.headers).find(([key]) => key.toLowerCase() === name)?.[1];
    lines.push(`cache-control: ${header('cache-control')}`);
    lines.push(`referrer-policy: ${header('referrer-policy')}`);
    lines.push(`meta referrer: ${await evaluate('document.querySelector("meta[name=referrer]")?.content')}`);
    // Later requests from the page: an image, a fetch, a link followed; the server logs their Referer.
    await evaluate(`new Promise((done) => { const image = new Image(); image.onload = image.onerror = done;
        image.src = '${probeBase}/image'; }).then(() => fetch('${probeBase}/fetch')).then(() => 1)`);
    loaded = cdp.next('Page.loadEventFired');
    await evaluate(`const link = document.createElement('a'); link.href = '${probeBase}/link';
        document.body.append(link); link.click(); 1`);
    await loaded;
    const history = await send('Page.getNavigationHistory');
    await send('Page.navigateToHistoryEntry', { entryId: history.entries[history.currentIndex - 1].id });
    let back = '';
    for (let tries = 0; tries < 100 && !/regist/.test(back); tries++) {
        await new Promise((done) => setTimeout(done, 100));
        back = await evaluate('location.href').catch(() => '');
    }
    lines.push(`address after Back: ${back}`);
    const entries = (await send('Page.getNavigationHistory')).entries.map((entry) => entry.url);
    lines.push(`history: ${entries.join(' ')}`);

    // The cases whose values Shift_JIS alone decides: no byte that the kana rules read (0x21, 0x25,
    // 0xA1-0xDF) after percent-decoding.
    const cases = JSON.parse(fs.readFileSync(casesFile, 'utf8'));
    let checked = 0;
    for (const detail of cases.flatMap((c) => ['productid', 'username', 'organization', 'serialno']
        .filter((key) => c[key] !== null).map((key) => ({ why: c.why, key, query: c.query, expected: c[key] })))) {
        let raw = '';
        for (const pair of detail.query.split('&'))
            if (pair.startsWith(`${detail.key}=`)) raw = pair.slice(detail.key.length + 1);
        const bytes = [];
        for (let i = 0; i < raw.length; i++) {
            if (raw[i] === '%' && /^[0-9A-Fa-f]{2}$/.test(raw.substr(i + 1, 2))) {
                bytes.push(parseInt(raw.substr(i + 1, 2), 16));
                i += 2;
            } else {
                bytes.push(raw[i] === '+' ? 0x20 : raw.charCodeAt(i));
            }
        }
        const kept = bytes.filter((byte) => byte !== 0);
        if (kept.some((byte) => byte === 0x21 || byte === 0x25 || (byte >= 0xA1 && byte <= 0xDF))) continue;
        checked++;
        const read = await evaluate(`new TextDecoder('shift_jis').decode(new Uint8Array(${JSON.stringify(kept)}))`);
        if (read !== detail.expected)
            lines.push(`case ${detail.why}: ${detail.key}: TextDecoder reads ${JSON.stringify(read)}, not ${JSON.stringify(detail.expected)}`);
    }
    lines.push(`cases checked against TextDecoder: ${checked}`);
    console.log(lines.join('\n'));
}

main().catch((error) => console.log(`DevTools: ${error.message}`)).finally(() => {
    clearTimeout(timer);
    browser.kill();
});
EOF_DEVTOOLS
rm -rf "$scratch/profile"
: >"$scratch/probe.log"
form="http://127.0.0.1:$form_port/entry/regist.php"
actual=$(node "$scratch/devtools.js" "$scratch/profile" \
    "$(address_of '/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ & Co." /S"1234-5678"')" \
    "http://127.0.0.1:$form_port/probe" "$source/examples/form/cases.json" 2>>"$scratch/chromium.log"
    sed 's/^/referer: /' "$scratch/probe.log")
expected="first script sees: $form
address once loaded: $form
productid: SAMPLE-2026
username: 山田 太郎
organization: 株式会社サンプル & Co.
serialno: 1234-5678
cache-control: no-store
referrer-policy: no-referrer
meta referrer: no-referrer
address after Back: $form
history: about:blank $form http://127.0.0.1:$form_port/probe/link
referer: -
referer: -
referer: -"
if [ "$(grep -v '^cases checked' <<<"$actual")" != "$expected" ]; then
    echo "FAIL: the customer's browser"
    diff <(echo "$expected") <(grep -v '^cases checked' <<<"$actual")
    failures=$((failures + 1))
fi
checked=$(sed -n 's/^cases checked against TextDecoder: //p' <<<"$actual")
[ "${checked:-0}" -ge 60 ] || { echo "FAIL: only ${checked:-no} cases checked against TextDecoder"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || { echo "$failures failures; Chromium said:"; tail -5 "$scratch/chromium.log"; exit 1; }
echo "form in Chromium: all passed"
