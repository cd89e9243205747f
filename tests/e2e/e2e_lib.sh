# shellcheck shell=bash
# Sourced by the end-to-end tests of regcomplete.exe. Each case gets a folder of its own in the
# build tree (scenario, report, launch log, screenshots) and one on the Wine prefix's C: drive
# (the staged program, the fake Notepad beside it, the fake browser). The driver runs the
# scenario inside a Wine virtual desktop on an Xvfb of the case's own, so that Wine draws the
# caption and the close box itself; the launch log is then compared byte for byte.
# Needs REGCOMPLETE_WIN_BUILD (the cross build directory) and REGCOMPLETE_HOST.
# shellcheck disable=SC2034  # E2E_EXE, E2E_BROWSER and the like are for the sourcing script
# The program comes from E2E_BIN, the fakes and the driver from E2E_TEST_BIN (wine_env.sh).

. "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"

E2E_BIN=$REGCOMPLETE_WIN_BUILD/bin
E2E_RECORD_END='-- end of command line --'  # as the fakes write it, see launch_log.h
e2e_failures=0

e2e_fail() {
    echo "FAIL: $*"
    e2e_failures=$((e2e_failures + 1))
}

# e2e_begin CASE: fresh folders for the case and the launch log's name for the fakes.
e2e_begin() {
    E2E_CASE=$1
    E2E_WORK=$REGCOMPLETE_WIN_BUILD/e2e/$E2E_CASE
    rm -rf "$E2E_WORK"
    mkdir -p "$E2E_WORK"
    wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }
    E2E_STAGE=$WINEPREFIX/drive_c/e2e/$E2E_CASE
    E2E_STAGE_WIN="C:\\e2e\\$E2E_CASE"
    rm -rf "$E2E_STAGE"
    mkdir -p "$E2E_STAGE"
    export REGCOMPLETE_E2E_LOG
    REGCOMPLETE_E2E_LOG="$(windows_path "$E2E_WORK")\\launch.log"
    trap 'xvfb_stop' EXIT
}

# e2e_stage_program [FOLDER [EXE_NAME]]: copies regcomplete.exe (as EXE_NAME), the fake
# notepad.exe and a readme.txt into FOLDER under the case's C: folder; E2E_EXE is its Windows
# path. FOLDER and EXE_NAME are UTF-8; Wine shows them to the program in code page 932.
e2e_stage_program() {
    local folder=${1:-} name=${2:-regcomplete.exe}
    local dir=$E2E_STAGE${folder:+/$folder}
    mkdir -p "$dir"
    cp "$E2E_BIN/regcomplete.exe" "$dir/$name"
    cp "$E2E_TEST_BIN/notepad.exe" "$dir/notepad.exe"
    printf 'readme\r\n' >"$dir/readme.txt"
    E2E_EXE=$E2E_STAGE_WIN${folder:+\\${folder//\//\\}}\\$name
}

# e2e_stage_browser FOLDER: copies the fake browser there; E2E_BROWSER is its Windows path.
e2e_stage_browser() {
    mkdir -p "$E2E_STAGE/$1"
    cp "$E2E_TEST_BIN/fakebrowser.exe" "$E2E_STAGE/$1/fakebrowser.exe"
    E2E_BROWSER=$E2E_STAGE_WIN\\${1//\//\\}\\fakebrowser.exe
}

E2E_USER_CHOICE='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion'
E2E_USER_CHOICE+='\Explorer\FileExts\.htm\UserChoice'

# e2e_register_browser TEMPLATE [CHOSEN_TEMPLATE]: makes TEMPLATE the open command of the type
# HKEY_CLASSES_ROOT\.htm names and removes the user's choice for ".htm"; with CHOSEN_TEMPLATE, the
# user's choice names a second type with that open command; the case removes it again with
# e2e_forget_user_choice.
e2e_register_browser() {
    local reg=$E2E_WORK/association.reg
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n' "$E2E_USER_CHOICE" >"$reg"
    printf '[HKEY_CLASSES_ROOT\\.htm]\r\n@="regcomplete.e2e.page"\r\n\r\n' >>"$reg"
    e2e_open_command regcomplete.e2e.page "$1" >>"$reg"
    if [ $# -ge 2 ]; then
        e2e_open_command regcomplete.e2e.chosen "$2" >>"$reg"
        printf '[%s]\r\n"ProgId"="regcomplete.e2e.chosen"\r\n' "$E2E_USER_CHOICE" >>"$reg"
    fi
    wine regedit /S "$(windows_path "$reg")" >/dev/null 2>&1 ||
        e2e_fail "could not register the fake browser"
}

e2e_open_command() {  # e2e_open_command FILE_TYPE TEMPLATE: its key in a .reg file
    local escaped=${2//\\/\\\\}
    escaped=${escaped//\"/\\\"}
    printf '[HKEY_CLASSES_ROOT\\%s\\shell\\open\\command]\r\n@="%s"\r\n\r\n' "$1" "$escaped"
}

e2e_forget_user_choice() {
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n' "$E2E_USER_CHOICE" >"$E2E_WORK/forget.reg"
    wine regedit /S "$(windows_path "$E2E_WORK/forget.reg")" >/dev/null 2>&1 ||
        e2e_fail "could not remove the user's choice for .htm"
}

# e2e_run STEP...: runs the driver on these steps (one a line, UTF-8 here, code page 932 for the
# driver) in a virtual desktop on a fresh Xvfb, takes a screenshot PATH.png whenever the driver
# asks with "handshake PATH", and prints the driver's report. Fails the case unless it passed.
e2e_run() {
    if ! printf '%s\n' "$@" | iconv -f UTF-8 -t CP932 >"$E2E_WORK/scenario.txt"; then
        e2e_fail "the scenario is not representable in code page 932"
        return
    fi
    e2e_play
}

# e2e_play: as e2e_run, on the steps already in $E2E_WORK/scenario.txt, bytes as the driver reads
# them (for command lines that no UTF-8 text gives, such as one ending in a lone lead byte). When
# the case sets E2E_HANDSHAKE, "handshake PATH" runs that command on PATH instead of the
# screenshot, while the driver waits.
e2e_play() {
    local scenario=$E2E_WORK/scenario.txt report=$E2E_WORK/report.txt
    rm -f "$report"
    xvfb_start || { e2e_fail "no X server"; return; }
    wine explorer "/desktop=e2e-$E2E_CASE,1024x768" "$(windows_path "$E2E_TEST_BIN/driver.exe")" \
        "$(windows_path "$scenario")" "$(windows_path "$E2E_WORK")\\report.txt" \
        >"$E2E_WORK/wine.log" 2>&1 &
    local wine_pid=$! ready
    while kill -0 "$wine_pid" 2>/dev/null; do
        for ready in "$E2E_WORK"/*.ready; do
            [ -e "$ready" ] || continue
            if [ -n "${E2E_HANDSHAKE:-}" ]; then
                "$E2E_HANDSHAKE" "${ready%.ready}"
            else
                x_screenshot "${ready%.ready}.png" || e2e_fail "no screenshot ${ready%.ready}.png"
            fi
            rm -f "$ready"
            touch "${ready%.ready}.done"
        done
        sleep 0.2
    done
    wait "$wine_pid"
    xvfb_stop
    if [ ! -f "$report" ]; then
        e2e_fail "the driver wrote no report"
        sed 's/^/  wine: /' "$E2E_WORK/wine.log" | tail -20
        return
    fi
    sed 's/^/  driver: /' "$report"
    [ "$(tail -n 1 "$report")" = PASS ] || e2e_fail "the driver found faults (see above)"
}

# e2e_expect_log COMMAND_LINE...: the launch log holds exactly these command lines, in order.
e2e_expect_log() {
    local expected=$E2E_WORK/expected.log actual=$E2E_WORK/launch.log line
    : >"$expected"
    for line in "$@"; do printf '%s\n%s\n' "$line" "$E2E_RECORD_END" >>"$expected"; done
    [ -f "$actual" ] || : >"$actual"
    if ! cmp -s "$expected" "$actual"; then
        e2e_fail "the launched command lines differ (expected, then actual; cat -v)"
        cat -v "$expected" | sed 's/^/  expected: /'
        cat -v "$actual" | sed 's/^/  actual:   /'
    fi
}

e2e_end() {
    echo "$E2E_CASE: $e2e_failures failed"
    [ "$e2e_failures" -eq 0 ]
}
