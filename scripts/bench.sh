#!/usr/bin/env bash
# Prints the program's figures next to their budgets, each with "met" or "NOT met": size and imported
# DLLs of the executables, the cost of reading the options and building both addresses (Google
# Benchmark and callgrind instruction counts), the check tool's --decode of a 511-byte query, and
# start-up to a visible dialog under Wine against the floor for this dialog (bench/floor_dialog.exe:
# the program's own dialog resource and manifest shown alone), with an empty dialog's start-up beside
# them for information.
# Figures only: nothing here fails on a timing.
# usage: scripts/bench.sh [ROUNDS]   (start-up rounds, each one start of every program; default 40)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
# Runs of 20 rounds have given ratios up to 0.05 apart on a loaded machine, as wide as the budget
# itself.
min_rounds=40
rounds=${1:-$min_rounds}
if ! [[ $rounds =~ ^[0-9]+$ ]] || [ "$rounds" -lt "$min_rounds" ] || [ "$rounds" -gt 200 ]; then
    echo "usage: scripts/bench.sh [ROUNDS]   (ROUNDS from $min_rounds to 200)" >&2
    exit 2
fi

max_size=32768
allowed_dlls="ADVAPI32.dll GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll"
max_instructions=20000
max_decode_us=1000
max_startup_ratio=1.05
# The benchmark programs, built apart from bin/ (which holds only what ships).
win_bench=build/win32/bench/bin
host_bench=build/bench-host/bench/bin

# verdict TRUE_OR_FALSE: "met" or "NOT met" for a budget check done by the caller.
verdict() { if "$@"; then echo met; else echo "NOT met"; fi; }
at_most() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }
only_allowed() {
    local dll
    for dll in $1; do
        [[ " ${allowed_dlls,,} " == *" ${dll,,} "* ]] || return 1
    done
}

scripts/install-deps.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DREGCOMPLETE_HOST=regist.example.com >/dev/null
cmake --build build/win32 -j2 >/dev/null
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-host -j2 --target core_bench core_instructions decode_bench >/dev/null

echo "== Size and imports"
for exe in regcomplete.exe regcomplete-check.exe; do
    path=build/win32/bin/$exe
    dlls=$(i686-w64-mingw32-objdump -p "$path" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    printf '%-22s %6d bytes   imports: %s\n' "$exe" "$(stat -c %s "$path")" "$dlls"
done
path=build/win32/bin/regcomplete.exe
size=$(stat -c %s "$path")
dlls=$(i686-w64-mingw32-objdump -p "$path" | sed -n 's/^\s*DLL Name: //p')
echo "regcomplete.exe size: $size bytes (budget at most $max_size): $(verdict at_most "$size" "$max_size")"
echo "regcomplete.exe imports (budget: $allowed_dlls at most): $(verdict only_allowed "$dlls")"

echo
echo "== Core: ParseOptions and both BuildRegistrationUrl calls (Google Benchmark, host, Release)"
"$host_bench/core_bench" --benchmark_min_time=0.5 2>/dev/null | sed -n '/^Benchmark/,$p'

echo
echo "== Core: instructions for the parse and both addresses (callgrind)"
instructions=$( (cd "$host_bench" &&
    valgrind --tool=callgrind --collect-atstart=no --toggle-collect=MeasuredWork \
        --callgrind-out-file=/dev/null ./core_instructions 2>&1 >/dev/null) |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
echo "instructions: $instructions (budget under $max_instructions):" \
    "$(verdict [ "$instructions" -lt "$max_instructions" ])"

echo
echo "== regcomplete-check --decode of a 511-byte query (Google Benchmark, host, Release)"
decode_report=$("$host_bench/decode_bench" --benchmark_min_time=0.5 2>/dev/null | sed -n '/^Benchmark/,$p')
echo "$decode_report"
decode_us=$(awk '$1 == "BM_RunDecode511" { print $2 }' <<<"$decode_report")
echo "--decode: $decode_us us (budget under $max_decode_us us):" \
    "$(verdict at_most "$decode_us" "$max_decode_us")"

echo
echo "== Start-up to a visible dialog under Wine, code page 932, $rounds rounds"
export REGCOMPLETE_WIN_BUILD=$top/build/win32
. tests/e2e/wine_env.sh
# The screen first: the program that holds the prefix's server starts its desktop on this display.
xvfb_start || { echo "bench: no X server" >&2; exit 1; }
timings=$(mktemp)
trap 'rm -f "$timings"; xvfb_stop' EXIT
wine_prefix_ready
caption_program=$(printf 'インストール完了' | iconv -f utf-8 -t cp932 | xxd -p)
caption_reference=$(printf 'reference' | xxd -p)
wine "$win_bench/startup_timer.exe" "$rounds" \
    "$(windows_path build/win32/bin/regcomplete.exe)" "$caption_program" \
    "$(windows_path "$win_bench/floor_dialog.exe")" "$caption_program" \
    "$(windows_path "$win_bench/reference_dialog.exe")" "$caption_reference" |
    tr -d '\r' | tee "$timings"
floor_ratio=$(sed -n 's|^ratio regcomplete.exe/floor_dialog.exe: \([0-9.]*\).*|\1|p' "$timings")
[ -n "$floor_ratio" ] || { echo "bench: the start-up timer printed no ratio" >&2; exit 1; }
echo "start-up against the floor: $floor_ratio (budget at most $max_startup_ratio):" \
    "$(verdict at_most "$floor_ratio" "$max_startup_ratio")"
echo "start-up against the empty dialog: information only, no budget"
