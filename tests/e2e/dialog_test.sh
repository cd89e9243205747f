#!/usr/bin/env bash
# End-to-end tests of the real regcomplete.exe under Wine (code page 932) and Xvfb.
# usage: dialog_test.sh CASE   (REGCOMPLETE_WIN_BUILD and REGCOMPLETE_HOST set; see the cases below)
#
# Every expected command line is written from what the program must launch:
#   browser: the ".htm" template cut at its placeholder ("%1" in quotes, else bare %1; the cut
#            takes the opening quote and all after it), then one blank and the address;
#   address: https:// or http://, the host, /entry/regist.php, then ?productid= &username=
#            &organization= &serialno= for each detail given and not empty; in a value a
#            double-byte character is its two bytes as %XX, a half-width katakana the two bytes
#            of its JIS X 0208 code as %XX, a blank, control byte, " # % & + as %XX of the byte;
#   readme:  System32's Notepad (the fake one there; a notepad.exe planted beside the program
#            marks its record "planted: ") with "notepad.exe " and the /R path unchanged, else
#            the program's folder (cut after its last backslash) and readme.txt.
# The launch log holds each command line as the started program got it, as UTF-8.
# Inputs are written in readable Japanese (turned into Shift_JIS on the way to the driver);
# expected bytes are spelt out.
set -u
. "$(dirname "$0")/e2e_lib.sh"

host=$REGCOMPLETE_HOST
ssl="https://$host/entry/regist.php"
plain="http://$host/entry/regist.php"

# The details of a Japanese user, and their encoded query:
#   /P: a tab does not end a bare value and is escaped;
#   /U: kanji in quotes with a blank: 山田 太郎 = 8E 52 93 63 20 91 BE 98 59;
#   /O: half-width kana with separate voiced marks, then kanji whose trail byte is 0x5C (表 = 95 5C):
#       ｶ B6->252B ﾌ CC->2555 ﾞ DE->212B ｼ BC->2537 ｷ B7->252D ｲ B2->2524 ｬ AC->2563, 計 8C 76, 算 8E 5A;
#   /S: a bare value keeps its double quote; # % + & " are escaped.
tab=$'\t'
japanese_details="/PRC${tab}2024 /U\"山田 太郎\" /O\"ｶﾌﾞｼｷｶﾞｲｼｬ 表計算\" /S12#34%+&\"x"
japanese_query="?productid=RC%092024&username=%8E%52%93%63%20%91%BE%98%59"
japanese_query+="&organization=%25%2B%25%55%21%2B%25%37%25%2D%25%2B%21%2B%25%24%25%37%25%63"
japanese_query+="%20%95%5C%8C%76%8E%5A&serialno=12%2334%25%2B%26%22x"

# The whole dialog as the template and the table say, the names a screen reader reads, and Tab
# through the buttons to the information box and out of it again; "完了" ends it with 0. Tab
# selects the whole of an edit box it reaches, caret at the end: the information box must still
# be read from its top.
case_layout() {
    e2e_stage_program
    e2e_run "start \"$E2E_EXE\"" \
        wait-dialog check-template check-dialog "check-focus $SSL" "check-owner none" \
        check-centred check-glyphs check-names "key tab tab tab tab" "check-focus $INFO" \
        "check-top $INFO" "key tab" "check-focus $SSL" "click $DONE" "wait-exit 0"
    e2e_expect_log  # nothing launched
}

case_register_japanese() {  # quoted "%1" after a quoted path with a blank: two blanks in a row
    e2e_stage_program
    e2e_stage_browser "Fake Browser"
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    e2e_run "start \"$E2E_EXE\" $japanese_details" wait-dialog \
        "click $SSL" "wait-log 1" "click $PLAIN" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "\"$E2E_BROWSER\"  $ssl$japanese_query" "\"$E2E_BROWSER\"  $plain$japanese_query"
}

case_register_no_details() {  # bare %1 with arguments around it: those after it are lost
    # The user's choice for ".htm" names the second browser's type: that one gets the address,
    # not the browser of the type HKEY_CLASSES_ROOT\.htm names.
    e2e_stage_program
    e2e_stage_browser registered
    local registered=$E2E_BROWSER
    e2e_stage_browser browser
    e2e_register_browser "\"$registered\" \"%1\"" "$E2E_BROWSER -before %1 -extra"
    # The space bar presses the focused SSL button; then the plain one by a click.
    e2e_run "start \"$E2E_EXE\"" wait-dialog "check-focus $SSL" \
        "key space" "wait-log 1" "click $PLAIN" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "$E2E_BROWSER -before  $ssl" "$E2E_BROWSER -before  $plain"
    e2e_forget_user_choice
}

case_register_twice() {  # no placeholder: the address follows the whole template
    e2e_stage_program
    e2e_stage_browser browser
    e2e_register_browser "\"$E2E_BROWSER\" -new-window"
    # ﾔﾏﾀﾞ = D4 CF C0 DE -> 2564 255E 253F 212B
    local expected="\"$E2E_BROWSER\" -new-window $ssl?productid=100&username=%25%64%25%5E%25%3F%21%2B"
    e2e_run "start \"$E2E_EXE\" /P100 /Uﾔﾏﾀﾞ" wait-dialog \
        "click $SSL" "wait-log 1" "click $SSL" "wait-log 2" "click $DONE" "wait-exit 0"
    e2e_expect_log "$expected" "$expected"
}

case_readme_option() {  # /R with blanks and 0x5C trail bytes goes to Notepad unquoted; Escape ends
    e2e_stage_program
    e2e_run "start \"$E2E_EXE\" /PRC-2024 /R\"C:\\Program Files\\ソフト表\\お読み ください.txt\" /Uabc" \
        wait-dialog "click $README" "wait-log 1" "key escape" "wait-exit 0"
    e2e_expect_log "notepad.exe C:\\Program Files\\ソフト表\\お読み ください.txt"
}

case_readme_beside() {  # without /R, or with it empty: readme.txt in the program's own folder
    # The folder and the file name both hold characters whose trail byte is 0x5C (ソ 83 5C,
    # 表 95 5C): a byte-wise search for the last backslash would cut inside 表 of the file name.
    e2e_stage_program "ソフト表" "regcomplete表.exe"
    e2e_run "start \"$E2E_EXE\"" wait-dialog "click $README" "wait-log 1" "click $DONE" "wait-exit 0" \
        "start \"$E2E_EXE\" /R\"\" /Pabc" wait-dialog "click $README" "wait-log 2" "click $DONE" "wait-exit 0" \
        "start \"$E2E_EXE\" /R /Pabc" wait-dialog "click $README" "wait-log 3" "click $DONE" "wait-exit 0"
    local expected="notepad.exe $E2E_STAGE_WIN\\ソフト表\\readme.txt"
    e2e_expect_log "$expected" "$expected" "$expected"
}

case_closing() {  # Escape, the close box, WM_CLOSE and Tab Tab Enter each end it with exit code 0
    e2e_stage_program
    local start="start \"$E2E_EXE\" /Pabc"
    e2e_run "$start" wait-dialog "key escape" "wait-exit 0" \
        "$start" wait-dialog close-box "wait-exit 0" \
        "$start" wait-dialog wm-close "wait-exit 0" \
        "$start" wait-dialog "key tab tab" "check-focus $DONE" "key return" "wait-exit 0"
    e2e_expect_log  # nothing launched
}

case_planted_dll() {  # a uxtheme.dll beside the program is never loaded: system DLLs come from System32
    e2e_stage_program
    cp "$E2E_TEST_BIN/planted/uxtheme.dll" "$E2E_STAGE/uxtheme.dll" || e2e_fail "no DLL to plant"
    # Wine takes its own built-in uxtheme.dll before any it finds on the search path; Windows has
    # only the one on the search path. Native first, Wine loads the planted one wherever the search
    # for uxtheme.dll reaches the program's folder, as Windows would.
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uxtheme=n,b"
    e2e_run "start \"$E2E_EXE\"" wait-dialog check-template "click $DONE" "wait-exit 0"
    e2e_expect_log  # in particular, no "planted DLL loaded by ..."
}

owner_windows=(
    "window installer RegcompleteE2EInstaller セットアップ - 例"
    "window other RegcompleteE2EOther 別のウィンドウ"
    "dead-window gone"
)

case_owner_named() {  # /W names a live window; /W wins over /C and /T; /C with /T finds one
    # The dialog stays when its owner hides its pop-ups as it closes.
    e2e_stage_program
    local checks=("check-owner installer" check-centred wm-close "wait-exit 0")
    e2e_run "${owner_windows[@]}" \
        "start \"$E2E_EXE\" /W{installer}" wait-dialog "hide-popups installer" "${checks[@]}" \
        "start \"$E2E_EXE\" /W{installer} /CRegcompleteE2EOther /T別のウィンドウ" \
        wait-dialog "${checks[@]}" \
        "start \"$E2E_EXE\" /CRegcompleteE2EInstaller /T\"セットアップ - 例\"" \
        wait-dialog "${checks[@]}"
    e2e_expect_log
}

case_owner_none() {  # one of /C and /T alone, no match, or a dead /W handle: no owner, still shown
    e2e_stage_program
    local checks=("check-owner none" check-centred wm-close "wait-exit 0")
    e2e_run "${owner_windows[@]}" \
        "start \"$E2E_EXE\" /CRegcompleteE2EInstaller" wait-dialog "${checks[@]}" \
        "start \"$E2E_EXE\" /T\"セットアップ - 例\"" wait-dialog "${checks[@]}" \
        "start \"$E2E_EXE\" /CRegcompleteE2EInstaller /TNoSuchWindow" wait-dialog "${checks[@]}" \
        "start \"$E2E_EXE\" /W{gone}" wait-dialog "${checks[@]}" \
        "start \"$E2E_EXE\" /W{gone} /CRegcompleteE2EInstaller /T\"セットアップ - 例\"" \
        wait-dialog "${checks[@]}"
    e2e_expect_log
}

# Reads the pixels of a rectangle of a screenshot as "X Y R G B HEX" lines (X, Y from its corner).
pixels() {  # pixels PNG LEFT TOP RIGHT BOTTOM
    convert "$1" -crop "$(($4 - $2))x$(($5 - $3))+$2+$3" +repage -depth 8 txt:- | awk '
        function byte(hex, at) { return (index(digits, substr(hex, at, 1)) - 1) * 16 + index(digits, substr(hex, at + 1, 1)) - 1 }
        BEGIN { digits = "0123456789ABCDEF" }
        /^#/ { next }
        { split($1, at, "[,:]"); print at[1], at[2], byte($3, 2), byte($3, 4), byte($3, 6), $3 }'
}

# Counts a rectangle's pixels: prints "TOTAL WHITE DARK FACE MODE RIGHTMOST_DARK" (FACE: exactly
# the dialog colour; DARK: every channel below 110; MODE: the commonest colour).
count_pixels() {  # count_pixels PNG LEFT TOP RIGHT BOTTOM FACE_HEX
    pixels "$1" "$2" "$3" "$4" "$5" | awk -v face="$6" '
        { total++; seen[$6]++ }
        $6 == "#FFFFFF" { white++ }
        $6 == face { faces++ }
        $3 < 110 && $4 < 110 && $5 < 110 { dark++; if ($1 > right) right = $1 }
        END {
            for (c in seen) if (seen[c] > best) { best = seen[c]; mode = c }
            printf "%d %d %d %d %s %d\n", total, white, dark, faces, mode, right
        }'
}

case_screenshot() {  # the dialog as a person sees it: white info box, labels on the dialog colour
    e2e_stage_program
    local shot=$E2E_WORK/dialog
    e2e_run "start \"$E2E_EXE\" $japanese_details" wait-dialog "check-fit 96" \
        "geometry $(windows_path "$E2E_WORK")\\geometry.txt" \
        "handshake $(windows_path "$E2E_WORK")\\dialog" "click $DONE" "wait-exit 0"
    local geometry=$E2E_WORK/geometry.txt
    if [ ! -f "$shot.png" ] || [ ! -f "$geometry" ]; then
        e2e_fail "no screenshot or geometry"
        return
    fi
    echo "screenshot: $shot.png"
    local face
    face=$(awk '$1 == "face" { printf "#%02X%02X%02X", $3, $4, $5 }' "$geometry")
    [ "$face" != "#FFFFFF" ] || e2e_fail "the dialog colour is white; the test cannot tell it apart"
    rect() { awk -v what="$1" -v index_="$2" '$1 == what && $2 == index_ { print $3, $4, $5, $6 }' \
        "$geometry"; }

    # Child 6 is the info box: inside its border, white behind and around the text, and text drawn.
    local l t r b total white dark faces mode right
    read -r l t r b <<<"$(rect inner 6)"
    read -r total white dark faces mode right <<<"$(count_pixels "$shot.png" $((l + 1)) $((t + 1)) $((r - 1)) $((b - 1)) "$face")"
    echo "info box $l,$t-$r,$b: $total pixels, $white white, $dark dark, $faces of the dialog colour"
    [ "$mode" = "#FFFFFF" ] || e2e_fail "the info box is mostly $mode, not white"
    [ $((white * 100)) -ge $((total * 70)) ] || e2e_fail "the info box is not white behind its text"
    [ "$faces" -eq 0 ] || e2e_fail "the dialog colour shows inside the info box ($faces pixels)"
    [ "$dark" -ge 500 ] || e2e_fail "no text drawn in the info box ($dark dark pixels)"

    # Children 4 and 5 are the labels: on the dialog colour, their Japanese text drawn across the
    # width the dialog font gives it (or up to the label's edge, which may clip it).
    local index width
    for index in 4 5; do
        read -r l t r b <<<"$(rect inner $index)"
        read -r total white dark faces mode right <<<"$(count_pixels "$shot.png" "$l" "$t" "$r" "$b" "$face")"
        read -r width _ <<<"$(awk -v i=$index '$1 == "text" && $2 == i { print $3, $4 }' "$geometry")"
        echo "label $index $l,$t-$r,$b: $total pixels, $white white, $dark dark, $faces of the dialog colour; text drawn to x=$right of the $width pixels the font gives it"
        [ "$mode" = "$face" ] || e2e_fail "label $index stands on $mode, not the dialog colour $face"
        [ "$white" -eq 0 ] || e2e_fail "label $index has white behind it ($white pixels)"
        [ "$dark" -ge 200 ] || e2e_fail "label $index: no text drawn ($dark dark pixels)"
        # A label wraps what does not fit onto a hidden second line: allow for that.
        [ "$width" -le $((r - l)) ] || width=$((r - l))
        [ $((right * 100)) -ge $((width * 80)) ] || e2e_fail "label $index: text ends at x=$right, short of $width"
    done

    # Above the labels, across the dialog: the dialog colour and nothing else.
    read -r l t r b <<<"$(rect client 0)"
    read -r total white dark faces mode right <<<"$(count_pixels "$shot.png" $((l + 4)) $((t + 1)) $((r - 4)) $((t + 6)) "$face")"
    [ "$faces" -eq "$total" ] || e2e_fail "the dialog's top edge is not all the dialog colour"
}

# At 144 dots per inch (150 %), in a prefix of its own: the dialog whole and centred on the screen,
# every label's and button's text within its control.
prefix_screenshot_144() { wine_use_prefix dpi144 wine_set_dpi 144; }
case_screenshot_144() {
    e2e_stage_program
    e2e_run "start \"$E2E_EXE\"" wait-dialog "check-fit 144" \
        "handshake $(windows_path "$E2E_WORK")\\dialog" "click $DONE" "wait-exit 0"
    [ -f "$E2E_WORK/dialog.png" ] && echo "screenshot: $E2E_WORK/dialog.png"
}

# Where the ANSI code page is not 932 the texts still read as the template and the info text
# (Wine takes the code page from the locale). A prefix of its own: Wine rewrites prefix-wide font
# settings for the code page a program starts under.
prefix_code_pages() { wine_use_prefix code-pages; }
case_code_pages() {
    e2e_stage_program
    local shot
    shot="$(windows_path "$E2E_WORK")\\dialog-1252"
    LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 e2e_run "start \"$E2E_EXE\" /Pabc" wait-dialog \
        "check-unicode 1252" "handshake $shot" "click $DONE" "wait-exit 0"
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 e2e_run "start \"$E2E_EXE\" /Pabc" wait-dialog \
        "check-unicode 936" "click $DONE" "wait-exit 0"
    [ -f "$E2E_WORK/dialog-1252.png" ] && echo "screenshot: $E2E_WORK/dialog-1252.png"
    e2e_expect_log
}

# How a registration button finds the browser, under code page 932:
#   - with the user's defaults for web addresses, the shell's handler for each scheme gets the
#     address (Wine's shell passes it in place of "%1"), and the ".htm" browser does not;
#   - with a default but nothing the shell can start, the ".htm" command, here a path no ANSI code
#     page spells whole, which must arrive unit for unit;
#   - with no browser at all, a message box that shows the whole address; once it is closed the
#     dialog works on and "完了" ends the program with 0.
case_browser_ways() {
    e2e_stage_program
    e2e_stage_browser "Zoë/山田"
    local htm=$E2E_BROWSER https http start="start \"$E2E_EXE\" /Pabc"
    e2e_stage_browser shell-https
    https=$E2E_BROWSER
    e2e_stage_browser shell-http
    http=$E2E_BROWSER
    e2e_register_browser "\"$htm\" \"%1\""
    e2e_web_defaults "\"$https\" \"%1\"" "\"$http\" \"%1\""
    e2e_run "$start" wait-dialog "click $SSL" "wait-log 1" "click $PLAIN" "wait-log 2" \
        "click $DONE" "wait-exit 0"
    e2e_web_defaults "$E2E_NO_BROWSER" "$E2E_NO_BROWSER"
    e2e_run "$start" wait-dialog "click $SSL" "wait-log 3" "click $DONE" "wait-exit 0"
    e2e_register_browser -
    e2e_run "$start" wait-dialog "click-async $SSL" "message-box $ssl?productid=abc" \
        "click-async $PLAIN" "message-box $plain?productid=abc" "click $README" "wait-log 4" \
        "click $DONE" "wait-exit 0"
    e2e_expect_log "\"$https\" \"$ssl?productid=abc\"" "\"$http\" \"$plain?productid=abc\"" \
        "\"$htm\"  $ssl?productid=abc" "notepad.exe ${E2E_EXE%\\*}\\readme.txt"
}

# Under code page 1252 a Japanese product on an English Windows, started by a Unicode installer:
# the paths and the owner's title arrive whole, a detail the code page cannot hold is left out
# and one it holds is sent in its bytes (ë is EB). In a prefix of its own, as for code_pages.
prefix_unicode_1252() { wine_use_prefix cp1252; }
case_unicode_1252() {
    export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
    e2e_stage_program "サンプル ソフト"
    e2e_stage_browser browser
    e2e_register_browser "\"$E2E_BROWSER\" \"%1\""
    local readme="C:\\サンプル ソフト\\お読み ください.txt"
    e2e_run "${owner_windows[0]}" \
        "start-unicode \"$E2E_EXE\" /R\"$readme\"" wait-dialog "click $README" "wait-log 1" \
        "click $DONE" "wait-exit 0" \
        "start-unicode \"$E2E_EXE\"" wait-dialog "click $README" "wait-log 2" "click $DONE" "wait-exit 0" \
        "start-unicode \"$E2E_EXE\" /CRegcompleteE2EInstaller /T\"セットアップ - 例\"" wait-dialog \
        "check-owner installer" "click $DONE" "wait-exit 0" \
        "start-unicode \"$E2E_EXE\" /U\"山田 太郎\" /Oabc" wait-dialog "click $SSL" "wait-log 3" \
        "click $DONE" "wait-exit 0" \
        "start-unicode \"$E2E_EXE\" /U\"Zoë\"" wait-dialog "click $SSL" "wait-log 4" \
        "click $DONE" "wait-exit 0"
    e2e_expect_log "notepad.exe $readme" "notepad.exe ${E2E_EXE%\\*}\\readme.txt" \
        "\"$E2E_BROWSER\"  $ssl?organization=abc" "\"$E2E_BROWSER\"  $ssl?username=Zo%EB"
}

case_name=${1:?usage: dialog_test.sh CASE}
declare -F "case_$case_name" >/dev/null || { echo "no case $case_name"; exit 2; }
if declare -F "prefix_$case_name" >/dev/null; then "prefix_$case_name"; fi
e2e_begin "$case_name"
"case_$case_name"
e2e_end
