#!/usr/bin/env bash
# The sample installers, built with their real compilers and run under Wine (code page 932) and
# Xvfb, ship regcomplete.exe and start it as their last step.
# usage: installer_test.sh CASE   (REGCOMPLETE_WIN_BUILD and REGCOMPLETE_HOST set)
#   nsis_installer  NSIS (examples/nsis/sample.nsi, makensis), started from the install section:
#                   the dialog is owned by the installer's window while that window lives, and
#                   stays open and usable once the installer has ended
#   nsis_closed_first NSIS built with -DSTART_AFTER_CLOSE: started once the installer's window is
#                   gone, with that window's old handle in /W; the dialog appears without an owner
#   nsis_silent     the NSIS sample with /S: installed, the program not started
#   inno_ticked     Inno Setup (examples/inno/sample.iss, ISCC.exe from tools/innosetup): the
#                   details typed on the user-information page, a name with double quotes among
#                   them, the box on the last page ticked: the name arrives without its quotes,
#                   the other details whole
#   inno_unticked   the same with the box unticked: the program is not started
#   inno_silent     the Inno Setup sample with /VERYSILENT and no serial number: installed, the
#                   program not started
#   msi_installed   Windows Installer (examples/wix/sample.wxs, wixl, Wine's msiexec /i with the
#                   details as properties): started once the files are in place, the dialog
#                   without an owner and working once msiexec has ended; a second /i of the
#                   installed package starts nothing, and /x removes the files
#   msi_quiet       the same package with /qn: installed, the program not started
#
# The driver starts the installer with the folder the user would pick (NSIS /D=, Inno Setup
# /DIR=; the Windows Installer package keeps its own, in the user's local application data),
# presses its buttons and takes over the dialog of the regcomplete.exe the installer started.
# Notepad is System32's (the fake one); a notepad.exe planted in the install folder, the
# program's own, before the installer runs or once it has made the folder, must never be started.
set -u
. "$(dirname "$0")/e2e_lib.sh"

top=$(cd "$(dirname "$0")/../.." && pwd)
host=$REGCOMPLETE_HOST

ssl="https://$host/entry/regist.php$E2E_SAMPLE_QUERY"

# The install folder holds a blank and characters whose trail byte is 0x5C (ソ 83 5C, 表 95 5C),
# as a Japanese user's own choice may: the installer must quote it, Notepad gets it unchanged.
install_folder="Sample ソフト表"


# stage_install_folder: the install folder with the planted Notepad in it; INSTALL_DIR is the
# Unix path, INSTALL_WIN the Windows one (UTF-8 here).
stage_install_folder() {
    INSTALL_DIR=$E2E_STAGE/$install_folder
    INSTALL_WIN=$E2E_STAGE_WIN\\$install_folder
    mkdir -p "$INSTALL_DIR"
    cp "$E2E_PLANTED/notepad.exe" "$INSTALL_DIR/notepad.exe"
}

# The command line the sample's Exec gives regcomplete.exe, {installer} being its window handle.
regcomplete_command_line() {
    printf '"%s\\regcomplete.exe" /W{installer} /R"%s\\readme.txt" %s' "$INSTALL_WIN" \
        "$INSTALL_WIN" '/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ" /S"1234-5678-9012"'
}

# expect_installed_files [EXAMPLE]: the installer copied the program and the readme of
# examples/EXAMPLE (nsis unless given) unchanged.
expect_installed_files() {
    cmp -s "$E2E_BIN/regcomplete.exe" "$INSTALL_DIR/regcomplete.exe" ||
        e2e_fail "the installed regcomplete.exe is not the built one"
    cmp -s "$top/examples/${1:-nsis}/readme.txt" "$INSTALL_DIR/readme.txt" ||
        e2e_fail "the installed readme.txt is not the sample's"
}

case_nsis_installer() {
    e2e_build_nsis sample.nsi || return
    stage_install_folder
    e2e_stage_browser "Fake Browser"
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    e2e_run "start \"$SETUP_EXE\" /D=$INSTALL_WIN" \
        "wait-window installer #32770 サンプル製品" "press installer 1" \
        wait-child-dialog "check-command-line $(regcomplete_command_line)" \
        "check-alive installer" "check-owner installer" check-centred \
        "press installer 1" "wait-parent-exit 0" "check-gone installer" \
        "click $SSL" "wait-log 1" "click $README" "wait-log 2" "click $DONE" "wait-exit 0"
    # The browser template's quoted "%1" is cut with its opening quote: two blanks remain.
    e2e_expect_log "\"$E2E_BROWSER\"  $ssl" "notepad.exe $INSTALL_WIN\\readme.txt"
    expect_installed_files
}

case_nsis_closed_first() {
    e2e_build_nsis sample.nsi -DSTART_AFTER_CLOSE || return
    stage_install_folder
    e2e_run "start \"$SETUP_EXE\" /D=$INSTALL_WIN" \
        "wait-window installer #32770 サンプル製品" "press installer 1" "press installer 1" \
        wait-child-dialog "check-command-line $(regcomplete_command_line)" \
        "check-gone installer" "check-owner none" check-centred \
        "click $DONE" "wait-exit 0" "wait-exit 0"
    e2e_expect_log  # nothing launched
    expect_installed_files
}

# A silent install has nobody to answer the dialog: the program is not started. It is named by
# its full path: other cases run programs of the same name in the prefix meanwhile.
case_nsis_silent() {
    e2e_build_nsis sample.nsi || return
    stage_install_folder
    e2e_run "start \"$SETUP_EXE\" /S /D=$INSTALL_WIN" "wait-exit 0" \
        "check-no-process $INSTALL_WIN\\regcomplete.exe"
    e2e_expect_log  # nothing launched
    expect_installed_files
}

# build_inno_installer: the Inno Setup sample, compiled by ISCC.exe under Wine into the case's
# folder; a warning fails the case. SETUP_EXE is its Windows path.
build_inno_installer() {
    local iscc=$top/tools/innosetup/node_modules/innosetup/bin/ISCC.exe
    if [ ! -f "$iscc" ]; then
        e2e_fail "ISCC.exe is missing (scripts/install-deps.sh installs it with npm)"
        return 1
    fi
    if ! wine "$(windows_path "$iscc")" "/DRegcompleteExe=$(windows_path "$E2E_BIN/regcomplete.exe")" \
        "/O$(windows_path "$E2E_WORK")" "$(windows_path "$top/examples/inno/sample.iss")" \
        >"$E2E_WORK/iscc.log" 2>&1 || grep -qi '^warning' "$E2E_WORK/iscc.log"; then
        e2e_fail "ISCC.exe failed or warned"
        sed 's/^/  iscc: /' "$E2E_WORK/iscc.log"
        return 1
    fi
    SETUP_EXE=$(windows_path "$E2E_WORK/sample-inno-setup.exe")
    # An earlier install of the sample would make Setup skip the folder page and refill the user's
    # details: the cases share the prefix, and take turns through a CTest lock.
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\RegcompleteSample_is1' \
        /f >/dev/null 2>&1 || true
}

# Inno Setup warns about an install folder that exists already, so the fake Notepad goes into
# it only once the installer has made it, at the scenario's handshake. INNO_TO_LAST_PAGE are the
# steps from the start to the wizard's last page (its window is of class TWizardForm, in the
# setup.tmp its loader starts): the details typed on the user-information page (name,
# organization, serial number from the top), Next there and on the folder page, then Install.
# The name is typed with double quotes, as a user may: the sample removes them, and the program
# gets the name of the other samples; a quote left in would end /U early and shift what follows.
prepare_inno() {
    build_inno_installer || return
    INSTALL_DIR=$E2E_STAGE/$install_folder
    INSTALL_WIN=$E2E_STAGE_WIN\\$install_folder
    E2E_HANDSHAKE=copy_notepad
    INNO_TO_LAST_PAGE=("start \"$SETUP_EXE\" /DIR=\"$INSTALL_WIN\""
        "wait-window installer TWizardForm サンプル製品"
        "type installer 1 \"山田\" 太郎\"" "type installer 2 株式会社ｻﾝﾌﾟﾙ" "type installer 3 1234-5678-9012"
        "press-text installer 次へ(&N)" "press-text installer 次へ(&N)"
        "press-text installer インストール(&I)")
}
copy_notepad() { cp "$E2E_PLANTED/notepad.exe" "$INSTALL_DIR/notepad.exe"; }

# Setup starts the program and closes its wizard at once; the program looks at /W when it has
# started, and so finds the wizard still there or already gone. Either way the dialog must stay
# and work once Setup has ended.
case_inno_ticked() {
    prepare_inno || return
    e2e_stage_browser "Fake Browser"
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    e2e_run "${INNO_TO_LAST_PAGE[@]}" "press-text installer 完了(&F)" \
        wait-child-dialog "check-command-line $(regcomplete_command_line)" \
        "check-owner-or-none installer" "wait-parent-exit 0" "check-gone installer" check-centred \
        "handshake $(windows_path "$E2E_WORK")\\notepad" \
        "click $SSL" "wait-log 1" "click $README" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "\"$E2E_BROWSER\"  $ssl" "notepad.exe $INSTALL_WIN\\readme.txt"
    expect_installed_files inno
}

# The box on the last page unticked (a click on the first item of its list): Setup ends and
# has started nothing. The installed program is named by its full path: other cases run programs
# of the same name in the prefix meanwhile.
case_inno_unticked() {
    prepare_inno || return
    e2e_run "${INNO_TO_LAST_PAGE[@]}" "click-item installer 0" "press-text installer 完了(&F)" \
        "wait-exit 0" "check-no-process $INSTALL_WIN\\regcomplete.exe"
    e2e_expect_log  # nothing launched
    expect_installed_files inno
}

case_inno_silent() {
    prepare_inno || return
    e2e_run "start \"$SETUP_EXE\" /VERYSILENT /DIR=\"$INSTALL_WIN\"" "wait-exit 0" \
        "check-no-process $INSTALL_WIN\\regcomplete.exe"
    e2e_expect_log  # nothing launched
    expect_installed_files inno
}

# build_msi: the WiX sample, built by wixl in the case's folder from copies of the sample, its
# readme and the program (wixl finds a File's Source beside the .wxs only); a warning fails the
# case. MSI is its Windows path. wixl stores the package's strings in the code page that
# WINDOWS_LANGUAGE names. Any earlier install of the sample, which the cases share in the prefix
# and take turns at through a CTest lock, is removed first. INSTALL_DIR and INSTALL_WIN are the
# package's install folder in the user's local application data, INSTALLED_EXE the program in it
# (other tests run programs of the same name beside these cases).
build_msi() {
    local dir=$E2E_WORK/wix local_app_data
    if ! command -v wixl >/dev/null; then
        e2e_fail "wixl is missing (scripts/install-deps.sh installs it)"
        return 1
    fi
    mkdir -p "$dir"
    cp "$top/examples/wix/sample.wxs" "$top/examples/wix/readme.txt" "$E2E_BIN/regcomplete.exe" \
        "$dir"
    if ! (cd "$dir" && WINDOWS_LANGUAGE=ja_JP wixl -o sample.msi sample.wxs) \
        >"$E2E_WORK/wixl.log" 2>&1 || grep -qi 'warning\|critical' "$E2E_WORK/wixl.log"; then
        e2e_fail "wixl failed or warned"
        sed 's/^/  wixl: /' "$E2E_WORK/wixl.log"
        return 1
    fi
    MSI=$(windows_path "$dir/sample.msi")
    wine msiexec /qn /x "$MSI" >/dev/null 2>&1
    local_app_data=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
    INSTALL_WIN=$local_app_data\\$install_folder
    local_app_data=${local_app_data//\\//}
    INSTALL_DIR=$WINEPREFIX/drive_c${local_app_data#C:}/$install_folder
    INSTALLED_EXE=$INSTALL_WIN\\regcomplete.exe
    rm -rf "$INSTALL_DIR"
}

# The command line the sample's custom action gives regcomplete.exe.
msi_command_line() {
    printf '"%s\\regcomplete.exe" /R"%s\\readme.txt" %s' "$INSTALL_WIN" "$INSTALL_WIN" \
        '/P"SAMPLE-2026" /U"山田 太郎" /O"株式会社ｻﾝﾌﾟﾙ" /S"1234-5678-9012"'
}
msi_details='USERNAME="山田 太郎" COMPANYNAME="株式会社ｻﾝﾌﾟﾙ" PIDKEY="1234-5678-9012"'

# msiexec /i with the details: the program starts once the files are in place and its dialog
# works on after msiexec has ended. A second /i of the installed package (maintenance) starts
# nothing, and /x removes what was installed.
case_msi_installed() {
    build_msi || return
    e2e_stage_browser "Fake Browser"
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    E2E_HANDSHAKE=copy_notepad
    e2e_run "start msiexec /i \"$MSI\" $msi_details" \
        wait-child-dialog "check-command-line $(msi_command_line)" "wait-parent-exit 0" \
        "check-owner none" check-centred "handshake $(windows_path "$E2E_WORK")\\notepad" \
        "click $SSL" "wait-log 1" "click $README" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "\"$E2E_BROWSER\"  $ssl" "notepad.exe $INSTALL_WIN\\readme.txt"
    expect_installed_files wix
    rm -f "$INSTALL_DIR/notepad.exe"
    e2e_run "start msiexec /i \"$MSI\" $msi_details" "wait-exit 0" \
        "check-no-process $INSTALLED_EXE" "start msiexec /x \"$MSI\"" "wait-exit 0"
    if [ -e "$INSTALL_DIR" ]; then
        e2e_fail "msiexec /x left the install folder"
        ls -A "$INSTALL_DIR" | sed 's/^/  left: /'
    fi
}

# A silent install (/qn) skips the user-interface sequence and so never starts the program.
case_msi_quiet() {
    build_msi || return
    e2e_run "start msiexec /qn /i \"$MSI\" $msi_details" "wait-exit 0" \
        "check-no-process $INSTALLED_EXE"
    expect_installed_files wix
    wine msiexec /qn /x "$MSI" >/dev/null 2>&1 || e2e_fail "msiexec /qn /x failed"
}

case_name=${1:?usage: installer_test.sh CASE}
declare -F "case_$case_name" >/dev/null || { echo "no case $case_name"; exit 2; }
e2e_begin "$case_name"
"case_$case_name"
e2e_end
