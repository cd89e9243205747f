<?php
// The registration form at /entry/regist.php, a reference receiver for what regcomplete sends:
// it reads the details from the raw query, decodes them exactly as `regcomplete-check --decode`
// does (docs/receiving.md has the rules) and shows the form pre-filled in UTF-8. A press of its
// button posts the form back here, and the page shows what it received. Storing it is the
// vendor's to add, where the comment near the end says.
//
// The details are Shift_JIS, each half-width katakana sent as the two bytes of its full-width
// form's JIS X 0208 code. They are read from the raw query, not from $_GET: a katakana and a typed
// "!" differ only in whether the "!" came escaped, and PHP's own reading loses that.
//
// The details leave the address as soon as the page has them: a request that carries them in its
// query keeps them in a session of their own (a new ID, a cookie for this path alone) and is sent
// on with 303 See Other to the same path without the query, so that no script of the page, no
// history entry and no Referer ever holds them. The page shown next takes them out of the session
// and ends it. Every response says no-store and no-referrer.
//
// PHP 8 with mbstring, and no other extension. Bad input gives the page with whatever could be
// read, never a warning.
declare(strict_types=1);

const DETAILS = [
    'productid' => '製品ID',
    'username' => 'お名前',
    'organization' => '会社名',
    'serialno' => 'シリアル番号',
];

// The half-width katakana byte of code page 932 for the JIS X 0208 code of its full-width form,
// from mbstring's own tables.
function half_width_kana_by_jis_code(): array
{
    static $kana = null;
    if ($kana === null) {
        $kana = [];
        for ($byte = 0xA1; $byte <= 0xDF; $byte++) {
            $half = mb_convert_encoding(chr($byte), 'UTF-8', 'CP932');
            $euc = mb_convert_encoding(mb_convert_kana($half, 'K', 'UTF-8'), 'EUC-JP', 'UTF-8');
            $kana[(ord($euc[0]) & 0x7F) << 8 | (ord($euc[1]) & 0x7F)] = $byte;
        }
    }
    return $kana;
}

// The raw value of `$key` in the raw query, the last when it comes twice; null when absent.
function raw_value(string $query, string $key): ?string
{
    $found = null;
    foreach (explode('&', explode('#', $query)[0]) as $pair) {
        if (strlen($pair) > strlen($key) && strncmp($pair, "$key=", strlen($key) + 1) === 0) {
            $found = substr($pair, strlen($key) + 1);
        }
    }
    return $found;
}

// The value's bytes after percent-decoding, each with whether it came as "%XX". A bare "+" is a
// blank, a "%" without two hexadecimal digits stands for itself, a zero byte is dropped.
function decoded_units(string $raw): array
{
    $units = [];
    $length = strlen($raw);
    for ($i = 0; $i < $length; $i++) {
        $escape = substr($raw, $i + 1, 2);
        if ($raw[$i] === '%' && strspn($escape, '0123456789ABCDEFabcdef') === 2) {
            $units[] = [hexdec($escape), true];
            $i += 2;
        } else {
            $units[] = [$raw[$i] === '+' ? 0x20 : ord($raw[$i]), false];
        }
    }
    return array_values(array_filter($units, fn(array $unit): bool => $unit[0] !== 0));
}

function is_lead_byte(int $byte): bool
{
    return ($byte >= 0x81 && $byte <= 0x9F) || ($byte >= 0xE0 && $byte <= 0xFC);
}

function is_trail_byte(int $byte): bool
{
    return $byte >= 0x40 && $byte <= 0xFC && $byte !== 0x7F;
}

// Shift_JIS characters as UTF-8.
function shift_jis_to_utf8(string $text): string
{
    return mb_convert_encoding($text, 'UTF-8', 'CP932');
}

// One detail as typed, in UTF-8, with its half-width katakana in full width. What is no katakana
// reads as a browser reads Shift_JIS (the WHATWG Encoding Standard's decoder): what is no
// character is U+FFFD, and an ASCII byte after a lead byte that makes no character with it is
// read again on its own.
function decode_value(string $raw): string
{
    $kana = half_width_kana_by_jis_code();
    $units = decoded_units($raw);
    $typed = '';  // UTF-8, with half-width katakana as typed
    for ($i = 0, $count = count($units); $i < $count; $i++) {
        [$byte, $escaped] = $units[$i];
        $next = $units[$i + 1][0] ?? null;
        if ($byte >= 0xA1 && $byte <= 0xDF) {
            $typed .= shift_jis_to_utf8(chr($byte));
        } elseif ($escaped && $next !== null && isset($kana[$byte << 8 | $next])) {
            // A "!" or "%" that came bare was typed: a katakana's code comes escaped.
            $typed .= shift_jis_to_utf8(chr($kana[$byte << 8 | $next]));
            $i++;
        } elseif ($byte <= 0x80) {
            $typed .= $byte < 0x80 ? chr($byte) : "\u{80}";
        } elseif (!is_lead_byte($byte) || $next === null) {
            $typed .= "\u{FFFD}";  // 0xA0, 0xFD to 0xFF, a lead byte at the end
        } else {
            // mbstring's code page 932 has a character for the very pairs a browser has one for.
            $pair = chr($byte) . chr($next);
            $character = is_trail_byte($next) && mb_check_encoding($pair, 'CP932');
            $typed .= $character ? shift_jis_to_utf8($pair) : "\u{FFFD}";
            if ($character || $next >= 0x80) {
                $i++;
            }
        }
    }
    // Full width, and a voiced or semi-voiced mark composed with the half-width katakana before
    // it where a composed character exists.
    return mb_convert_kana($typed, 'KV', 'UTF-8');
}

function shown(string $text): string
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
}

// The session that carries the details across the redirect: its own cookie, sent back to this
// path alone, never to a script (HttpOnly) nor by another site's links or forms (SameSite=Lax,
// which still sends it on the top-level GET of the redirect).
const SESSION_NAME = 'regist_details';
// Seconds the details wait for the page that shows them; the browser follows the redirect at once.
const DETAILS_LIFETIME = 60;

function start_details_session(string $path): void
{
    $https = !in_array(strtolower((string)($_SERVER['HTTPS'] ?? '')), ['', 'off'], true);
    session_name(SESSION_NAME);
    session_set_cookie_params([
        'lifetime' => 0, 'path' => $path, 'secure' => $https, 'httponly' => true, 'samesite' => 'Lax',
    ]);
    // No ID from the address, none the server did not make, and no cache headers of PHP's own.
    session_start([
        'use_strict_mode' => true, 'use_only_cookies' => true, 'use_trans_sid' => false,
        'cache_limiter' => '', 'gc_maxlifetime' => DETAILS_LIFETIME,
    ]);
}

// The details this session carried, if they are fresh, and the session ended with its cookie.
function take_details_from_session(string $path): array
{
    start_details_session($path);
    $kept = $_SESSION['details'] ?? null;
    $fresh = is_array($kept) && time() - (int)($_SESSION['stored'] ?? 0) <= DETAILS_LIFETIME;
    $_SESSION = [];
    session_destroy();
    $cookie = session_get_cookie_params();
    unset($cookie['lifetime']);
    setcookie(SESSION_NAME, '', ['expires' => 1] + $cookie);
    return $fresh ? $kept : [];
}

$posted = ($_SERVER['REQUEST_METHOD'] ?? 'GET') === 'POST';
// This page's own path, as the browser asks for it: a folder with a blank or Japanese in its name is
// percent-encoded, so that the redirect leads there and the cookie's path matches it.
$path = implode('/', array_map('rawurlencode', explode('/', (string)($_SERVER['SCRIPT_NAME'] ?? ''))));
header('Cache-Control: no-store');
header('Referrer-Policy: no-referrer');

// A cookie that cannot be a session ID is no session: PHP may warn about it.
$cookie = $_COOKIE[SESSION_NAME] ?? null;
if (!is_string($cookie) || preg_match('/^[A-Za-z0-9,-]{1,256}$/D', $cookie) !== 1) {
    unset($_COOKIE[SESSION_NAME]);
}

$query = (string)($_SERVER['QUERY_STRING'] ?? '');
$values = array_fill_keys(array_keys(DETAILS), '');
$carried = false;
foreach (DETAILS as $key => $label) {
    $raw = $posted ? null : raw_value($query, $key);
    if ($raw !== null) {
        $values[$key] = decode_value($raw);
        $carried = true;
    }
}
if ($carried) {
    // A fresh ID for every address: no one who knew an earlier ID can read these details.
    start_details_session($path);
    session_regenerate_id(true);
    $_SESSION = ['details' => $values, 'stored' => time()];
    session_write_close();
    header("Location: $path", true, 303);
    exit;
}
if (isset($_COOKIE[SESSION_NAME])) {
    $values = array_replace($values, array_intersect_key(take_details_from_session($path), $values));
}
if ($posted) {
    foreach (DETAILS as $key => $label) {
        // Our own form posts UTF-8; anything else (an array, nothing) is no value.
        $value = $_POST[$key] ?? '';
        $values[$key] = is_string($value) ? $value : '';
    }
}
// A posted form is the vendor's to store here, from $values.

header('Content-Type: text/html; charset=utf-8');
?>
<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="referrer" content="no-referrer">
<title>ユーザー登録</title>
</head>
<body>
<h1>ユーザー登録</h1>
<?php if ($posted): ?>
<p>次の内容を受け付けました。</p>
<dl id="received">
<?php foreach (DETAILS as $key => $label): ?>
<dt><?= shown($label) ?></dt><dd id="received-<?= $key ?>"><?= shown($values[$key]) ?></dd>
<?php endforeach; ?>
</dl>
<?php endif; ?>
<form method="post" action="<?= shown((string)($_SERVER['SCRIPT_NAME'] ?? '')) ?>">
<?php foreach (DETAILS as $key => $label): ?>
<p><label><?= shown($label) ?> <input name="<?= $key ?>" value="<?= shown($values[$key]) ?>" size="40"></label></p>
<?php endforeach; ?>
<p><button type="submit">登録する</button></p>
</form>
</body>
</html>
