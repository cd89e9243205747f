# shellcheck shell=bash
# Sourced by the end-to-end tests of regcomplete.exe. Each case gets a folder of its own in the
# build tree (scenario, report, launch log, screenshots) and one on the Wine prefix's C: drive
# (the staged program, a planted notepad.exe beside it, the fake browser). The fake Notepad is
# System32's. The driver runs the scenario inside a Wine virtual desktop on an Xvfb of the case's
# own, so that Wine draws the caption and the close box itself; the launch log, which the fakes
# write as UTF-8, is then compared byte for byte.
# Needs REGCOMPLETE_WIN_BUILD (the cross build directory) and REGCOMPLETE_HOST.
# shellcheck disable=SC2034  # E2E_EXE, E2E_BROWSER and the like are for the sourcing script
# The program comes from E2E_BIN, the fakes and the driver from E2E_TEST_BIN (wine_env.sh).

. "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"

E2E_BIN=$REGCOMPLETE_WIN_BUILD/bin
E2E_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)  # the sources
E2E_PLANTED=$E2E_TEST_BIN/planted  # stand-ins that must never be taken
E2E_RECORD_END='-- end of command line --'  # as the fakes write it, see launch_log.h
# The dialog's buttons and its information box, as res/resource_ids.h numbers them (完了 is IDOK),
# for click, click-async and check-focus.
SSL=1002 PLAIN=1001 README=1003 DONE=1 INFO=1000
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
    e2e_install_notepad
    trap 'xvfb_stop' EXIT
}

# e2e_install_notepad: the fake Notepad as System32's, where a 32-bit program finds it in a 64-bit
# prefix (syswow64). Moved into place whole: cases running side by side may start it meanwhile.
e2e_install_notepad() {
    local system32=$WINEPREFIX/drive_c/windows/syswow64
    cmp -s "$E2E_TEST_BIN/notepad.exe" "$system32/notepad.exe" && return
    cp "$E2E_TEST_BIN/notepad.exe" "$system32/notepad.exe.$$" && mv -f "$system32/notepad.exe.$$" "$system32/notepad.exe"
}

# e2e_stage_program [FOLDER [EXE_NAME]]: copies regcomplete.exe (the build's, or E2E_PROGRAM) as
# EXE_NAME, the planted notepad.exe and a readme.txt into FOLDER under the case's C: folder;
# E2E_EXE is its Windows path. FOLDER and EXE_NAME are UTF-8.
e2e_stage_program() {
    local folder=${1:-} name=${2:-regcomplete.exe}
    local dir=$E2E_STAGE${folder:+/$folder}
    mkdir -p "$dir"
    cp "${E2E_PROGRAM:-$E2E_BIN/regcomplete.exe}" "$dir/$name"
    cp "$E2E_PLANTED/notepad.exe" "$dir/notepad.exe"
    printf 'readme\r\n' >"$dir/readme.txt"
    E2E_EXE=$E2E_STAGE_WIN${folder:+\\${folder//\//\\}}\\$name
}

# The details the sample installers pass, and their encoded query as the program must build it:
#   /P"SAMPLE-2026" and /S"1234-5678-9012": letters, digits and '-' go as they are;
#   /U"山田 太郎": 山 8E 52, 田 93 63, the blank 20, 太 91 BE, 郎 98 59;
#   /O"株式会社ｻﾝﾌﾟﾙ": 株 8A 94, 式 8E AE, 会 89 EF, 社 8E D0, then each half-width katakana as
#       the two bytes of its JIS X 0208 code: ｻ 2535, ﾝ 2573, ﾌ 2555, ﾟ 212C, ﾙ 256B.
E2E_SAMPLE_QUERY="?productid=SAMPLE-2026"
E2E_SAMPLE_QUERY+="&username=%8E%52%93%63%20%91%BE%98%59"
E2E_SAMPLE_QUERY+="&organization=%8A%94%8E%AE%89%EF%8E%D0%25%35%25%73%25%55%21%2C%25%6B"
E2E_SAMPLE_QUERY+="&serialno=1234-5678-9012"

# e2e_build_nsis SCRIPT [MAKENSIS_OPTION...]: the NSIS sample examples/nsis/SCRIPT, built around
# the program into the case's folder, warnings being errors; SETUP_EXE is its Windows path.
e2e_build_nsis() {
    local script=$1 setup=$E2E_WORK/sample-setup.exe
    shift
    if ! command -v makensis >/dev/null; then
        e2e_fail "makensis is missing (scripts/install-deps.sh installs it)"
        return 1
    fi
    if ! makensis -V2 -WX -DREGCOMPLETE_EXE="$E2E_BIN/regcomplete.exe" -DOUTFILE="$setup" "$@" \
        "$E2E_TOP/examples/nsis/$script" >"$E2E_WORK/makensis.log" 2>&1; then
        e2e_fail "makensis failed"
        sed 's/^/  makensis: /' "$E2E_WORK/makensis.log"
        return 1
    fi
    SETUP_EXE=$(windows_path "$setup")
}

# e2e_stage_browser FOLDER: copies the fake browser there; E2E_BROWSER is its Windows path.
e2e_stage_browser() {
    mkdir -p "$E2E_STAGE/$1"
    cp "$E2E_TEST_BIN/fakebrowser.exe" "$E2E_STAGE/$1/fakebrowser.exe"
    E2E_BROWSER=$E2E_STAGE_WIN\\${1//\//\\}\\fakebrowser.exe
}

E2E_USER_CHOICE='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion'
E2E_USER_CHOICE+='\Explorer\FileExts\.htm\UserChoice'
E2E_URL_CHOICE='HKEY_CURRENT_USER\Software\Microsoft\Windows\Shell\Associations\UrlAssociations'
# What the shell starts for web addresses when a case has set no handler of its own: nothing.
E2E_NO_BROWSER='"C:\regcomplete-e2e\no-browser.exe" "%1"'

# e2e_register_browser TEMPLATE [CHOSEN_TEMPLATE]: makes TEMPLATE the open command of the type
# HKEY_CLASSES_ROOT\.htm names, and leaves the user no default for web addresses, with nothing the
# shell could start for them; with CHOSEN_TEMPLATE, the user's choice for ".htm" names a second
# type with that open command (which is a default for web addresses too); the case removes it
# again with e2e_forget_user_choice. TEMPLATE "-" leaves ".htm" without any association.
e2e_register_browser() {
    {
        printf '[-%s]\r\n\r\n' "$E2E_USER_CHOICE" "$E2E_URL_CHOICE\https\UserChoice" \
            "$E2E_URL_CHOICE\http\UserChoice"
        e2e_open_command https "$E2E_NO_BROWSER"
        e2e_open_command http "$E2E_NO_BROWSER"
        if [ "$1" = - ]; then
            printf '[-HKEY_CLASSES_ROOT\\.htm]\r\n\r\n'
        else
            printf '[HKEY_CLASSES_ROOT\\.htm]\r\n@="regcomplete.e2e.page"\r\n\r\n'
            e2e_open_command regcomplete.e2e.page "$1"
        fi
        if [ $# -ge 2 ]; then
            e2e_open_command regcomplete.e2e.chosen "$2"
            printf '[%s]\r\n"ProgId"="regcomplete.e2e.chosen"\r\n\r\n' "$E2E_USER_CHOICE"
        fi
    } | e2e_import_reg association "could not register the fake browser"
}

# e2e_web_defaults HTTPS_TEMPLATE HTTP_TEMPLATE: the user has a default for both kinds of web
# address, and the shell starts each template for its scheme (Wine's shell goes by
# HKEY_CLASSES_ROOT\<scheme>, not by the user's choice).
e2e_web_defaults() {
    {
        printf '[%s\\https\\UserChoice]\r\n"ProgId"="https"\r\n\r\n' "$E2E_URL_CHOICE"
        printf '[%s\\http\\UserChoice]\r\n"ProgId"="http"\r\n\r\n' "$E2E_URL_CHOICE"
        e2e_open_command https "$1"
        e2e_open_command http "$2"
    } | e2e_import_reg web-defaults "could not set the defaults for web addresses"
}

e2e_open_command() {  # e2e_open_command FILE_TYPE TEMPLATE: its key in a .reg file
    local escaped=${2//\\/\\\\}
    escaped=${escaped//\"/\\\"}
    printf '[HKEY_CLASSES_ROOT\\%s\\shell\\open\\command]\r\n@="%s"\r\n\r\n' "$1" "$escaped"
}

# e2e_import_reg NAME PROBLEM: imports the keys on standard input (UTF-8 here) as a UTF-16 .reg
# file, so that a path no code page spells is written whole.
e2e_import_reg() {
    local reg=$E2E_WORK/$1.reg
    {
        printf '\xff\xfe'
        { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; cat; } | iconv -f UTF-8 -t UTF-16LE
    } >"$reg"
    wine regedit /S "$(windows_path "$reg")" >/dev/null 2>&1 || e2e_fail "$2"
}

e2e_forget_user_choice() {
    printf '[-%s]\r\n' "$E2E_USER_CHOICE" | e2e_import_reg forget \
        "could not remove the user's choice for .htm"
}

# e2e_run STEP...: runs the driver on these steps (one a line, UTF-8 here, code page 932 for the
# driver but for start-unicode) in a virtual desktop on a fresh Xvfb, takes a screenshot PATH.png whenever the driver
# asks with "handshake PATH", and prints the driver's report. Fails the case unless it passed.
e2e_run() {
    local step
    for step in "$@"; do
        case $step in
            start-unicode\ *) printf '%s\n' "$step" ;;  # the driver reads it as UTF-8
            *) printf '%s\n' "$step" | iconv -f UTF-8 -t CP932 ;;
        esac || return 1
    done >"$E2E_WORK/scenario.txt" || {
        e2e_fail "the scenario is not representable in code page 932"
        return
    }
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

# e2e_expect_log COMMAND_LINE...: the launch log holds exactly these command lines (UTF-8), in
# order.
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
