# Sourced by the tests that run Windows programs: a Wine prefix of the tests' own in the build
# tree, with the Japanese ANSI code page (932). Wine needs both LANG and LC_ALL for that.
# Needs REGCOMPLETE_WIN_BUILD (the cross build directory) to be set.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all
export WINEPREFIX="$REGCOMPLETE_WIN_BUILD/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts

# Creates the prefix once; tests that run side by side wait for each other here.
wine_prefix_ready() {
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.regcomplete-ready" ]; then
            rm -rf "$WINEPREFIX"
            wineboot -i >/dev/null 2>&1 && wineserver -w && touch "$WINEPREFIX/.regcomplete-ready"
        fi
    ) 9>"$REGCOMPLETE_WIN_BUILD/wineprefix.lock"
    [ -f "$WINEPREFIX/.regcomplete-ready" ]
}

# The Windows path of a Unix file, through the prefix's Z: drive (which maps /).
windows_path() {
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}
