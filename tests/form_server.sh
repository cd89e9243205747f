# The reference receiver under php-cli's built-in server on 127.0.0.1, for the form tests: sourced.
# start_form_server DOCROOT LOG sets form_port and form_server_pid; stop_form_server ends it.
form_port= form_server_pid=

start_form_server() {  # start_form_server DOCROOT LOG
    local port try
    for try in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 40000))
        php -S "127.0.0.1:$port" -t "$1" -d error_reporting=E_ALL -d display_errors=1 \
            -d log_errors=1 >"$2" 2>&1 &
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
