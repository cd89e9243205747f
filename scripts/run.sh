#!/usr/bin/env bash
# Builds regcomplete.exe and starts it under Wine (code page 932) with the options given here, as
# an installer would:
#   scripts/run.sh /P100 /U"山田 太郎" /O"例示株式会社" /S1234-5678
# The arguments are joined by blanks into the program's command-line tail, in Shift_JIS. An
# argument that holds a blank but no double quote gets its value quoted again (the shell took the
# quotes away): /U"山田 太郎" reaches the program as written above.
#
# With a display (DISPLAY set) the dialog opens there and the script ends when it is closed. With
# none, the program runs on a virtual screen (Xvfb): the script saves a screenshot of the dialog,
# prints its path, closes the dialog with "完了" and ends.
# The build goes to build/win32 (REGCOMPLETE_WIN_BUILD chooses another directory).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
export REGCOMPLETE_WIN_BUILD=${REGCOMPLETE_WIN_BUILD:-$top/build/win32}
build=$REGCOMPLETE_WIN_BUILD

say() { echo "run: $*" >&2; }

scripts/install-deps.sh
say "building the Windows program in $build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DREGCOMPLETE_HOST="${REGCOMPLETE_HOST:-regist.example.com}" \
    --no-warn-unused-cli >/dev/null
cmake --build "$build" -j "${REGCOMPLETE_JOBS:-2}" --target regcomplete runraw driver >/dev/null

. tests/e2e/wine_env.sh
say "preparing the Wine prefix (the first time takes a while)"
wine_prefix_ready

tail=()
for argument in "$@"; do
    if [[ $argument =~ [[:blank:]] && $argument != *\"* ]]; then
        if [[ $argument =~ ^/[[:alpha:]] ]]; then
            argument="${argument:0:2}\"${argument:2}\""
        else
            argument="\"$argument\""
        fi
    fi
    tail+=("$argument")
done
work=$build/run
mkdir -p "$work"
program=$(windows_path "$build/bin/regcomplete.exe")
command_line="\"$program\"${tail[*]:+ ${tail[*]}}"
say "command line: $command_line"
printf '%s' "$command_line" | iconv -f UTF-8 -t CP932 >"$work/command_line" ||
    { say "the options cannot be written in code page 932"; exit 2; }

if [ -n "${DISPLAY:-}" ]; then
    set +e
    wine "$E2E_TEST_BIN/runraw.exe" "$(windows_path "$work/command_line")"
    status=$?
    say "regcomplete.exe ended with exit code $status"
    exit "$status"
fi

# No display: a virtual one, and the driver to wait for the dialog, photograph it and close it
# again, as the end-to-end tests run it (their helpers go on after a failed command).
set +e
. tests/e2e/e2e_lib.sh
E2E_CASE=run E2E_WORK=$work
shot=$work/regcomplete-dialog
rm -f "$shot".png "$work/report.txt"
{
    printf 'start '
    cat "$work/command_line"
    printf '\nwait-dialog\nhandshake %s\nclick %s\nwait-exit 0\n' "$(windows_path "$shot")" "$DONE"
} >"$work/scenario.txt"
say "no display: running on a virtual screen"
e2e_play >/dev/null
if [ "$e2e_failures" -ne 0 ] || [ ! -f "$shot.png" ]; then
    say "the dialog did not run as it should:"
    cat "$work/report.txt" >&2 2>/dev/null || say "(the driver wrote no report)"
    exit 1
fi
say "the dialog was shown, photographed and closed with 完了 (exit code 0)"
echo "screenshot: $shot.png"
