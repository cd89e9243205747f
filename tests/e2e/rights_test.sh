#!/usr/bin/env bash
# End-to-end tests of whose rights regcomplete.exe starts the browser and Notepad with, under Wine
# (code page 932) and Xvfb.
# usage: rights_test.sh CASE   (REGCOMPLETE_WIN_BUILD and REGCOMPLETE_HOST set; see the cases below)
#
# Wine gives every process an elevated token, so "start-elevated" starts the program as an
# administrator's installer would; "start" gives it the limited token a standard user's installer
# has (the other e2e scripts test that way). The fakes mark each record with the program that
# started them: explorer.exe when the desktop's shell did, regcomplete.exe when the program did.
# Wine's shell opens a web address with HKEY_CLASSES_ROOT\<scheme>\shell\open\command, in place
# of its "%1". In a prefix of its own, one case at a time: the desktop's shell is the prefix's.
set -u
. "$(dirname "$0")/e2e_lib.sh"

host=$REGCOMPLETE_HOST
ssl="https://$host/entry/regist.php"
plain="http://$host/entry/regist.php"
# 山田 太郎 = 8E 52 93 63 20 91 BE 98 59, in quotes with its blank.
details='/P100 /U"山田 太郎"'
query='?productid=100&username=%8E%52%93%63%20%91%BE%98%59'

# rights_browsers: the shell's handler for each scheme is a fake browser of its own, and the
# ".htm" command a third that must never be taken when the shell opens the address.
rights_browsers() {
    e2e_stage_browser htm
    htm=$E2E_BROWSER
    e2e_stage_browser shell-https
    https=$E2E_BROWSER
    e2e_stage_browser shell-http
    http=$E2E_BROWSER
    e2e_register_browser "\"$htm\" \"%1\""
    {
        e2e_open_command https "\"$https\" \"%1\""
        e2e_open_command http "\"$http\" \"%1\""
    } | e2e_import_reg schemes "could not register the shell's browsers"
}

case_elevated() {  # everything goes through the desktop's shell; the dialog works on after it
    e2e_stage_program "ソフト 表"
    rights_browsers
    local readme="C:\\Program Files\\ソフト表\\お読み ください.txt"
    e2e_run "start-elevated \"$E2E_EXE\" $details /R\"$readme\"" wait-dialog \
        "click $SSL" "wait-log 1" "click $PLAIN" "wait-log 2" "click $README" "wait-log 3" \
        "click $SSL" "wait-log 4" "click $DONE" "wait-exit 0"
    e2e_expect_log "[from explorer.exe] \"$https\" \"$ssl$query\"" \
        "[from explorer.exe] \"$http\" \"$plain$query\"" \
        "[from explorer.exe] \"C:\\windows\\system32\\notepad.exe\" $readme" \
        "[from explorer.exe] \"$https\" \"$ssl$query\""
}

# A desktop's shell that hangs (its threads suspended, as a stuck Explorer): the press says after
# 4 s that the browser may still open; a second press meanwhile hands nothing over again and says
# the earlier one is still under way, not that nothing could start; resumed, the shell opens the
# address once, and a press after that hands over as usual.
case_hung_shell() {
    e2e_stage_program
    rights_browsers
    e2e_run "start-elevated \"$E2E_EXE\" $details" wait-dialog "shell suspend" \
        "click-async $SSL" "message-box ブラウザーの起動に時間がかかっています" \
        "click-async $SSL" "message-box 先ほどのブラウザーの起動が、まだ終わっていません" \
        "wait-log 0" "shell resume" "wait-log 1" "sleep 2000" \
        "click $SSL" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "[from explorer.exe] \"$https\" \"$ssl$query\"" \
        "[from explorer.exe] \"$https\" \"$ssl$query\""
}

case_limited() {  # a standard user's start: the program starts the browser and Notepad itself
    e2e_stage_program
    rights_browsers
    e2e_run "start \"$E2E_EXE\" $details" wait-dialog \
        "click $SSL" "wait-log 1" "click $README" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "[from regcomplete.exe] \"$htm\"  $ssl$query" \
        "[from regcomplete.exe] notepad.exe ${E2E_EXE%\\*}\\readme.txt"
}

case_hidden_station() {  # on a window station nobody sees: ends at once with 0, starts nothing
    e2e_stage_program
    rights_browsers
    e2e_run "start-hidden \"$E2E_EXE\" $details" "wait-exit 0"
    e2e_expect_log
}

# The NSIS sample that installs per machine runs as administrator and starts the program with a
# plain Exec: the browser and Notepad still come from the desktop's shell; a notepad.exe planted
# in the install folder is never started.
case_nsis_per_machine() {
    e2e_build_nsis per-machine.nsi || return
    local folder="Sample ソフト表"
    local install=$E2E_STAGE_WIN\\$folder
    mkdir -p "$E2E_STAGE/$folder"
    cp "$E2E_PLANTED/notepad.exe" "$E2E_STAGE/$folder/notepad.exe"
    rights_browsers
    e2e_run "start-elevated \"$SETUP_EXE\" /D=$install" \
        "wait-window installer #32770 サンプル製品" "press installer 1" wait-child-dialog \
        "check-owner installer" "press installer 1" "wait-parent-exit 0" \
        "click $SSL" "wait-log 1" "click $README" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "[from explorer.exe] \"$https\" \"$ssl$E2E_SAMPLE_QUERY\"" \
        "[from explorer.exe] \"C:\\windows\\system32\\notepad.exe\" $install\\readme.txt"
}

case_name=${1:?usage: rights_test.sh CASE}
declare -F "case_$case_name" >/dev/null || { echo "no case $case_name"; exit 2; }
wine_use_prefix rights
# Set before any program of the prefix runs: the desktop's shell hands its own environment down.
export REGCOMPLETE_E2E_LOG_PARENT=1
e2e_begin "$case_name"
# No desktop's shell left from an earlier case, which would hand down that case's launch log.
wineserver -k 2>/dev/null
wineserver -w
# The desktop's shell is 64-bit: its System32 is the prefix's system32, where a 32-bit program's
# is syswow64. Each gets the fake Notepad, which Wine must take in place of its own.
cp "$E2E_TEST_BIN/notepad.exe" "$WINEPREFIX/drive_c/windows/system32/notepad.exe"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;notepad.exe=n"
# The server -k ended held a program of this test; hold the new one, whose desktop's shell starts
# now with the case's launch log and the fake Notepad.
wine_hold_server || exit 1
"case_$case_name"
e2e_end
