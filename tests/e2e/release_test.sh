#!/usr/bin/env bash
# The release for every vendor under Wine (code page 932) and Xvfb, before and after its stamp.
# usage: release_test.sh CASE   (REGCOMPLETE_WIN_BUILD set; tests/stamp_test.sh has built the
# unstamped program and stamped it with the vendor's host)
#   unstamped  no registration host: each registration button only says so, nothing is started,
#              and the dialog works on; README still opens
#   stamped    the vendor's host stamped in: the registration button opens the vendor's address
set -u
. "$(dirname "$0")/e2e_lib.sh"

vendor_ssl="https://regist.vendor-example.jp/entry/regist.php"
no_address="このプログラムには、ユーザー登録のアドレスが設定されていません。"

case_unstamped() {
    E2E_PROGRAM=$REGCOMPLETE_WIN_BUILD/unstamped/bin/regcomplete.exe
    e2e_stage_program
    e2e_stage_browser browser
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    e2e_run "start \"$E2E_EXE\" /Pabc /Uxyz" wait-dialog \
        "click-async $SSL" "message-box $no_address" "click-async $PLAIN" "message-box $no_address" \
        "click $README" "wait-log 1" "click $DONE" "wait-exit 0"
    e2e_expect_log "notepad.exe ${E2E_EXE%\\*}\\readme.txt"
}

case_stamped() {
    E2E_PROGRAM=$REGCOMPLETE_WIN_BUILD/stamped/regcomplete.exe
    e2e_stage_program
    e2e_stage_browser browser
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    e2e_run "start \"$E2E_EXE\" /Pabc /Uxyz" wait-dialog "click $SSL" "wait-log 1" "click $DONE" \
        "wait-exit 0"
    e2e_expect_log "\"$E2E_BROWSER\"  $vendor_ssl?productid=abc&username=xyz"
}

case_name=${1:?usage: release_test.sh CASE}
declare -F "case_$case_name" >/dev/null || { echo "no case $case_name"; exit 2; }
e2e_begin "$case_name"
"case_$case_name"
e2e_end
