# Sourced by the tests that run Windows programs: a Wine prefix of the tests' own in the build
# tree, with the Japanese ANSI code page (932). Wine needs both LANG and LC_ALL for that.
# Needs REGCOMPLETE_WIN_BUILD (the cross build directory) to be set.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
export WINEPREFIX="$REGCOMPLETE_WIN_BUILD/wineprefix"
# The build's test programs (driver, runraw, the fakes, planted/uxtheme.dll), apart from bin/,
# which holds only the two executables that ship.
E2E_TEST_BIN=$REGCOMPLETE_WIN_BUILD/tests/bin
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts

# Always a 64-bit prefix, running the 32-bit program through WoW64, as on the 64-bit Windows most people
# have. Its wineserver is a native 64-bit process. In a 32-bit prefix the wineserver is itself an i386
# program, which on a kernel without 32-bit support runs under qemu-i386 and then cannot read another
# process's memory (ReadProcessMemory fails with error 5), so a test that checks a started program's
# command line would fail. Chosen here, not by whichever Wine packages a machine happens to have.
export WINEARCH=win64
if [ ! -x /usr/lib/wine/wine64 ]; then
    echo "wine_env: 64-bit Wine is missing (package wine64); run scripts/install-deps.sh" >&2
    return 1 2>/dev/null || exit 1
fi

# Wine has no "ＭＳ Ｐゴシック" and would draw the dialog in a fixed-pitch fallback that cuts its
# texts; on Windows the font is always there. Map it to the proportional IPA font, as Windows
# would draw it. The value names are Japanese, so the .reg file is UTF-16.
wine_substitute_dialog_font() {
    local reg="$WINEPREFIX/font-substitutes.reg"
    {
        printf '\xff\xfe'
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
            '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
            '"MS PGothic"="IPAPGothic"' '"MS Gothic"="IPAGothic"' | iconv -f utf-8 -t utf-16le
    } >"$reg"
    wine regedit /S "$(windows_path "$reg")" >/dev/null 2>&1
}

WINE_PREFIX_SETUP=(true)

# wine_use_prefix NAME [SETUP...]: the Wine calls after it use a prefix of their own, wineprefix-NAME
# beside the shared one, made on first use and then set up with the command SETUP. For a case that
# changes what is prefix-wide (the screen's dots per inch, or the code page the font settings were
# last written for), which the tests running beside it must not see.
wine_use_prefix() {
    export WINEPREFIX="$REGCOMPLETE_WIN_BUILD/wineprefix-$1"
    WINE_PREFIX_SETUP=("${@:2}")
    [ $# -gt 1 ] || WINE_PREFIX_SETUP=(true)
}

# wine_set_dpi DPI: the screen's dots per inch for every program of the prefix (144 is 150 %).
wine_set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# Creates the prefix once (tests that run side by side wait for each other here), then holds its
# wineserver for as long as the caller's shell lives (wine_hold_server).
wine_prefix_ready() {
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.regcomplete-ready" ]; then
            rm -rf "$WINEPREFIX"
            wineboot -i >/dev/null 2>&1 && wine_substitute_dialog_font &&
                "${WINE_PREFIX_SETUP[@]}" && wineserver -w &&
                touch "$WINEPREFIX/.regcomplete-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
    [ -f "$WINEPREFIX/.regcomplete-ready" ] && wine_hold_server
}

# Debian's wineserver runs with -p0: it ends as soon as no program of its prefix runs, and the next
# program starts another. A program that connects just as the server ends is dropped before it
# runs ("wine client error:0: recvmsg: Connection reset by peer", nothing done), and in a prefix
# that tests share, whether the server ends between two calls of one test depends on the tests
# beside it. So each test keeps a program of its own running in the prefix: cmd, pausing on a pipe
# that a tail bound to the test's shell feeds, which ends within half a second of that shell however
# the shell ends, and no program the test starts holds the pipe. Only this program's own start can
# meet a server that is ending; it is started again then. A test that ends the server itself
# (wineserver -k) ends the holder too, and calls this again to hold the new one.
wine_hold_server() {
    local out try
    [ "${WINE_HELD_PREFIX:-}" != "$WINEPREFIX" ] || ! kill -0 "${WINE_HELD_PID:-}" 2>/dev/null ||
        return 0
    out=$(mktemp "$WINEPREFIX.held.XXXXXX")
    for try in 1 2 3; do
        tail --pid=$$ -s 0.5 -f /dev/null 2>/dev/null | wine cmd /c "echo held& pause" >"$out" 2>&1 &
        WINE_HELD_PID=$!
        for _ in $(seq 600); do  # a minute at most, for a prefix that starts slowly under load
            kill -0 "$WINE_HELD_PID" 2>/dev/null && ! grep -q '^held' "$out" || break
            sleep 0.1
        done
        if grep -q '^held' "$out"; then
            WINE_HELD_PREFIX=$WINEPREFIX
            rm -f "$out"
            return 0
        fi
        echo "wine_env: the program holding the wineserver did not start (try $try of 3): $(cat "$out")" >&2
    done
    rm -f "$out"
    return 1
}

# The Windows path of a Unix file, through the prefix's Z: drive (which maps /).
windows_path() {
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Starts an X server of its own (Xvfb, 1024x768, on a free display number) and points DISPLAY at
# it; xvfb_stop ends it. Tests that run side by side each get their own.
xvfb_start() {
    local numbers i
    numbers=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numbers" >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 200); do
        grep -q '^[0-9][0-9]*$' "$numbers" 2>/dev/null && break
        sleep 0.05
    done
    if ! grep -q '^[0-9][0-9]*$' "$numbers"; then
        rm -f "$numbers"
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$numbers")"
    rm -f "$numbers"
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] || return 0
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}

# Saves the whole X screen as a PNG.
x_screenshot() {
    xwd -root -silent | convert xwd:- "png:$1"
}
