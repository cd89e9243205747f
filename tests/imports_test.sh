#!/usr/bin/env bash
# The program must start on a fresh Windows with nothing installed: it may import only DLLs that
# every Windows has. Fails when any other DLL appears in its import table.
# usage: imports_test.sh EXE
set -u
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll "
dlls=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "FAIL: no import table read from $1"; exit 1; }
status=0
for dll in $dlls; do
    case "$allowed" in
        *" $dll "*) echo "ok: $dll" ;;
        *) echo "FAIL: $1 imports $dll"; status=1 ;;
    esac
done
exit $status
