#!/usr/bin/env bash
# Prints the program's figures next to their budgets: size and imported DLLs of the executables,
# start-up to a drawn dialog against an empty reference dialog under Wine, and the cost of reading
# the options and building both addresses (Google Benchmark and callgrind instruction counts).
# Figures only: nothing here passes or fails on a timing.
# usage: scripts/bench.sh [RUNS]   (RUNS: start-up pairs, at least 10; default 10)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${1:-10}
[ "$runs" -ge 10 ] || runs=10

scripts/install-deps.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/win32 -j2 >/dev/null
cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-host -j2 --target core_bench core_instructions >/dev/null

echo "== Size and imports (budget: regcomplete.exe at most 32768 bytes; KERNEL32 USER32 GDI32 ADVAPI32 msvcrt only)"
for exe in regcomplete.exe regcomplete-check.exe; do
    path=build/win32/bin/$exe
    dlls=$(i686-w64-mingw32-objdump -p "$path" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    printf '%-22s %6d bytes   imports: %s\n' "$exe" "$(stat -c %s "$path")" "$dlls"
done

echo
echo "== Core: ParseOptions and both BuildRegistrationUrl calls (Google Benchmark, host, Release)"
build/bench-host/bin/core_bench --benchmark_min_time=0.5 2>/dev/null | sed -n '/^Benchmark/,$p'

echo
echo "== Core: instructions for the parse and both addresses (callgrind; budget under 20000)"
(cd build/bench-host/bin &&
    valgrind --tool=callgrind --collect-atstart=no --toggle-collect=MeasuredWork \
        --callgrind-out-file=/dev/null ./core_instructions 2>&1 >/dev/null) |
    sed -n 's/.*Collected : \([0-9]*\).*/instructions: \1/p'

echo
echo "== Start-up to a visible dialog under Wine, code page 932 (budget: ratio at most 1.10)"
export REGCOMPLETE_WIN_BUILD=$top/build/win32
. tests/e2e/wine_env.sh
wine_prefix_ready
caption_a=$(printf 'インストール完了' | iconv -f utf-8 -t cp932 | xxd -p)
caption_b=$(printf 'reference' | xxd -p)
xvfb-run -a -s '-screen 0 1024x768x24' wine build/win32/bin/startup_timer.exe "$runs" \
    "$(windows_path build/win32/bin/regcomplete.exe)" "$caption_a" \
    "$(windows_path build/win32/bin/reference_dialog.exe)" "$caption_b" | tr -d '\r'
