#!/usr/bin/env bash
# The launchers' platform half under Wine with code page 932: the Windows check tool, given no
# --htm-command and no --module-path, reads the browser's open command from the prefix's registry
# (the user's choice for ".htm" under HKCU, else the type HKCR\.htm names), the user's defaults
# for web addresses, and its own path from the platform, as the program does before it starts the
# browser or Notepad. Registers associations with `wine reg add`, compares the composed command
# lines and the ways each button tries, removes them again and expects no command. The prefix's
# ".htm" key is put back as it was; the user's choices are removed.
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
url_choices='HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations'
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
    forget_web_defaults
    wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
    if [ $saved_htm = yes ] &&
        ! wine reg import "$(windows_path "$scratch")\\htm.reg" >/dev/null 2>&1; then
        echo "could not restore the prefix's .htm key; it is kept in $scratch/htm.reg"
        return
    fi
    rm -rf "$scratch"
}
trap restore EXIT
forget_web_defaults() {
    wine reg delete "$url_choices\\https" /f >/dev/null 2>&1
    wine reg delete "$url_choices\\http" /f >/dev/null 2>&1
}
# A new prefix names Wine's own browser as the default for web addresses.
forget_web_defaults

set_htm_command() {  # set_htm_command TEMPLATE
    wine reg add 'HKCR\.htm' /ve /d "$file_type" /f >/dev/null 2>&1 &&
        wine reg add "HKCR\\$file_type\\shell\\open\\command" /ve /d "$1" /f >/dev/null 2>&1
}

tail_options='/Pabc /U"Taro Yamada"'
query='?productid=abc&username=Taro%20Yamada'
url_ssl="https://$host/entry/regist.php$query"
url_plain="http://$host/entry/regist.php$query"
readme_beside_tool="notepad.exe $(windows_path "$(dirname "$tool")")\\readme.txt"
notepad='C:\windows\system32\notepad.exe'

# The six launch lines of the tool's output, started by the exact command line EXE -- TAIL.
launch_lines() {  # launch_lines EXE_WINDOWS_PATH: its lines in UTF-8, whatever a pipe would get
    printf '%s --print-utf8 -- %s' "$1" "$tail_options" >"$scratch/command_line"
    wine "$runraw" "$(windows_path "$scratch/command_line")" | tr -d '\r' |
        sed -n '/^browser_ssl:/,/^browser_type_plain:/p'
}

compare() {  # compare WHY EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"
        diff <(echo "$2") <(echo "$3") | head -10
        failures=$((failures + 1))
    fi
}

# compare_browser WHY KEPT [TYPE [SSL_WAYS PLAIN_WAYS]]: KEPT is what must stand before the blank
# and the address, or "-" when no command can be composed; TYPE is the file type whose command
# that is, the one ".htm" names unless given; the ways each button tries are the command and then
# the shell unless given.
compare_browser() {
    local why=$1 ssl plain type=${3:-$file_type}
    local ssl_ways=${4:-"$type, then shell"} plain_ways=${5:-"$type, then shell"}
    if [ "$2" = "-" ]; then
        ssl="(none)" plain="(none)" ssl_ways=shell plain_ways=shell
    else
        ssl="$2 $url_ssl" plain="$2 $url_plain"
    fi
    compare "$why" "browser_ssl: $ssl
browser_plain: $plain
readme_command: $readme_beside_tool
readme_program: $notepad
browser_type: $ssl_ways
browser_type_plain: $plain_ways" "$(launch_lines "$(windows_path "$tool")")"
}

row() {  # row WHY TEMPLATE KEPT
    if ! set_htm_command "$2"; then
        echo "FAIL: $1: wine reg add refused the association"
        failures=$((failures + 1))
        return
    fi
    compare_browser "$1" "$3"
}

# The command is read as UTF-16: a path is kept whatever the code page can spell, and the
# 260-character rule counts UTF-16 units.
row "quoted placeholder with an argument after it" '"C:\fake\browser.exe" "%1" -x' \
    '"C:\fake\browser.exe" '
row "bare placeholder in a double-byte path" 'C:\表示\ソフト\browser.exe %1 --new' \
    'C:\表示\ソフト\browser.exe '
row "a path code page 932 cannot spell" '"C:\Users\Zoë\山田\browser.exe" "%1"' \
    '"C:\Users\Zoë\山田\browser.exe" '
row "no placeholder" 'C:\fake\browser.exe -nohome' 'C:\fake\browser.exe -nohome'
row "arguments before the placeholder stay" '"C:\fake\browser.exe" -a "%1" -b' \
    '"C:\fake\browser.exe" -a '
row "only a placeholder: no command" '"%1"' -
longest=$(printf 'b%.0s' {1..259})
row "a value of 259 characters fits the 260-unit read" "$longest" "$longest"
row "a value of 260 characters does not" "${longest}b" -
kanji_259=$(printf '表%.0s' {1..259})
row "259 double-byte characters fit too" "$kanji_259" "$kanji_259"
row "260 double-byte characters do not" "${kanji_259}表" -
# A command stored as REG_EXPAND_SZ, as per-user browsers often are, is expanded.
if wine reg add 'HKCR\.htm' /ve /d "$file_type" /f >/dev/null 2>&1 &&
    wine reg add "HKCR\\$file_type\\shell\\open\\command" /ve /t REG_EXPAND_SZ \
        /d '"%SystemRoot%\fake\browser.exe" "%1"' /f >/dev/null 2>&1; then
    compare_browser "an expandable command" '"C:\windows\fake\browser.exe" '
else
    echo "FAIL: wine reg add refused the expandable command"
    failures=$((failures + 1))
fi

# A default for web addresses puts the shell first, for its own scheme: https by its UserChoice,
# http by the newer UserChoiceLatest.
set_htm_command '"C:\fake\browser.exe" "%1"'
wine reg add "$url_choices\\https\\UserChoice" /v ProgId /d SomeBrowserHTML /f >/dev/null 2>&1
compare_browser "an https default" '"C:\fake\browser.exe" ' "$file_type" \
    "shell, then $file_type" "$file_type, then shell"
wine reg add "$url_choices\\http\\UserChoiceLatest\\ProgId" /v ProgId /d SomeBrowserHTML /f \
    >/dev/null 2>&1
compare_browser "and an http default, written the newest way" '"C:\fake\browser.exe" ' \
    "$file_type" "shell, then $file_type" "shell, then $file_type"
forget_web_defaults

# The user's choice wins while its type has an open command that is not empty; a key without a
# default value reads as an empty one.
set_htm_command '"C:\fake\browser.exe" "%1"'
if ! wine reg add "HKCR\\$chosen_type\\shell\\open\\command" /ve /d '"C:\fake\chosen.exe" "%1"' \
    /f >/dev/null 2>&1 || ! wine reg add "$user_choice" /v ProgId /d "$chosen_type" /f >/dev/null 2>&1; then
    echo "FAIL: wine reg add refused the user's choice"
    failures=$((failures + 1))
fi
# A choice for ".htm" is a default for web addresses too.
compare_browser "the user's choice wins over the type .htm names" '"C:\fake\chosen.exe" ' \
    "$chosen_type" "shell, then $chosen_type" "shell, then $chosen_type"
wine reg delete "HKCR\\$chosen_type\\shell\\open\\command" /ve /f >/dev/null 2>&1
compare_browser "a choice whose command key has no value gives way" '"C:\fake\browser.exe" ' \
    "$file_type" "shell, then $file_type" "shell, then $file_type"
wine reg delete "HKCR\\$chosen_type\\shell" /f >/dev/null 2>&1
compare_browser "a choice without an open command gives way" '"C:\fake\browser.exe" ' \
    "$file_type" "shell, then $file_type" "shell, then $file_type"
wine reg delete "$user_choice" /f >/dev/null 2>&1

set_htm_command 'C:\fake\browser.exe "%1"'
wine reg delete "HKCR\\$file_type\\shell" /f >/dev/null 2>&1
compare_browser "a file type without an open command: the shell alone" -
wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1
compare_browser "no .htm association: the shell alone" -

# The program's own path under a folder whose name ends in a character with a 0x5C trail byte
# in Shift_JIS: the readme is looked for in that folder. The line starting the tool is Shift_JIS.
mkdir -p "$scratch/表示"
cp "$tool" "$scratch/表示/ソ.exe"
directory="$(windows_path "$scratch")\\表示"
compare "module path under a double-byte folder" "browser_ssl: (none)
browser_plain: (none)
readme_command: notepad.exe $directory\\readme.txt
readme_program: $notepad
browser_type: shell
browser_type_plain: shell" \
    "$(launch_lines "$(windows_path "$scratch")\\$(printf '\x95\x5c\x8e\xa6\\\x83\x5c').exe")"

echo "$failures failed"
[ $failures -eq 0 ]
