# What the form tests share, sourced: the reference receiver under php-cli's built-in server on
# 127.0.0.1 (start_form_server DOCROOT LOG [PHP_OPTION...] sets form_port; stop_form_server ends it), an address as
# xdg-open passes it on, and the fields of a form page as --decode prints details.
# Beside LOG the server keeps its sessions (sessions/) and writes the Referer of every request for
# a path under /probe to probe.log ("-" for none); a request with "X-Test-HTTPS: on" reaches the
# receiver as if it had come over HTTPS.
form_port= form_server_pid=

start_form_server() {  # start_form_server DOCROOT LOG [PHP_OPTION...]
    local port try dir
    dir=$(dirname "$2")
    mkdir -p "$dir/sessions"
    cat >"$dir/router.php" <<'EOF_ROUTER'
<?php
if (($_SERVER['HTTP_X_TEST_HTTPS'] ?? '') === 'on') {
    $_SERVER['HTTPS'] = 'on';
}
if (str_starts_with($_SERVER['REQUEST_URI'], '/probe')) {
    file_put_contents(__DIR__ . '/probe.log', ($_SERVER['HTTP_REFERER'] ?? '-') . "\n", FILE_APPEND);
    echo '<!DOCTYPE html><title>probe</title>';
    return true;
}
return false;
EOF_ROUTER
    for try in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 40000))
        php "${@:3}" -S "127.0.0.1:$port" -t "$1" -d error_reporting=E_ALL -d display_errors=1 \
            -d log_errors=1 -d session.save_path="$dir/sessions" "$dir/router.php" >"$2" 2>&1 &
        form_server_pid=$!
        for _ in $(seq 1 50); do
            kill -0 "$form_server_pid" 2>/dev/null || break
            if curl -s -o /dev/null "http://127.0.0.1:$port/entry/regist.php"; then
                form_port=$port
                return 0
            fi
            sleep 0.1
        done
        stop_form_server
    done
    echo "FAIL: php -S did not start on 127.0.0.1 (see $2)"
    return 1
}

stop_form_server() {
    [ -z "$form_server_pid" ] || kill "$form_server_pid" 2>/dev/null
    wait "$form_server_pid" 2>/dev/null
    form_server_pid=
}

# The receiver twice, with its logs in SCRATCH: under PHP as it is usually built (form_port) and
# under PHP with mbstring alone, as a lean host has it (lean_port). stop_form_servers ends both.
lean_port= lean_pid=
start_form_servers() {  # start_form_servers DOCROOT SCRATCH
    start_form_server "$1" "$2/lean.log" -n -d extension=mbstring || return 1
    lean_port=$form_port lean_pid=$form_server_pid form_server_pid=
    start_form_server "$1" "$2/server.log"
}

stop_form_servers() {
    stop_form_server
    [ -z "$lean_pid" ] || kill "$lean_pid" 2>/dev/null
    lean_pid=
}

# ADDRESS with every %XX of an unreserved character decoded.
unreserved_decoded() {
    php -r 'echo preg_replace_callback("/%([0-9A-Fa-f]{2})/", fn($m) =>
        preg_match("/[A-Za-z0-9._~-]/", chr(hexdec($m[1]))) ? chr(hexdec($m[1])) : $m[0], $argv[1]);' "$1"
}

# The form's fields in the page on stdin, "key: value" a line as --decode prints them: "(none)"
# for an empty field, a control character as \xNN. First any PHP message the page holds.
form_fields() {
    php -r '
        $page = stream_get_contents(STDIN);
        if (preg_match("/(Warning|Notice|Deprecated|Fatal error)/", $page, $m)) echo "PHP: $m[1]\n";
        preg_match_all("/<input name=\"(\\w+)\" value=\"([^\"]*)\"/", $page, $inputs, PREG_SET_ORDER);
        foreach ($inputs as [, $key, $value]) {
            $value = html_entity_decode($value, ENT_QUOTES | ENT_HTML5, "UTF-8");
            $value = preg_replace_callback("/[\\x00-\\x1F\\x7F\\x{80}-\\x{9F}]/u",
                fn($c) => sprintf(mb_ord($c[0], "UTF-8") < 0x80 ? "\\x%02X" : "\\u%04X", mb_ord($c[0], "UTF-8")), $value);
            echo "$key: ", $value === "" ? "(none)" : $value, "\n";
        }'
}
