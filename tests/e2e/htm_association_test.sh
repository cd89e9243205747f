#!/usr/bin/env bash
# The launchers' platform half under Wine with code page 932: the Windows check tool, given no
# --htm-command and no --module-path, reads the browser's open command from the prefix's registry
# (the user's choice for ".htm" under HKCU, else the type HKCR\.htm names) and its own path from
# the platform, as the program does before it starts the browser or Notepad. Registers ".htm"
# associations with `wine reg add`, compares the composed command lines and the file type used,
# removes them again and expects nothing to be started. The prefix's ".htm" key is put back as it
# was; the user's choice is removed.
# usage: htm_association_test.sh CHECK_TOOL HOST RUNRAW_EXE
set -u
tool=$1 host=$2 runraw=$3
. "$(dirname "$0")/wine_env.sh"
wine_prefix_ready || { echo "could not create the Wine prefix"; exit 1; }

failures=0
scratch=$(mktemp -d "$REGCOMPLETE_WIN_BUILD/htm-association.XXXXXX")
file_type=RegcompleteTest.Page  # a type of the test's own
chosen_type=RegcompleteTest.Chosen  # another, for the user's choice
user_choice='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.htm\UserChoice'
saved_htm=no
if wine reg query 'HKCR\.htm' >/dev/null 2>&1; then
    wine reg export 'HKCR\.htm' "$(windows_path "$scratch")\\htm.reg" /y >/dev/null 2>&1 ||
        { echo "could not save the prefix's .htm key"; exit 1; }
    saved_htm=yes
fi
restore() {
    wine reg delete "HKCR\\$file_type" /f >/dev/null 2>&1
    wine reg delete "HKCR\\$chosen_type" /f >/dev/null 2>&1
    wine reg delete "$user_choice" /f >/dev/null 2>&1
    wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
    if [ $saved_htm = yes ] &&
        ! wine reg import "$(windows_path "$scratch")\\htm.reg" >/dev/null 2>&1; then
        echo "could not restore the prefix's .htm key; it is kept in $scratch/htm.reg"
        return
    fi
    rm -rf "$scratch"
}
trap restore EXIT

set_htm_command() {  # set_htm_command TEMPLATE
    wine reg add 'HKCR\.htm' /ve /d "$file_type" /f >/dev/null 2>&1 &&
        wine reg add "HKCR\\$file_type\\shell\\open\\command" /ve /d "$1" /f >/dev/null 2>&1
}

tail_options='/Pabc /U"Taro Yamada"'
query='?productid=abc&username=Taro%20Yamada'
url_ssl="https://$host/entry/regist.php$query"
url_plain="http://$host/entry/regist.php$query"
readme_beside_tool="notepad.exe $(windows_path "$(dirname "$tool")")\\readme.txt"

# The last four lines of the tool's output, started by the exact command line EXE -- TAIL.
launch_lines() {  # launch_lines EXE_WINDOWS_PATH
    printf '%s -- %s' "$1" "$tail_options" >"$scratch/command_line"
    wine "$runraw" "$(windows_path "$scratch/command_line")" | tr -d '\r' | tail -4
}

compare() {  # compare WHY EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"
        diff <(echo "$2") <(echo "$3") | head -10
        failures=$((failures + 1))
    fi
}

# compare_browser WHY KEPT [TYPE]: KEPT is what must stand before the blank and the address, as
# printf %b reads it (Shift_JIS bytes as \x escapes), or "-" when nothing must be started; TYPE
# is the file type whose command that is, the one ".htm" names unless given.
compare_browser() {
    local why=$1 kept ssl plain type=${3:-$file_type}
    if [ "$2" = "-" ]; then
        ssl="(none)" plain="(none)" type="(none)"
    else
        kept=$(printf '%b' "$2")
        ssl="$kept $url_ssl" plain="$kept $url_plain"
    fi
    compare "$why" "browser_ssl: $ssl
browser_plain: $plain
readme_command: $readme_beside_tool
browser_type: $type" "$(launch_lines "$(windows_path "$tool")")"
}

row() {  # row WHY TEMPLATE KEPT
    if ! set_htm_command "$2"; then
        echo "FAIL: $1: wine reg add refused the association"
        failures=$((failures + 1))
        return
    fi
    compare_browser "$1" "$3"
}

# 表 is 95 5C, 示 8E A6, ソ 83 5C, フ 83 74, ト 83 67 in Shift_JIS: RegQueryValueA turns the
# stored text into these bytes, and the trail bytes 0x5C must reach the command unchanged.
row "quoted placeholder with an argument after it" '"C:\fake\browser.exe" "%1" -x' \
    '"C:\\fake\\browser.exe" '
row "bare placeholder in a double-byte path" 'C:\表示\ソフト\browser.exe %1 --new' \
    'C:\\\x95\x5c\x8e\xa6\\\x83\x5c\x83\x74\x83\x67\\browser.exe '
row "no placeholder" 'C:\fake\browser.exe -nohome' 'C:\\fake\\browser.exe -nohome'
row "arguments before the placeholder stay" '"C:\fake\browser.exe" -a "%1" -b' \
    '"C:\\fake\\browser.exe" -a '
row "only a placeholder starts nothing" '"%1"' -
longest=$(printf 'b%.0s' {1..259})
row "a value of 259 bytes fits the 260-byte read" "$longest" "$longest"
row "a value of 260 bytes does not" "${longest}b" -
# The 260-byte rule counts the bytes of the ANSI code page, not the stored characters.
kanji_259=$(printf '表%.0s' {1..129})x
row "129 double-byte characters and one byte fit" "$kanji_259" \
    "$(printf '\\x95\\x5c%.0s' {1..129})x"
row "130 double-byte characters are 260 bytes" "$(printf '表%.0s' {1..130})" -

# The user's choice wins while its type has an open command that is not empty; a key without a
# default value reads as an empty one.
set_htm_command '"C:\fake\browser.exe" "%1"'
if ! wine reg add "HKCR\\$chosen_type\\shell\\open\\command" /ve /d '"C:\fake\chosen.exe" "%1"' \
    /f >/dev/null 2>&1 || ! wine reg add "$user_choice" /v ProgId /d "$chosen_type" /f >/dev/null 2>&1; then
    echo "FAIL: wine reg add refused the user's choice"
    failures=$((failures + 1))
fi
compare_browser "the user's choice wins over the type .htm names" '"C:\\fake\\chosen.exe" ' \
    "$chosen_type"
wine reg delete "HKCR\\$chosen_type\\shell\\open\\command" /ve /f >/dev/null 2>&1
compare_browser "a choice whose command key has no value gives way" '"C:\\fake\\browser.exe" '
wine reg delete "HKCR\\$chosen_type\\shell" /f >/dev/null 2>&1
compare_browser "a choice without an open command gives way" '"C:\\fake\\browser.exe" '
wine reg delete "$user_choice" /f >/dev/null 2>&1

set_htm_command 'C:\fake\browser.exe "%1"'
wine reg delete "HKCR\\$file_type\\shell" /f >/dev/null 2>&1
compare_browser "a file type without an open command starts nothing" -
wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
compare_browser "no .htm association starts nothing" -

# The program's own path under a directory and a file name whose last bytes are 0x5C trail
# bytes: the readme is looked for in that directory, not after half a character.
mkdir -p "$scratch/表示"
cp "$tool" "$scratch/表示/ソ.exe"
directory="$(windows_path "$scratch")\\$(printf '\x95\x5c\x8e\xa6')"
compare "module path ending in 0x5C trail bytes" "browser_ssl: (none)
browser_plain: (none)
readme_command: notepad.exe $directory\\readme.txt
browser_type: (none)" \
    "$(launch_lines "$directory\\$(printf '\x83\x5c').exe")"

echo "$failures failed"
[ $failures -eq 0 ]
